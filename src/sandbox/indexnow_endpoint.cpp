#include "sandbox/indexnow_endpoint.h"

#include <curl/curl.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <vector>

#include "base/text.h"
#include "platform/server_address.h"

namespace farrow::sandbox {

namespace {

constexpr const char* kJson = "application/json; charset=utf-8";

IndexNowAnswer refusal(int status, const std::string& code, const std::string& message) {
    return {status, nlohmann::json{{"code", code}, {"message", message}}.dump()};
}

IndexNowAnswer badRequest(const std::string& message) {
    return refusal(400, "InvalidRequestParameters", message);
}

bool isKeyForm(const std::string& key) {
    return key.size() >= 8 && key.size() <= 128 &&
           std::all_of(key.begin(), key.end(),
                       [](unsigned char c) { return std::isalnum(c) != 0 || c == '-'; });
}

// "application/json; charset=utf-8", in any case and spacing, and nothing else.
bool isJsonUtf8(const std::string& contentType) {
    const std::vector<std::string> parts = [&] {
        std::vector<std::string> out;
        std::size_t start = 0;
        for (;;) {
            const std::size_t semicolon = contentType.find(';', start);
            out.push_back(
                base::lowered(base::trimmed(contentType.substr(start, semicolon - start))));
            if (semicolon == std::string::npos) {
                return out;
            }
            start = semicolon + 1;
        }
    }();
    if (parts.size() != 2 || parts[0] != "application/json") {
        return false;
    }
    std::string charset = parts[1];
    charset.erase(std::remove(charset.begin(), charset.end(), ' '), charset.end());
    return charset == "charset=utf-8" || charset == "charset=\"utf-8\"";
}

struct UrlParts {
    std::string scheme;
    std::string host;
    int port = 0;
    // Path and query, as a request line carries them.
    std::string target;

    std::string origin() const {
        return scheme + "://" + platform::urlHost(host) + ":" + std::to_string(port);
    }
    std::string folder() const { return target.substr(0, target.find_last_of('/') + 1); }
};

struct CurlUrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

std::optional<std::string> urlPart(CURLU* url, CURLUPart part, unsigned int flags = 0) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, flags) != CURLUE_OK) {
        return std::nullopt;
    }
    std::string out(value);
    curl_free(value);
    return out;
}

// An absolute http or https URL taken apart; nothing for anything else.
std::optional<UrlParts> parseUrl(const std::string& text) {
    std::unique_ptr<CURLU, CurlUrlDeleter> url(curl_url());
    if (!url || text.empty() ||
        curl_url_set(url.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    UrlParts parts;
    const auto scheme = urlPart(url.get(), CURLUPART_SCHEME);
    const auto host = urlPart(url.get(), CURLUPART_HOST);
    const auto port = urlPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    const auto path = urlPart(url.get(), CURLUPART_PATH);
    if (!scheme || !host || !port || !path || (*scheme != "http" && *scheme != "https")) {
        return std::nullopt;
    }
    parts.scheme = *scheme;
    parts.host = base::lowered(*host);
    if (parts.host.size() > 2 && parts.host.front() == '[') {
        parts.host = parts.host.substr(1, parts.host.size() - 2);
    }
    parts.port = std::stoi(*port);
    parts.target = *path;
    if (const auto query = urlPart(url.get(), CURLUPART_QUERY)) {
        parts.target += "?" + *query;
    }
    return parts;
}

// The announcement's "host": a name, with a port when the site has one.
struct HostField {
    std::string name;
    // 0: any port.
    int port = 0;

    bool holds(const UrlParts& url) const {
        return url.host == name && (port == 0 || url.port == port);
    }
};

std::optional<HostField> parseHost(const std::string& text) {
    const auto address = platform::parseServerAddress(text, 0);
    if (!address || address->host.find_first_of("/?#@ ") != std::string::npos) {
        return std::nullopt;
    }
    return HostField{base::lowered(address->host), address->port};
}

void setAnswer(httplib::Response& response, const IndexNowAnswer& answer) {
    response.status = answer.status;
    if (!answer.body.empty()) {
        response.set_content(answer.body, kJson);
    }
}

}  // namespace

struct IndexNowEndpoint::Announcement {
    std::string host;
    std::string key;
    std::string keyLocation;
    std::vector<std::string> urls;
};

struct IndexNowEndpoint::KeyFile {
    // Empty when the file was fetched; else why it could not be.
    std::string failure;
    int status = 0;
    std::string location;
    std::string body;
};

IndexNowEndpoint::IndexNowEndpoint(RequestLog& log, const TlsIdentity& tls,
                                   IndexNowSettings settings)
    : log_(log), tls_(tls), settings_(settings) {}

void IndexNowEndpoint::setOwnPorts(int httpPort, int httpsPort) {
    httpPort_ = httpPort;
    httpsPort_ = httpsPort;
}

void IndexNowEndpoint::addRoutes(httplib::Server& server) {
    const auto endpoint = [this](const httplib::Request& req, httplib::Response& res) {
        setAnswer(res, answer(req));
    };
    const auto wrongMethod = [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Allow", "GET, POST");
        setAnswer(res, refusal(405, "MethodNotAllowed", req.method + " is not taken here"));
    };
    server.Get(kIndexNowPath, endpoint);
    server.Post(kIndexNowPath, endpoint);
    server.Put(kIndexNowPath, wrongMethod);
    server.Patch(kIndexNowPath, wrongMethod);
    server.Delete(kIndexNowPath, wrongMethod);
    server.Options(kIndexNowPath, wrongMethod);

    const auto busy = [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Retry-After", "1");
        setAnswer(res, refusal(429, "TooManyRequests", "too many requests; try again later"));
        log_.line("indexnow answers 429: busy, retry after 1 second");
    };
    server.Get(kIndexNowBusyPath, busy);
    server.Post(kIndexNowBusyPath, busy);
}

IndexNowAnswer IndexNowEndpoint::answer(const httplib::Request& request) {
    Announcement announcement;
    if (request.method == "POST") {
        if (!isJsonUtf8(request.get_header_value("Content-Type"))) {
            return badRequest("Content-Type must be application/json; charset=utf-8");
        }
        const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
        if (body.is_discarded() || !body.is_object()) {
            return badRequest("the body is no JSON object");
        }
        const auto text = [&body](const char* name) -> std::optional<std::string> {
            const auto it = body.find(name);
            if (it == body.end() || !it->is_string()) {
                return std::nullopt;
            }
            return it->get<std::string>();
        };
        const auto host = text("host");
        const auto key = text("key");
        if (!host || !key) {
            return badRequest("\"host\" and \"key\" must be strings");
        }
        announcement.host = *host;
        announcement.key = *key;
        if (body.contains("keyLocation")) {
            const auto location = text("keyLocation");
            if (!location) {
                return badRequest("\"keyLocation\" must be a string");
            }
            announcement.keyLocation = *location;
        }
        const auto list = body.find("urlList");
        if (list == body.end() || !list->is_array() || list->empty()) {
            return badRequest("\"urlList\" must be a list of URLs");
        }
        if (list->size() > settings_.maxUrls) {
            return badRequest("at most " + std::to_string(settings_.maxUrls) + " URLs per request");
        }
        for (const nlohmann::json& url : *list) {
            if (!url.is_string()) {
                return badRequest("\"urlList\" must hold only strings");
            }
            announcement.urls.push_back(url.get<std::string>());
        }
    } else {
        if (!request.has_param("url") || !request.has_param("key")) {
            return badRequest("\"url\" and \"key\" are required");
        }
        announcement.urls = {request.get_param_value("url")};
        announcement.key = request.get_param_value("key");
        announcement.keyLocation = request.get_param_value("keyLocation");
        if (const auto url = parseUrl(announcement.urls.front())) {
            announcement.host = url->host;
        }
    }
    const IndexNowAnswer answer = check(announcement);
    log_.line("indexnow answers " + std::to_string(answer.status) + " for " +
              std::to_string(announcement.urls.size()) + " URL(s) of " + announcement.host +
              (answer.body.empty() ? "" : ": " + answer.body));
    return answer;
}

IndexNowAnswer IndexNowEndpoint::check(const Announcement& announcement) {
    std::vector<UrlParts> urls;
    for (const std::string& text : announcement.urls) {
        const auto url = parseUrl(text);
        if (!url) {
            return badRequest("not an absolute http(s) URL: " + text);
        }
        urls.push_back(*url);
    }
    const auto host = parseHost(announcement.host);
    if (!host) {
        return badRequest("\"host\" is no host name");
    }
    if (!isKeyForm(announcement.key)) {
        return refusal(422, "InvalidKey",
                       "the key must be 8 to 128 characters of a-z, A-Z, 0-9 and -");
    }
    for (std::size_t i = 0; i < urls.size(); ++i) {
        if (!host->holds(urls[i])) {
            return refusal(422, "UrlNotOnHost",
                           announcement.urls[i] + " does not belong to " + announcement.host);
        }
    }
    // Without a location the key file stands at the root of the site the URLs are on, and
    // covers all of it; with one, only the URLs below its folder.
    std::string location = urls.front().origin() + "/" + announcement.key + ".txt";
    if (!announcement.keyLocation.empty()) {
        const auto keyUrl = parseUrl(announcement.keyLocation);
        if (!keyUrl) {
            return badRequest("\"keyLocation\" is no absolute http(s) URL");
        }
        if (!host->holds(*keyUrl)) {
            return refusal(422, "UrlNotOnHost",
                           "the key location does not belong to " + announcement.host);
        }
        for (std::size_t i = 0; i < urls.size(); ++i) {
            if (urls[i].origin() != keyUrl->origin() ||
                urls[i].target.rfind(keyUrl->folder(), 0) != 0) {
                return refusal(
                    422, "UrlNotCoveredByKey",
                    announcement.urls[i] + " is outside the key file's folder " + keyUrl->folder());
            }
        }
        location = announcement.keyLocation;
    }

    const KeyFile file = fetchKeyFile(location);
    if (!file.failure.empty()) {
        return refusal(403, "KeyNotValid", "the key file " + location + " " + file.failure);
    }
    if (file.status != 200) {
        return refusal(403, "KeyNotValid",
                       "the key file " + location + " answered " + std::to_string(file.status));
    }
    std::string held = file.body;
    if (held.rfind("\xEF\xBB\xBF", 0) == 0) {
        held.erase(0, 3);
    }
    if (base::trimmed(held) != announcement.key) {
        return refusal(403, "KeyNotValid", "the key file " + location + " does not hold the key");
    }
    std::lock_guard lock(mutex_);
    return {seenKeys_.insert(announcement.key).second ? 202 : 200, {}};
}

IndexNowEndpoint::KeyFile IndexNowEndpoint::fetchKeyFile(const std::string& location) const {
    KeyFile file;
    file.location = location;
    const auto url = parseUrl(location);
    const bool ours = url && (url->host == "127.0.0.1" || url->host == "localhost") &&
                      ((url->scheme == "http" && url->port == httpPort_) ||
                       (url->scheme == "https" && url->port == httpsPort_));
    if (!ours) {
        // The sandbox never reaches beyond itself.
        file.failure = "is not on this sandbox, so it cannot be fetched";
        return file;
    }
    httplib::Client client(url->scheme + "://127.0.0.1:" + std::to_string(url->port));
    if (url->scheme == "https") {
        client.set_ca_cert_store(tls_.newTrustStore());
        client.enable_server_certificate_verification(true);
    }
    client.set_connection_timeout(settings_.keyFetchTimeout);
    client.set_read_timeout(settings_.keyFetchTimeout);
    client.set_write_timeout(settings_.keyFetchTimeout);
    bool tooLong = false;
    const httplib::Result result =
        client.Get(url->target.c_str(), [&](const char* data, std::size_t length) {
            if (file.body.size() + length > settings_.keyFileLimit) {
                tooLong = true;
                return false;
            }
            file.body.append(data, length);
            return true;
        });
    if (tooLong) {
        file.failure = "is longer than " + std::to_string(settings_.keyFileLimit) + " bytes";
    } else if (!result) {
        file.failure = "could not be fetched: " + httplib::to_string(result.error());
    } else {
        file.status = result->status;
    }
    return file;
}

}  // namespace farrow::sandbox
