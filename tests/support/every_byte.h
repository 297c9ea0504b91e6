#pragma once

#include <string>

namespace farrow::test {

// `rounds` runs of all 256 byte values, NUL and line ends among them, each run in an order
// stepped by `step` (odd, so that every value comes once) and shifted by the round.
inline std::string everyByte(int rounds, int step) {
    std::string junk;
    for (int r = 0; r < rounds; ++r) {
        for (int c = 0; c < 256; ++c) {
            junk.push_back(static_cast<char>((c * step + r) & 255));
        }
    }
    return junk;
}

}  // namespace farrow::test
