#include "crawl/uri_reference.h"

#include <charconv>

#include "base/text.h"

namespace farrow::crawl {

namespace {

// RFC 3986 section 5.2.3.
std::string mergePaths(const UriReference& base, std::string_view path) {
    if (base.authority && base.path.empty()) {
        return "/" + std::string(path);
    }
    const std::size_t slash = base.path.rfind('/');
    if (slash == std::string::npos) {
        return std::string(path);
    }
    return base.path.substr(0, slash + 1) + std::string(path);
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

std::string removeDotSegments(std::string_view path) {
    std::string input(path);
    std::string output;
    std::size_t at = 0;
    const auto rest = [&] { return std::string_view(input).substr(at); };
    const auto dropLastSegment = [&] {
        const std::size_t slash = output.rfind('/');
        output.erase(slash == std::string::npos ? 0 : slash);
    };
    while (at < input.size()) {
        const std::string_view in = rest();
        if (in.substr(0, 3) == "../") {
            at += 3;
        } else if (in.substr(0, 2) == "./") {
            at += 2;
        } else if (in.substr(0, 3) == "/./") {
            at += 2;
        } else if (in == "/.") {
            input.replace(at, 2, "/");
        } else if (in.substr(0, 4) == "/../") {
            at += 3;
            dropLastSegment();
        } else if (in == "/..") {
            input.replace(at, 3, "/");
            dropLastSegment();
        } else if (in == "." || in == "..") {
            at = input.size();
        } else {
            const std::size_t next = in.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? in.size() : next;
            output += in.substr(0, length);
            at += length;
        }
    }
    return output;
}

std::string resolveReference(std::string_view baseText, std::string_view referenceText) {
    const UriReference base = parseUriReference(baseText);
    const UriReference r = parseUriReference(referenceText);
    UriReference t;
    if (r.scheme) {
        t.scheme = r.scheme;
        t.authority = r.authority;
        t.path = removeDotSegments(r.path);
        t.query = r.query;
    } else {
        if (r.authority) {
            t.authority = r.authority;
            t.path = removeDotSegments(r.path);
            t.query = r.query;
        } else {
            if (r.path.empty()) {
                t.path = base.path;
                t.query = r.query ? r.query : base.query;
            } else {
                if (r.path.front() == '/') {
                    t.path = removeDotSegments(r.path);
                } else {
                    t.path = removeDotSegments(mergePaths(base, r.path));
                }
                t.query = r.query;
            }
            t.authority = base.authority;
        }
        t.scheme = base.scheme;
    }
    t.fragment = r.fragment;
    return t.text();
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
    const std::optional<WebAddress> address = webAddress(uri);
    if (!address) {
        return withoutFragment(uri);
    }
    const bool defaultPort = (address->scheme == "http" && address->port == 80) ||
                             (address->scheme == "https" && address->port == 443);
    return address->scheme + "://" + address->host +
           (defaultPort ? "" : ":" + std::to_string(address->port)) + address->target;
}

}  // namespace farrow::crawl
