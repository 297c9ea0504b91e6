#pragma once

#include <httplib.h>

#include <string>
#include <thread>

namespace farrow::test {

// An HTTP server on 127.0.0.1 at a free port, serving on a thread of its own until the object
// goes. Add the handlers through `routes()` before `start()`.
class LoopbackHttpServer final {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    httplib::Server& routes() { return server_; }
    void start();

    int port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    std::string url(const std::string& path) const;

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
    // The listening socket, whose backlog is raised after the bind.
    int listenFd_ = -1;
};

}  // namespace farrow::test
