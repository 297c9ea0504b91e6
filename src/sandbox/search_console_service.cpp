#include "sandbox/search_console_service.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>

#include "sandbox/audit_site.h"
#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

namespace {

constexpr const char* kGrantType = "urn:ietf:params:oauth:grant-type:jwt-bearer";
constexpr const char* kScope = "https://www.googleapis.com/auth/webmasters";
// How far the assertion's issue time may lie from the sandbox's clock.
constexpr long long kClockSkewSeconds = 300;

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

long long nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string rfc3339Now() {
    const std::time_t t = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string randomHex(std::size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    RAND_bytes(raw.data(), static_cast<int>(raw.size()));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : raw) {
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

std::optional<std::string> base64UrlDecode(std::string_view text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (const char c : text) {
        int v = -1;
        if (c >= 'A' && c <= 'Z') {
            v = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            v = c - '0' + 52;
        } else if (c == '-') {
            v = 62;
        } else if (c == '_') {
            v = 63;
        } else {
            // Padding and the standard alphabet are no base64url of a JWT.
            return std::nullopt;
        }
        value = (value << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xff);
        }
    }
    return out;
}

std::string percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(text[i + 1]) &&
            std::isxdigit(text[i + 2])) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else if (plusIsSpace && text[i] == '+') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

std::map<std::string, std::string> formFields(const std::string& body) {
    std::map<std::string, std::string> fields;
    std::size_t begin = 0;
    while (begin <= body.size()) {
        std::size_t end = body.find('&', begin);
        if (end == std::string::npos) {
            end = body.size();
        }
        const std::string_view item(body.data() + begin, end - begin);
        const std::size_t equals = item.find('=');
        if (equals != std::string_view::npos) {
            fields[percentDecode(item.substr(0, equals), true)] =
                percentDecode(item.substr(equals + 1), true);
        }
        begin = end + 1;
    }
    return fields;
}

std::string apiError(int code, const std::string& message, const char* status) {
    return nlohmann::json{{"error", {{"code", code}, {"message", message}, {"status", status}}}}
        .dump();
}

std::string grantError(const std::string& error, const std::string& description) {
    return nlohmann::json{{"error", error}, {"error_description", description}}.dump();
}

bool signatureHolds(const std::string& publicPem, const std::string& input,
                    const std::string& signature) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(publicPem.data(), static_cast<int>(publicPem.size())), &BIO_free);
    Key key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr,
            &EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    return key && ctx &&
           EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
           EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(), reinterpret_cast<const unsigned char*>(input.data()),
                            input.size()) == 1;
}

// The host of an absolute URL, without its port, lower-cased.
std::string hostOf(const std::string& url) {
    const std::size_t start = url.find("://");
    if (start == std::string::npos) {
        return {};
    }
    std::string host = url.substr(start + 3, url.find_first_of("/?#", start + 3) - start - 3);
    host = host.substr(0, host.rfind(':') == std::string::npos ? host.size() : host.rfind(':'));
    for (char& c : host) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return host;
}

bool propertyCovers(const std::string& property, const std::string& url) {
    constexpr std::string_view kDomain = "sc-domain:";
    if (property.starts_with(kDomain)) {
        const std::string domain = property.substr(kDomain.size());
        const std::string host = hostOf(url);
        return host == domain || host.ends_with("." + domain);
    }
    return url.starts_with(property);
}

struct Verdict {
    const char* folder;
    const char* page;
    const char* verdict;
    const char* coverage;
    const char* robots;
    const char* fetch;
    const char* indexing;
};

// What the index holds of each demo page, the bakery's and the chandlery's; another URL is
// unknown.
constexpr Verdict kVerdicts[] = {
    {kSitePath, "index.htm", "PASS", "Submitted and indexed", "ALLOWED", "SUCCESSFUL",
     "INDEXING_ALLOWED"},
    {kSitePath, "breads.htm", "PASS", "Submitted and indexed", "ALLOWED", "SUCCESSFUL",
     "INDEXING_ALLOWED"},
    {kSitePath, "cakes.htm", "NEUTRAL", "Discovered - currently not indexed", "ALLOWED", nullptr,
     nullptr},
    {kSitePath, "ring/east.htm", "NEUTRAL", "Excluded by 'noindex' tag", "ALLOWED", "SUCCESSFUL",
     "BLOCKED_BY_META_TAG"},
    {kSitePath, "ring/west.htm", "NEUTRAL", "Blocked by robots.txt", "DISALLOWED",
     "BLOCKED_ROBOTS_TXT", nullptr},
    {kSitePath, "old-offers.htm", "FAIL", "Not found (404)", "ALLOWED", "NOT_FOUND",
     "INDEXING_ALLOWED"},
    {kAuditSitePath, "index.htm", "PASS", "Submitted and indexed", "ALLOWED", "SUCCESSFUL",
     "INDEXING_ALLOWED"},
    {kAuditSitePath, "ropes.htm", "PASS", "Submitted and indexed", "ALLOWED", "SUCCESSFUL",
     "INDEXING_ALLOWED"},
    {kAuditSitePath, "sails.htm", "NEUTRAL", "Duplicate without user-selected canonical", "ALLOWED",
     "SUCCESSFUL", "INDEXING_ALLOWED"},
    {kAuditSitePath, "charts.htm", "NEUTRAL", "Crawled - currently not indexed", "ALLOWED",
     "SUCCESSFUL", "INDEXING_ALLOWED"},
    {kAuditSitePath, "clearance.htm", "NEUTRAL", "Excluded by 'noindex' tag", "ALLOWED",
     "SUCCESSFUL", "BLOCKED_BY_META_TAG"},
};

// The page below `folder` that `url` names, "index.htm" for the folder itself; empty when it is
// not in the folder.
std::string pageBelow(const std::string& url, const std::string& folder) {
    const std::size_t at = url.find(folder);
    if (at == std::string::npos) {
        return {};
    }
    const std::string page = url.substr(at + folder.size());
    return page.empty() ? "index.htm" : page;
}

nlohmann::json inspectionOf(const std::string& url) {
    nlohmann::json status{{"verdict", "NEUTRAL"}, {"coverageState", "URL is unknown to Google"}};
    for (const Verdict& v : kVerdicts) {
        if (pageBelow(url, v.folder) == v.page) {
            status = {{"verdict", v.verdict},
                      {"coverageState", v.coverage},
                      {"robotsTxtState", v.robots}};
            if (v.fetch) {
                status["pageFetchState"] = v.fetch;
                status["lastCrawlTime"] = rfc3339Now();
                status["crawledAs"] = "MOBILE";
            }
            if (v.indexing) {
                status["indexingState"] = v.indexing;
            }
            if (std::string(v.verdict) == "PASS") {
                status["googleCanonical"] = url;
                status["userCanonical"] = url;
            }
        }
    }
    return {{"inspectionResult",
             {{"inspectionResultLink", "https://search.example/inspect?id=" + randomHex(4)},
              {"indexStatusResult", status}}}};
}

}  // namespace

std::optional<SandboxAccount> makeSandboxAccount(std::string& error) {
    Key key(EVP_RSA_gen(2048), &EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> priv(BIO_new(BIO_s_mem()), &BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> pub(BIO_new(BIO_s_mem()), &BIO_free);
    if (!key || !priv || !pub ||
        PEM_write_bio_PrivateKey(priv.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) !=
            1 ||
        PEM_write_bio_PUBKEY(pub.get(), key.get()) != 1) {
        error = "cannot make the sandbox's service account key";
        return std::nullopt;
    }
    const auto text = [](BIO* bio) {
        char* data = nullptr;
        const long n = BIO_get_mem_data(bio, &data);
        return std::string(data, static_cast<std::size_t>(n));
    };
    SandboxAccount account;
    account.privateKeyId = randomHex(20);
    account.privateKeyPem = text(priv.get());
    account.publicKeyPem = text(pub.get());
    return account;
}

std::string credentialsJson(const SandboxAccount& account, const std::string& tokenUri) {
    return nlohmann::ordered_json{{"type", "service_account"},
                                  {"project_id", "sandbox-project"},
                                  {"private_key_id", account.privateKeyId},
                                  {"private_key", account.privateKeyPem},
                                  {"client_email", account.clientEmail},
                                  {"client_id", "100000000000000000001"},
                                  {"token_uri", tokenUri}}
               .dump(2) +
           "\n";
}

bool writeCredentials(const std::filesystem::path& file, const SandboxAccount& account,
                      const std::string& tokenUri) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    {
        // Made empty and private first, so the key is never readable by others.
        std::ofstream touch(file, std::ios::binary);
        if (!touch) {
            return false;
        }
    }
    if (::chmod(file.c_str(), S_IRUSR | S_IWUSR) != 0) {
        return false;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << credentialsJson(account, tokenUri);
    return static_cast<bool>(out.flush());
}

SearchConsoleService::SearchConsoleService(RequestLog& log, SandboxAccount account,
                                           SearchConsoleSettings settings)
    : log_(log), account_(std::move(account)), settings_(settings) {}

void SearchConsoleService::setTokenUri(const std::string& uri) {
    const std::lock_guard lock(mutex_);
    tokenUri_ = uri;
}

void SearchConsoleService::addProperty(const std::string& siteUrl,
                                       const std::string& permissionLevel) {
    properties_[siteUrl] = permissionLevel;
}

void SearchConsoleService::forgetTokens() {
    const std::lock_guard lock(mutex_);
    tokens_.clear();
}

std::size_t SearchConsoleService::tokensIssued() const {
    const std::lock_guard lock(mutex_);
    return issued_;
}

std::size_t SearchConsoleService::inspections() const {
    const std::lock_guard lock(mutex_);
    return inspections_;
}

void SearchConsoleService::addRoutes(httplib::Server& server) {
    const auto reply = [](httplib::Response& res, const Answer& a) {
        res.status = a.status;
        if (!a.body.empty()) {
            res.set_content(a.body, "application/json; charset=UTF-8");
        }
    };
    server.Post(kGoogleTokenPath,
                [this, reply](const httplib::Request& req, httplib::Response& res) {
                    reply(res, token(req));
                });
    const auto apiRoute = [this, reply](const httplib::Request& req, httplib::Response& res) {
        reply(res, api(req));
    };
    server.Get(R"(/webmasters/v3/.*)", apiRoute);
    server.Put(R"(/webmasters/v3/.*)", apiRoute);
    server.Post(R"(/v1/urlInspection/index:inspect)",
                [this, reply](const httplib::Request& req, httplib::Response& res) {
                    reply(res, inspect(req));
                });
}

SearchConsoleService::Answer SearchConsoleService::token(const httplib::Request& request) {
    if (!request.get_header_value("Content-Type")
             .starts_with("application/x-www-form-urlencoded")) {
        return {400, grantError("invalid_request", "the grant must be a form")};
    }
    std::map<std::string, std::string> form = formFields(request.body);
    if (form["grant_type"] != kGrantType) {
        return {400,
                grantError("unsupported_grant_type", "Invalid grant_type: " + form["grant_type"])};
    }
    const std::string& assertion = form["assertion"];
    const std::size_t dot1 = assertion.find('.');
    const std::size_t dot2 = dot1 == std::string::npos ? dot1 : assertion.find('.', dot1 + 1);
    if (dot2 == std::string::npos) {
        return {400, grantError("invalid_grant",
                                "Invalid JWT: Token must be a short-lived token "
                                "and in a reasonable timeframe")};
    }
    const auto header = base64UrlDecode(std::string_view(assertion).substr(0, dot1));
    const auto claims =
        base64UrlDecode(std::string_view(assertion).substr(dot1 + 1, dot2 - dot1 - 1));
    const auto signature = base64UrlDecode(std::string_view(assertion).substr(dot2 + 1));
    const nlohmann::json h =
        header ? nlohmann::json::parse(*header, nullptr, false) : nlohmann::json();
    const nlohmann::json c =
        claims ? nlohmann::json::parse(*claims, nullptr, false) : nlohmann::json();
    if (!h.is_object() || !c.is_object() || !signature) {
        return {400, grantError("invalid_grant", "Invalid JWT: the parts are no base64url JSON")};
    }
    if (h.value("alg", "") != "RS256" || h.value("typ", "") != "JWT" ||
        h.value("kid", "") != account_.privateKeyId) {
        return {400, grantError("invalid_grant", "Invalid JWT header")};
    }
    if (!signatureHolds(account_.publicKeyPem, assertion.substr(0, dot2), *signature)) {
        return {400, grantError("invalid_grant", "Invalid JWT Signature.")};
    }
    if (c.value("iss", "") != account_.clientEmail) {
        return {400, grantError("invalid_grant", "Invalid email or User ID")};
    }
    std::string audience;
    {
        const std::lock_guard lock(mutex_);
        audience = tokenUri_;
    }
    if (c.value("aud", "") != audience || c.value("scope", "") != kScope) {
        return {400, grantError("invalid_grant", "Invalid JWT: the audience or scope is wrong")};
    }
    const long long now = nowSeconds();
    const long long iat =
        c.contains("iat") && c["iat"].is_number_integer() ? c["iat"].get<long long>() : 0;
    const long long exp =
        c.contains("exp") && c["exp"].is_number_integer() ? c["exp"].get<long long>() : 0;
    if (iat > now + kClockSkewSeconds || iat < now - kClockSkewSeconds || exp <= now ||
        exp - iat > 3600) {
        return {400, grantError("invalid_grant",
                                "Invalid JWT: Token must be a short-lived token "
                                "(60 minutes) and in a reasonable timeframe. "
                                "Check your iat and exp values")};
    }
    const std::string token = "ya29.sandbox-" + randomHex(16);
    {
        const std::lock_guard lock(mutex_);
        tokens_[token] = now + settings_.tokenSeconds;
        ++issued_;
    }
    log_.line("search console: token issued to " + account_.clientEmail);
    return {200, nlohmann::json{{"access_token", token},
                                {"expires_in", settings_.tokenSeconds},
                                {"token_type", "Bearer"}}
                     .dump()};
}

std::optional<SearchConsoleService::Answer> SearchConsoleService::refuseToken(
    const httplib::Request& request) {
    const std::string authorization = request.get_header_value("Authorization");
    constexpr std::string_view kBearer = "Bearer ";
    const std::lock_guard lock(mutex_);
    if (authorization.starts_with(kBearer)) {
        const auto it = tokens_.find(authorization.substr(kBearer.size()));
        if (it != tokens_.end() && it->second > nowSeconds()) {
            return std::nullopt;
        }
    }
    return Answer{401, apiError(401,
                                "Request had invalid authentication credentials. Expected OAuth "
                                "2 access token.",
                                "UNAUTHENTICATED")};
}

SearchConsoleService::Answer SearchConsoleService::api(const httplib::Request& request) {
    if (auto refused = refuseToken(request)) {
        return *refused;
    }
    // The raw target: a site or feed sent without its slashes encoded has more segments.
    std::string target = request.target.substr(0, request.target.find('?'));
    std::vector<std::string> segments;
    for (std::size_t begin = 1; begin <= target.size();) {
        const std::size_t end = std::min(target.find('/', begin), target.size());
        segments.push_back(target.substr(begin, end - begin));
        begin = end + 1;
    }
    const auto notFound = [] {
        return Answer{404, apiError(404, "Requested entity was not found.", "NOT_FOUND")};
    };
    if (segments.size() == 3 && request.method == "GET" && segments[2] == "sites") {
        nlohmann::json entries = nlohmann::json::array();
        for (const auto& [site, level] : properties_) {
            entries.push_back({{"siteUrl", site}, {"permissionLevel", level}});
        }
        return {200, nlohmann::json{{"siteEntry", entries}}.dump()};
    }
    if (segments.size() < 5 || segments[2] != "sites" || segments[4] != "sitemaps") {
        return notFound();
    }
    const std::string site = percentDecode(segments[3], false);
    const auto property = properties_.find(site);
    if (property == properties_.end() || property->second == "siteUnverifiedUser") {
        return {403, apiError(403,
                              "User does not have sufficient permission for site '" + site +
                                  "'. See also: https://support.example/answer/2451999.",
                              "PERMISSION_DENIED")};
    }
    if (segments.size() == 5 && request.method == "GET") {
        nlohmann::json list = nlohmann::json::array();
        const std::lock_guard lock(mutex_);
        for (const Sitemap& s : sitemaps_[site]) {
            list.push_back({{"path", s.path},
                            {"lastSubmitted", s.submitted},
                            {"isPending", false},
                            {"isSitemapsIndex", false},
                            {"lastDownloaded", s.submitted},
                            {"warnings", "0"},
                            {"errors", "0"},
                            {"contents",
                             {{{"type", "web"},
                               {"submitted", std::to_string(std::size(kVerdicts))},
                               {"indexed", "0"}}}}});
        }
        return {200, list.empty() ? "{}" : nlohmann::json{{"sitemap", list}}.dump()};
    }
    if (segments.size() == 6 && request.method == "PUT") {
        const std::string feed = percentDecode(segments[5], false);
        if (property->second != "siteOwner" && property->second != "siteFullUser") {
            return {
                403,
                apiError(403, "User does not have sufficient permission for site '" + site + "'.",
                         "PERMISSION_DENIED")};
        }
        if (!propertyCovers(site, feed)) {
            return {403, apiError(403, "The sitemap " + feed + " is not in the property.",
                                  "PERMISSION_DENIED")};
        }
        const std::lock_guard lock(mutex_);
        std::vector<Sitemap>& list = sitemaps_[site];
        std::erase_if(list, [&feed](const Sitemap& s) { return s.path == feed; });
        list.push_back({feed, rfc3339Now()});
        return {204, {}};
    }
    return notFound();
}

SearchConsoleService::Answer SearchConsoleService::inspect(const httplib::Request& request) {
    if (auto refused = refuseToken(request)) {
        return *refused;
    }
    const nlohmann::json body = nlohmann::json::parse(request.body, nullptr, false);
    if (!body.is_object() || !body.contains("inspectionUrl") || !body.contains("siteUrl") ||
        !body["inspectionUrl"].is_string() || !body["siteUrl"].is_string()) {
        return {400, apiError(400, "Invalid JSON payload received.", "INVALID_ARGUMENT")};
    }
    const std::string url = body["inspectionUrl"];
    const std::string site = body["siteUrl"];
    const auto property = properties_.find(site);
    if (property == properties_.end() || property->second == "siteUnverifiedUser") {
        return {403, apiError(403,
                              "You do not own this site, or the inspected URL is not part "
                              "of this property.",
                              "PERMISSION_DENIED")};
    }
    if (!propertyCovers(site, url)) {
        return {403, apiError(403,
                              "You do not own this site, or the inspected URL is not part "
                              "of this property.",
                              "PERMISSION_DENIED")};
    }
    {
        const std::lock_guard lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        std::deque<std::chrono::steady_clock::time_point>& minute = lastMinute_[site];
        while (!minute.empty() && now - minute.front() >= std::chrono::minutes(1)) {
            minute.pop_front();
        }
        if (inspected_[site] >= settings_.quota) {
            return {429, apiError(429,
                                  "Quota exceeded for quota metric 'URL inspections' of "
                                  "the property.",
                                  "RESOURCE_EXHAUSTED")};
        }
        if (minute.size() >= settings_.minuteQuota) {
            return {429, apiError(429,
                                  "Quota exceeded for quota metric 'URL inspections per "
                                  "minute' of the property.",
                                  "RESOURCE_EXHAUSTED")};
        }
        minute.push_back(now);
        ++inspected_[site];
        ++inspections_;
    }
    return {200, inspectionOf(url).dump()};
}

}  // namespace farrow::sandbox
