#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/loopback_http_server.h"

namespace farrow::test {

// A fake IndexNow engine: a loopback endpoint at "/indexnow" that writes down every request and
// answers with a scripted status (and headers and body) per request, the last answer repeating.
class FakeIndexNowEngine final {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers;
    };
    struct Seen {
        std::string method;
        std::string contentType;
        std::string body;
        // For a GET: the query's url, key and keyLocation values.
        std::string url, key, keyLocation;
        // For a POST: the number of URLs in urlList (-1 when the body is no such JSON).
        long urlCount = -1;
    };

    // Over HTTP, or HTTPS with `certificate`.
    explicit FakeIndexNowEngine(std::vector<Answer> answers = {{200, {}, {}}},
                                const TestCertificate* certificate = nullptr);
    ~FakeIndexNowEngine();

    std::string url() const { return server_->url("/indexnow"); }
    std::vector<Seen> seen() const;
    std::size_t count() const;

    // From now on, requests from the `n`th on (counted from 1) are held until `release()` or
    // the endpoint goes.
    void holdFrom(std::size_t n);
    void release();

private:
    std::unique_ptr<LoopbackHttpServer> server_;
    std::vector<Answer> answers_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::vector<Seen> seen_;
    std::size_t holdFrom_ = 0;
    bool releasedAll_ = false;
};

}  // namespace farrow::test
