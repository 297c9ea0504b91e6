#include "crawl/uri_reference.h"

#include <charconv>

#include <uriparser/Uri.h>

#include "base/text.h"

namespace farrow::crawl {

namespace {

// A parsed URI that frees what uriparser allocated for it.
class ParsedUri {
public:
    ParsedUri() = default;
    ParsedUri(const ParsedUri&) = delete;
    ParsedUri& operator=(const ParsedUri&) = delete;
    ~ParsedUri() {
        if (held_) {
            uriFreeUriMembersA(&uri_);
        }
    }

    // False when `text` is no URI reference.
    bool parse(std::string text) {
        // The parts point into the text, which this holds as long as they are used.
        text_ = std::move(text);
        const char* errorAt = nullptr;
        held_ = uriParseSingleUriExA(&uri_, text_.data(), text_.data() + text_.size(), &errorAt) ==
                URI_SUCCESS;
        return held_;
    }

    // This is `reference` resolved against `base`; it points into their texts.
    bool resolve(const ParsedUri& reference, const ParsedUri& base) {
        held_ = uriAddBaseUriExA(&uri_, &reference.uri_, &base.uri_, URI_RESOLVE_STRICTLY) ==
                URI_SUCCESS;
        return held_;
    }

    bool normalize() { return uriNormalizeSyntaxA(&uri_) == URI_SUCCESS; }

    std::string text() const {
        int chars = 0;
        if (uriToStringCharsRequiredA(&uri_, &chars) != URI_SUCCESS) {
            return {};
        }
        std::string out(static_cast<std::size_t>(chars) + 1, '\0');
        if (uriToStringA(out.data(), &uri_, chars + 1, nullptr) != URI_SUCCESS) {
            return {};
        }
        out.resize(static_cast<std::size_t>(chars));
        return out;
    }

private:
    std::string text_;
    UriUriA uri_{};
    bool held_ = false;
};

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The scheme's length with its ":", or 0 when `text` begins with none.
std::size_t schemeLength(std::string_view text) {
    if (text.empty() || !isAlpha(text.front())) {
        return 0;
    }
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') {
            return i + 1;
        }
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return 0;
        }
    }
    return 0;
}

enum class UriPart { Authority, Path, Query, Fragment };

// Whether RFC 3986 allows `c` as it is in `part` ("%" and "#" are decided by the caller).
bool allowedAsIs(char c, UriPart part) {
    if (isAlpha(c) || (c >= '0' && c <= '9')) {
        return true;
    }
    switch (c) {
        case '-':
        case '.':
        case '_':
        case '~':  // unreserved
        case '!':
        case '$':
        case '&':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case ';':
        case '=':  // sub-delims
        case ':':
        case '@':
            return true;
        case '/':
            return part != UriPart::Authority;
        case '?':
            return part == UriPart::Query || part == UriPart::Fragment;
        case '[':
        case ']':
            return part == UriPart::Authority;  // an IPv6 literal
        default:
            return false;
    }
}

// A path segment a browser takes as "." or "..", percent-encoded or not.
std::string_view dotSegment(std::string_view segment) {
    std::string lowered = base::lowered(segment);
    if (lowered == "%2e") {
        return ".";
    }
    if (lowered == ".%2e" || lowered == "%2e." || lowered == "%2e%2e") {
        return "..";
    }
    return segment;
}

// `href` written as a browser reads a reference on an http(s) page, in the characters RFC 3986
// allows. A reference with another scheme is left as it is.
std::string browserReference(std::string_view href) {
    // Leading and trailing C0 controls and spaces go; tabs and line breaks go everywhere.
    while (!href.empty() && static_cast<unsigned char>(href.front()) <= 0x20) {
        href.remove_prefix(1);
    }
    while (!href.empty() && static_cast<unsigned char>(href.back()) <= 0x20) {
        href.remove_suffix(1);
    }
    std::string text;
    for (const char c : href) {
        if (c != '\t' && c != '\n' && c != '\r') {
            text += c;
        }
    }
    const std::size_t scheme = schemeLength(text);
    const std::string schemeName = base::lowered(std::string_view(text).substr(0, scheme));
    if (scheme != 0 && schemeName != "http:" && schemeName != "https:") {
        return text;
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string out = schemeName;
    std::size_t at = scheme;
    const auto isSlash = [](char c) { return c == '/' || c == '\\'; };
    UriPart part = UriPart::Path;
    if (at + 1 < text.size() && isSlash(text[at]) && isSlash(text[at + 1])) {
        out += "//";
        at += 2;
        part = UriPart::Authority;
    }
    std::string segment;
    const auto endSegment = [&] {
        out += dotSegment(segment);
        segment.clear();
    };
    for (; at < text.size(); ++at) {
        const char c = text[at];
        std::string& into = part == UriPart::Path ? segment : out;
        if ((part == UriPart::Authority || part == UriPart::Path) && (isSlash(c) || c == '?')) {
            endSegment();
            out += c == '?' ? '?' : '/';
            part = c == '?' ? UriPart::Query : UriPart::Path;
        } else if (c == '#' && part != UriPart::Fragment) {
            endSegment();
            out += '#';
            part = UriPart::Fragment;
        } else if (c == '%' && at + 2 < text.size() && isHex(text[at + 1]) && isHex(text[at + 2])) {
            into += c;
        } else if (c != '%' && c != '#' && allowedAsIs(c, part)) {
            into += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            into += '%';
            into += kHex[byte >> 4];
            into += kHex[byte & 15];
        }
    }
    endSegment();
    return out;
}

std::optional<std::string> webUrlOf(const ParsedUri& absolute) {
    const std::optional<WebAddress> address = webAddress(absolute.text());
    if (!address) {
        return std::nullopt;
    }
    const bool defaultPort = (address->scheme == "http" && address->port == 80) ||
                             (address->scheme == "https" && address->port == 443);
    return address->scheme + "://" + address->host +
           (defaultPort ? "" : ":" + std::to_string(address->port)) + address->target;
}

}  // namespace

std::string UriReference::text() const {
    // RFC 3986 section 5.3.
    std::string out;
    if (scheme) {
        out += *scheme + ":";
    }
    if (authority) {
        out += "//" + *authority;
    }
    out += path;
    if (query) {
        out += "?" + *query;
    }
    if (fragment) {
        out += "#" + *fragment;
    }
    return out;
}

UriReference parseUriReference(std::string_view text) {
    // ^(([^:/?#]+):)?(//([^/?#]*))?([^?#]*)(\?([^#]*))?(#(.*))?
    UriReference ref;
    std::size_t hash = text.find('#');
    if (hash != std::string_view::npos) {
        ref.fragment = std::string(text.substr(hash + 1));
        text = text.substr(0, hash);
    }
    const std::size_t question = text.find('?');
    if (question != std::string_view::npos) {
        ref.query = std::string(text.substr(question + 1));
        text = text.substr(0, question);
    }
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && colon > 0 &&
        text.substr(0, colon).find('/') == std::string_view::npos) {
        ref.scheme = std::string(text.substr(0, colon));
        text = text.substr(colon + 1);
    }
    if (text.substr(0, 2) == "//") {
        text = text.substr(2);
        const std::size_t slash = text.find('/');
        ref.authority = std::string(text.substr(0, slash));
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash);
    }
    ref.path = std::string(text);
    return ref;
}

std::string resolveReference(std::string_view base, std::string_view reference) {
    ParsedUri parsedBase;
    ParsedUri parsedReference;
    ParsedUri resolved;
    if (!parsedBase.parse(std::string(base)) || !parsedReference.parse(std::string(reference)) ||
        !resolved.resolve(parsedReference, parsedBase)) {
        return {};
    }
    return resolved.text();
}

std::optional<std::string> webUrl(std::string_view base, std::string_view href) {
    ParsedUri parsedBase;
    ParsedUri parsedReference;
    ParsedUri resolved;
    if (!parsedBase.parse(browserReference(base)) ||
        !parsedReference.parse(browserReference(href)) ||
        !resolved.resolve(parsedReference, parsedBase) || !resolved.normalize()) {
        return std::nullopt;
    }
    return webUrlOf(resolved);
}

std::optional<std::string> webUrl(std::string_view url) {
    ParsedUri parsed;
    if (!parsed.parse(browserReference(url)) || !parsed.normalize()) {
        return std::nullopt;
    }
    return webUrlOf(parsed);
}

std::string withoutFragment(std::string_view uri) {
    return std::string(uri.substr(0, uri.find('#')));
}

std::optional<WebAddress> webAddress(std::string_view uri) {
    const UriReference ref = parseUriReference(uri);
    if (!ref.scheme || !ref.authority) {
        return std::nullopt;
    }
    WebAddress address;
    address.scheme = base::lowered(*ref.scheme);
    if (address.scheme != "http" && address.scheme != "https") {
        return std::nullopt;
    }
    std::string_view hostPort = *ref.authority;
    if (const std::size_t at = hostPort.rfind('@'); at != std::string_view::npos) {
        hostPort = hostPort.substr(at + 1);
    }
    address.port = address.scheme == "https" ? 443 : 80;
    // A port follows the last ":" unless that lies inside an IPv6 literal.
    const std::size_t colon = hostPort.rfind(':');
    if (colon != std::string_view::npos && hostPort.find(']', colon) == std::string_view::npos) {
        const std::string_view digits = hostPort.substr(colon + 1);
        if (!digits.empty()) {
            int port = 0;
            const auto [end, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), port);
            if (ec != std::errc() || end != digits.data() + digits.size() || port <= 0 ||
                port > 65535) {
                return std::nullopt;
            }
            address.port = port;
        }
        hostPort = hostPort.substr(0, colon);
    }
    if (hostPort.empty()) {
        return std::nullopt;
    }
    address.host = base::lowered(hostPort);
    address.target = ref.path.empty() ? "/" : ref.path;
    if (ref.query) {
        address.target += "?" + *ref.query;
    }
    return address;
}

std::string normalizedUrl(std::string_view uri) {
    std::optional<std::string> url = webUrl(uri);
    return url ? std::move(*url) : withoutFragment(uri);
}

}  // namespace farrow::crawl
