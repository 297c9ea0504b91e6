#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>

#include "sandbox/request_log.h"
#include "sandbox/tls_identity.h"

namespace farrow::sandbox {

// A strict announcement endpoint in the manner of the engines that take URL pings as JSON.
inline constexpr const char* kIndexNowPath = "/indexnow";
// Always too busy: answers 429 with "Retry-After: 1", so that a client moves on to the next.
inline constexpr const char* kIndexNowBusyPath = "/indexnow-busy";

struct IndexNowSettings {
    std::size_t maxUrls = 10000;
    // The key file is fetched with these bounds; a longer file is refused.
    std::chrono::milliseconds keyFetchTimeout{5000};
    std::size_t keyFileLimit = 64 * 1024;
};

// What the endpoint answers: the status and, for the refusals, a one-line JSON reason.
struct IndexNowAnswer {
    int status = 0;
    std::string body;
};

// Checks the method, the content type, the JSON, the key's form, that every URL belongs to the
// host (and to the key file's folder), and fetches the key file as the engines do: only from
// the sandbox's own ports, so nothing leaves the machine. A key whose file holds it is answered
// 202 the first time it is seen and 200 after.
class IndexNowEndpoint final {
public:
    IndexNowEndpoint(RequestLog& log, const TlsIdentity& tls, IndexNowSettings settings = {});

    // The only places key files are fetched from; set before the servers start.
    void setOwnPorts(int httpPort, int httpsPort);
    // Both routes, for every method; the endpoint must outlive `server`.
    void addRoutes(httplib::Server& server);

    IndexNowAnswer answer(const httplib::Request& request);

private:
    struct Announcement;
    struct KeyFile;

    IndexNowAnswer check(const Announcement& announcement);
    KeyFile fetchKeyFile(const std::string& location) const;

    RequestLog& log_;
    const TlsIdentity& tls_;
    IndexNowSettings settings_;
    std::atomic<int> httpPort_{0};
    std::atomic<int> httpsPort_{0};
    std::mutex mutex_;
    std::set<std::string> seenKeys_;
};

}  // namespace farrow::sandbox
