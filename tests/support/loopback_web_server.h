#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

#include "support/test_certificate.h"

namespace farrow::test {

// An HTTP or HTTPS server on 127.0.0.1 at a free port, serving on a thread of its own until the
// object goes. Add the handlers through `routes()` before `start()`.
class LoopbackWebServer final {
public:
    // Plain HTTP.
    LoopbackWebServer();
    // HTTPS with the given certificate.
    explicit LoopbackWebServer(const TestCertificate& certificate);
    ~LoopbackWebServer();
    LoopbackWebServer(const LoopbackWebServer&) = delete;
    LoopbackWebServer& operator=(const LoopbackWebServer&) = delete;

    httplib::Server& routes() { return *server_; }
    void start();
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path, or https.
    std::string url(const std::string& path) const;
    // "127.0.0.1:PORT".
    std::string hostPort() const;

private:
    std::unique_ptr<httplib::Server> server_;
    bool tls_ = false;
    int port_ = -1;
    std::thread thread_;
};

}  // namespace farrow::test
