#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sites/site_table.h"

namespace farrow::keywords {

// The fixed table that groups words of one field of business under a row name. Each row holds its
// row name first, then its further words, all upper case; rows keep their fixed order, which
// decides ties.
class SmartMatchTable final {
public:
    using Row = std::vector<std::string>;

    // The 54 rows, built once at start-up.
    static SmartMatchTable standard();

    const std::vector<Row>& rows() const { return rows_; }
    bool empty() const { return rows_.empty(); }

private:
    std::vector<Row> rows_;
};

// One of the site's category values that belongs to a row the keyword fits, or the keyword itself
// unchanged when no row yields a value. A text fits a word when it equals it or is its start,
// folding only A-Z.
std::string smartMatchCategory(const SmartMatchTable& table, std::string_view keyword,
                               const sites::SiteRecord& site);

}  // namespace farrow::keywords
