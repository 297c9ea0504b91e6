#include "deep/site_prefix.h"

namespace farrow::deep {

std::string sitePrefix(std::string_view url) {
    std::size_t slash = url.find('/');
    if (slash == std::string_view::npos) {
        slash = url.find('\\');
    }
    // Skips the two slashes after the scheme; a URL without any slash loses its first character,
    // as if the slash stood before it.
    const std::size_t p = slash == std::string_view::npos ? 1 : slash + 2;
    std::size_t q = url.rfind('/');
    if (q == std::string_view::npos) {
        q = url.find('\\');
    }
    if (q != std::string_view::npos && q > p) {
        return std::string(url.substr(p, q - p));
    }
    if (p >= url.size()) {
        return {};
    }
    return std::string(url.substr(p));
}

}  // namespace farrow::deep
