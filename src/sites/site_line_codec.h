#pragma once

#include <string>
#include <string_view>

namespace farrow::sites {

// Each plain character of a "sites.enc" line is stored as two decimal digits: its code minus 30.
std::string decodeSiteLine(std::string_view stored);
std::string encodeSiteLine(std::string_view plain);

}  // namespace farrow::sites
