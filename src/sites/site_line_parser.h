#pragma once

#include <string_view>

#include "sites/site_table.h"

namespace farrow::sites {

inline constexpr std::size_t kMaxFieldLength = 128;
// Decoded lines are split from this many characters at most; the rest is cut.
inline constexpr std::size_t kMaxLineLength = 19999;
// Plain lines up to this length are not sites.
inline constexpr std::size_t kMaxSkippedLength = 50;

// Splits one decoded site line into a record (its `chosenCategory` is "NULL").
SiteRecord parseSiteLine(std::string_view plain);

}  // namespace farrow::sites
