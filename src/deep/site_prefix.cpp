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

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The host and port at the front of a site prefix: everything before its first separator.
std::string_view hostOf(std::string_view prefix) {
    std::size_t end = 0;
    while (end < prefix.size() && !isSeparator(prefix[end])) {
        ++end;
    }
    return prefix.substr(0, end);
}

bool sameHost(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool withinSitePrefix(std::string_view linkPrefix, std::string_view base) {
    const std::string_view baseHost = hostOf(base);
    const std::string_view linkHost = hostOf(linkPrefix);
    if (!sameHost(baseHost, linkHost)) {
        return false;
    }
    const std::string_view baseDir = base.substr(baseHost.size());
    const std::string_view linkDir = linkPrefix.substr(linkHost.size());
    if (!linkDir.starts_with(baseDir)) {
        return false;
    }
    return linkDir.size() == baseDir.size() || baseDir.empty() ||
           isSeparator(linkDir[baseDir.size()]) || isSeparator(baseDir.back());
}

}  // namespace farrow::deep
