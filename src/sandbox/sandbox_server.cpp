#include "sandbox/sandbox_server.h"

#include <sys/socket.h>

#include "sandbox/demo_site.h"
#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

namespace {

// Up to fifteen submissions arrive at once, and the stalling and silent routes each hold a
// thread until their client gives up; the pool leaves room for several runs in a row.
constexpr std::size_t kServerThreads = 48;
constexpr int kBacklog = 64;

std::string labelFor(const std::string& path) {
    for (const TargetRoute& route : targetRoutes()) {
        if (route.path == path) {
            return route.label;
        }
    }
    if (path == kSearchPath) {
        return "search page";
    }
    if (path.rfind(kSitePath, 0) == 0) {
        return "demo site";
    }
    return "no such route";
}

}  // namespace

SandboxServer::SandboxServer(const SandboxSettings& settings, std::ostream& log)
    : settings_(settings), log_(log), mail_(settings.mailPort, settings.mailbox, log_, stop_) {
    http_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    // A keep-alive connection holds its thread this long after the last request; short, so
    // that stopping is quick.
    http_.set_keep_alive_timeout(1);
    // Logged as the request arrives, before its body is read, so that a client that a route
    // holds shows at once.
    http_.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        const std::string length = req.get_header_value("Content-Length");
        log_.line("http " + req.method + " " + req.target +
                  (length.empty() ? "" : " (" + length + " bytes)") + ": " + labelFor(req.path));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    addTargetRoutes(http_, settings_.routes, stop_);
    addDemoSite(http_);

    // The library listens with a backlog of 5; fifteen submissions connecting at once on a busy
    // machine would overflow it, and the dropped connects wait a second for their retry. The
    // listening socket is remembered here and its backlog raised after the bind.
    int listenFd = -1;
    http_.set_socket_options([&listenFd](socket_t sock) {
        httplib::default_socket_options(sock);
        listenFd = sock;
    });
    if (settings.httpPort == 0) {
        httpPort_ = http_.bind_to_any_port("127.0.0.1");
    } else if (http_.bind_to_port("127.0.0.1", settings.httpPort)) {
        httpPort_ = settings.httpPort;
    }
    if (httpPort_ > 0 && listenFd >= 0) {
        ::listen(listenFd, kBacklog);
    }
    if (httpPort_ <= 0) {
        error_ = "cannot listen on 127.0.0.1:" + std::to_string(settings.httpPort);
    } else if (!mail_.valid()) {
        error_ = mail_.error();
    }
}

SandboxServer::~SandboxServer() {
    stop();
}

void SandboxServer::start() {
    if (!valid() || httpThread_.joinable()) {
        return;
    }
    // Already listening since the bind, so no client can come too early.
    httpThread_ = std::jthread([this] {
        http_.listen_after_bind();
        httpEnded_ = true;
    });
    mail_.start();
}

void SandboxServer::stop() {
    stop_.raise();
    if (httpThread_.joinable()) {
        // A stop that comes before the server loop has begun would be lost.
        while (!http_.is_running() && !httpEnded_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        http_.stop();
        httpThread_.join();
    }
}

}  // namespace farrow::sandbox
