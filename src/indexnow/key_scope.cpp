#include "indexnow/key_scope.h"

#include <curl/curl.h>

#include <memory>

#include "base/text.h"

namespace farrow::indexnow {

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct CurlTextDeleter {
    void operator()(char* p) const { curl_free(p); }
};

std::optional<std::string> part(CURLU* u, CURLUPart which) {
    char* raw = nullptr;
    if (curl_url_get(u, which, &raw, 0) != CURLUE_OK) {
        return std::nullopt;
    }
    std::unique_ptr<char, CurlTextDeleter> owned(raw);
    return std::string(raw);
}

// The folder of a path: up to and with its last "/".
std::string folderOf(const std::string& path) {
    const std::size_t query = path.find('?');
    const std::string bare = path.substr(0, query);
    return bare.substr(0, bare.rfind('/') + 1);
}

}  // namespace

std::optional<UrlParts> urlParts(std::string_view url) {
    for (unsigned char c : url) {
        if (c <= 0x20 || c == 0x7f) {
            return std::nullopt;
        }
    }
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    const std::string text(url);
    if (!u || curl_url_set(u.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const auto scheme = part(u.get(), CURLUPART_SCHEME);
    const auto host = part(u.get(), CURLUPART_HOST);
    if (!scheme || !host || host->empty() || part(u.get(), CURLUPART_USER)) {
        return std::nullopt;
    }
    UrlParts parts;
    parts.scheme = base::lowered(*scheme);
    if (parts.scheme != "http" && parts.scheme != "https") {
        return std::nullopt;
    }
    parts.host = base::lowered(*host);
    // A port the scheme has by default is no part of the host the protocol compares.
    if (const auto port = part(u.get(), CURLUPART_PORT);
        port && *port != (parts.scheme == "https" ? "443" : "80")) {
        parts.host += ":" + *port;
    }
    parts.path = part(u.get(), CURLUPART_PATH).value_or("/");
    if (const auto query = part(u.get(), CURLUPART_QUERY)) {
        parts.path += "?" + *query;
    }
    return parts;
}

ScopeResult keyScope(const std::string& siteUrl, const std::string& key,
                     const std::string& keyLocation) {
    const std::optional<UrlParts> site = urlParts(siteUrl);
    if (!site) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat,
                 "the profile's URL \"" + siteUrl + "\" is no http or https address"}};
    }
    KeyScope scope;
    scope.host = site->host;
    scope.key = key;
    if (keyLocation.empty()) {
        scope.keyLocation = site->scheme + "://" + site->host + "/" + key + ".txt";
        scope.folder = "/";
        return {scope, {}};
    }
    const std::optional<UrlParts> location = urlParts(keyLocation);
    if (!location) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat,
                 "the key location \"" + keyLocation + "\" is no http or https address"}};
    }
    if (location->host != site->host) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat, "the key location \"" + keyLocation +
                                                   "\" is not on the site's host " + site->host}};
    }
    if (location->path.find('?') != std::string::npos) {
        return {
            std::nullopt,
            {base::ErrorCode::WrongFormat, "the key location \"" + keyLocation + "\" has a query"}};
    }
    scope.keyLocation = keyLocation;
    scope.keyLocationGiven = true;
    scope.folder = folderOf(location->path);
    return {scope, {}};
}

ScopeFit fitOf(const UrlParts& url, const KeyScope& scope) {
    if (url.host != scope.host) {
        return ScopeFit::OtherHost;
    }
    return url.path.starts_with(scope.folder) ? ScopeFit::Inside : ScopeFit::OutsideKeyLocation;
}

}  // namespace farrow::indexnow
