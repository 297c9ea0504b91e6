#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace farrow::sites {

// Each plain character of a "sites.enc" line is stored as two decimal digits: its code minus 30.
std::string decodeSiteLine(std::string_view stored);
std::string encodeSiteLine(std::string_view plain);

// The lowest and highest character codes the encoding carries: any other character (a tab, a
// byte of a Latin-1 or UTF-8 letter) would come back as another one.
inline constexpr int kLowestStoredCode = 30;
inline constexpr int kHighestStoredCode = 127;

// The position of the first character of `plain` that `encodeSiteLine` cannot carry, or nothing.
std::optional<std::size_t> firstUnstorable(std::string_view plain);

}  // namespace farrow::sites
