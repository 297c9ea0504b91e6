#include "sites/site_line_codec.h"

#include <cstdio>

namespace farrow::sites {

std::string decodeSiteLine(std::string_view stored) {
    std::string plain;
    plain.reserve(stored.size() / 2 + 1);
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        std::string_view piece = stored.substr(i, 2);
        int value = 0;
        for (char c : piece) {
            if (c < '0' || c > '9') {
                break;
            }
            value = value * 10 + (c - '0');
        }
        plain.push_back(static_cast<char>(value + 30));
    }
    return plain;
}

std::string encodeSiteLine(std::string_view plain) {
    std::string stored;
    stored.reserve(plain.size() * 2);
    char piece[8];
    for (char c : plain) {
        int value = (static_cast<unsigned char>(c) & 127) - 30;
        std::snprintf(piece, sizeof piece, "%2.2d", value);
        stored += piece;
    }
    return stored;
}

std::optional<std::size_t> firstUnstorable(std::string_view plain) {
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const int code = static_cast<unsigned char>(plain[i]);
        if (code < kLowestStoredCode || code > kHighestStoredCode) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace farrow::sites
