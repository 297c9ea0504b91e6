#pragma once

#include <string>

namespace farrow::deep {

// One page of a deep run.
struct PageEntry {
    std::string url;
    std::string title;

    bool operator==(const PageEntry&) const = default;
};

}  // namespace farrow::deep
