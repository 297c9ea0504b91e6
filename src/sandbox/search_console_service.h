#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sandbox/request_log.h"

namespace farrow::sandbox {

inline constexpr const char* kGoogleTokenPath = "/token";
inline constexpr const char* kGoogleCredentialsName = "google-credentials.json";

// The service account the sandbox makes at start: the key file holds the private half, the
// token endpoint checks signatures with the public one.
struct SandboxAccount {
    std::string clientEmail = "farrowlane-demo@sandbox-project.iam.example";
    std::string privateKeyId;
    std::string privateKeyPem;
    std::string publicKeyPem;
};

// A fresh RSA account; empty, with OpenSSL's words in `error`, when none could be made.
std::optional<SandboxAccount> makeSandboxAccount(std::string& error);

// The account's JSON key file, its token_uri at `tokenUri`.
std::string credentialsJson(const SandboxAccount& account, const std::string& tokenUri);

// Writes the key file readable by its owner alone; false when it cannot be written.
bool writeCredentials(const std::filesystem::path& file, const SandboxAccount& account,
                      const std::string& tokenUri);

struct SearchConsoleSettings {
    // Inspections answered per property before the quota is spent (429).
    std::size_t quota = 2000;
    // How long a token is good for.
    long long tokenSeconds = 3600;
    // Inspections answered per property within any minute before 429.
    std::size_t minuteQuota = 600;
};

// A strict Search Console: the token endpoint checks the form, the assertion's signature, its
// claims and times; the sites, sitemaps and inspection routes want a token it gave out and a
// property the account holds, and are routed on the raw request target so that a path that
// was not encoded is not found. Inspection verdicts follow the demo site's pages; beyond the
// day's quota or the minute's a property's inspections answer 429, as the service's do.
class SearchConsoleService final {
public:
    SearchConsoleService(RequestLog& log, SandboxAccount account,
                         SearchConsoleSettings settings = {});

    // The token endpoint's own address, the assertion's audience; set before the servers start.
    void setTokenUri(const std::string& uri);
    // A property of the account with its permission level ("siteOwner"...).
    void addProperty(const std::string& siteUrl, const std::string& permissionLevel);
    // Every route; the service must outlive `server`.
    void addRoutes(httplib::Server& server);

    // Every token given out is forgotten, as if it had expired.
    void forgetTokens();
    std::size_t tokensIssued() const;
    std::size_t inspections() const;
    const SandboxAccount& account() const { return account_; }

private:
    struct Answer {
        int status = 200;
        std::string body;
    };
    Answer token(const httplib::Request& request);
    Answer api(const httplib::Request& request);
    Answer inspect(const httplib::Request& request);
    // The 401 for a request whose bearer token was not given out or has expired; empty when
    // the token is good.
    std::optional<Answer> refuseToken(const httplib::Request& request);

    RequestLog& log_;
    SandboxAccount account_;
    SearchConsoleSettings settings_;
    std::string tokenUri_;
    std::map<std::string, std::string> properties_;

    struct Sitemap {
        std::string path;
        std::string submitted;
    };
    mutable std::mutex mutex_;
    // Token to its expiry (seconds since the epoch).
    std::map<std::string, long long> tokens_;
    std::map<std::string, std::vector<Sitemap>> sitemaps_;
    std::map<std::string, std::size_t> inspected_;
    // When each inspection of the last minute was answered, per property, oldest first.
    std::map<std::string, std::deque<std::chrono::steady_clock::time_point>> lastMinute_;
    std::size_t issued_ = 0;
    std::size_t inspections_ = 0;
};

}  // namespace farrow::sandbox
