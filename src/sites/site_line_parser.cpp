#include "sites/site_line_parser.h"

#include <vector>

namespace farrow::sites {

namespace {

// Tokens between "|" separators; runs of separators count as one and leading ones are skipped.
std::vector<std::string_view> splitTokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == '|') {
            ++i;
        }
        if (i == line.size()) {
            break;
        }
        std::size_t end = line.find('|', i);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        tokens.push_back(line.substr(i, end - i));
        i = end;
    }
    return tokens;
}

}  // namespace

SiteRecord parseSiteLine(std::string_view plain) {
    plain = plain.substr(0, kMaxLineLength);
    const std::vector<std::string_view> tokens = splitTokens(plain);

    SiteRecord record;
    for (std::size_t pos = 0; pos < kFieldCount; ++pos) {
        if (pos < tokens.size()) {
            record.fields[pos] = std::string(tokens[pos].substr(0, kMaxFieldLength));
        } else if (pos == tokens.size() || pos == kExtraParams) {
            // The first missing value and the extra parameters read as "not taken".
            record.fields[pos].assign(1, ' ');
        }
    }

    if (plain.find("[COMPLEX]") != std::string_view::npos) {
        record.isComplex = 1;
        // The 35th token is the marker itself; the category block follows it.
        std::size_t next = kFieldCount + 1;
        while (record.categoryBlock.size() < kCategorySlots) {
            if (next >= tokens.size()) {
                record.categoryBlock.emplace_back(1, ' ');
                break;
            }
            std::string token(tokens[next++].substr(0, kMaxFieldLength));
            bool last = token == "NULL";
            record.categoryBlock.push_back(std::move(token));
            if (last) {
                break;
            }
        }
    }
    return record;
}

}  // namespace farrow::sites
