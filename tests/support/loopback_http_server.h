#pragma once

#include <httplib.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

#include "support/test_certificate.h"

namespace farrow::test {

// An HTTP or HTTPS server on 127.0.0.1 at a free port, serving on a thread of its own until the
// object goes. Add the handlers through `routes()` before `start()`.
class LoopbackHttpServer final {
public:
    // Plain HTTP.
    LoopbackHttpServer();
    // HTTPS with the given certificate.
    explicit LoopbackHttpServer(const TestCertificate& certificate);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    httplib::Server& routes() { return *server_; }
    void start();
    // Ends the serving thread; an owner whose handlers use its other members stops it first.
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path, or https.
    std::string url(const std::string& path) const;
    // "127.0.0.1:PORT".
    std::string hostPort() const;
    // TLS handshakes begun, whether they passed or not (HTTPS only): a client that gave up at
    // the certificate reaches no handler, and this counts its tries.
    std::size_t tlsHandshakes() const { return handshakes_.load(); }

private:
    void tune();

    std::unique_ptr<httplib::Server> server_;
    bool tls_ = false;
    int port_ = -1;
    std::thread thread_;
    // The listening socket, whose backlog is raised after the bind.
    int listenFd_ = -1;
    std::atomic<std::size_t> handshakes_{0};
};

}  // namespace farrow::test
