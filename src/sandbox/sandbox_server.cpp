#include "sandbox/sandbox_server.h"

#include <sys/socket.h>

#include <cerrno>
#include <optional>

#include "platform/file_system.h"
#include "sandbox/audit_site.h"
#include "sandbox/demo_key.h"
#include "sandbox/demo_site.h"
#include "sandbox/site_robots.h"
#include "sandbox/target_behaviour.h"

namespace farrow::sandbox {

namespace {

// Up to fifteen submissions arrive at once, and the stalling and silent routes each hold a
// thread until their client gives up; the pool leaves room for several runs in a row.
constexpr std::size_t kServerThreads = 48;
constexpr int kBacklog = 64;
// Ten thousand long URLs in one announcement fit; a body beyond is refused with 413.
constexpr std::size_t kMaxBody = 32u << 20;

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
    if (path.rfind(kAuditSitePath, 0) == 0) {
        return "audit demo site";
    }
    if (path == "/" + demoKeyFileName()) {
        return "demo site's key file";
    }
    if (path == kIndexNowPath) {
        return "announcement endpoint";
    }
    if (path == kIndexNowBusyPath) {
        return "announcement endpoint, answers 429";
    }
    return "no such route";
}

// The library's own options add SO_REUSEPORT, with which a second sandbox binds the same port
// as the first and the kernel splits the clients between them. Address reuse alone still lets
// a sandbox start again at once on the port it just left.
void reuseAddressOnly(socket_t sock) {
    const int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace

SandboxServer::SandboxServer(const SandboxSettings& settings, std::ostream& log)
    : settings_(settings),
      log_(log),
      indexNow_(log_, tls_, settings.indexNow),
      mail_(settings.mailPort, settings.mailbox, log_, stop_) {
    if (!tls_.valid()) {
        error_ = tls_.error();
        return;
    }
    std::string accountError;
    std::optional<SandboxAccount> account = makeSandboxAccount(accountError);
    if (!account) {
        error_ = accountError;
        return;
    }
    searchConsole_ =
        std::make_unique<SearchConsoleService>(log_, std::move(*account), settings.searchConsole);
    http_.server = std::make_unique<httplib::Server>();
    https_.server = std::make_unique<httplib::SSLServer>(tls_.certificate(), tls_.key());
    if (!https_.server->is_valid()) {
        error_ = "cannot set up TLS with the sandbox's certificate";
        return;
    }
    serve(http_, "http", settings.httpPort);
    serve(https_, "https", settings.httpsPort);
    indexNow_.setOwnPorts(http_.port, https_.port);
    searchConsole_->setTokenUri(googleTokenUri());
    // The demo profile's site is the account's own; the same site over HTTPS is lent to it
    // with restricted permission, so that a sitemap submitted there is refused.
    searchConsole_->addProperty("http://127.0.0.1:" + std::to_string(http_.port) + "/",
                                "siteOwner");
    searchConsole_->addProperty("https://127.0.0.1:" + std::to_string(https_.port) + "/",
                                "siteRestrictedUser");
    if (!http_.error.empty()) {
        error_ = http_.error;
    } else if (!https_.error.empty()) {
        error_ = https_.error;
    } else if (!mail_.valid()) {
        error_ = mail_.error();
    }
}

std::string SandboxServer::googleTokenUri() const {
    return googleApi() + kGoogleTokenPath;
}

std::string SandboxServer::googleApi() const {
    return "http://127.0.0.1:" + std::to_string(http_.port);
}

SandboxServer::~SandboxServer() {
    stop();
}

// Both servers carry every route, so each can be reached over either scheme; only robots.txt
// differs, naming the sitemap of the demo site read on that side.
void SandboxServer::serve(Listener& listener, const std::string& scheme, int port) {
    httplib::Server& server = *listener.server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    // A keep-alive connection holds its thread this long after the last request; short, so
    // that stopping is quick.
    server.set_keep_alive_timeout(1);
    server.set_payload_max_length(kMaxBody);
    // Logged as the request arrives, before its body is read, so that a client that a route
    // holds shows at once.
    server.set_pre_routing_handler([this, scheme](const httplib::Request& req, httplib::Response&) {
        const std::string length = req.get_header_value("Content-Length");
        log_.line(scheme + " " + req.method + " " + req.target +
                  (length.empty() ? "" : " (" + length + " bytes)") + ": " + labelFor(req.path));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    addTargetRoutes(server, settings_.routes, stop_);
    addDemoSite(server);
    addAuditSite(server, scheme, http_.port);
    addRobotsTxt(server, scheme);
    indexNow_.addRoutes(server);
    searchConsole_->addRoutes(server);

    // The library listens with a backlog of 5; fifteen submissions connecting at once on a busy
    // machine would overflow it, and the dropped connects wait a second for their retry. The
    // listening socket is remembered here and its backlog raised after the bind.
    int listenFd = -1;
    server.set_socket_options([&listenFd](socket_t sock) {
        reuseAddressOnly(sock);
        listenFd = sock;
    });
    errno = 0;
    if (port == 0) {
        listener.port = server.bind_to_any_port("127.0.0.1");
    } else if (server.bind_to_port("127.0.0.1", port)) {
        listener.port = port;
    }
    if (listener.port <= 0) {
        // The library closes the socket whose bind failed, which keeps the bind's errno.
        const int code = errno;
        listener.error = "cannot serve " + scheme + " on 127.0.0.1:" + std::to_string(port) +
                         (code != 0 ? ": " + platform::systemReason(code) : "");
    } else if (listenFd >= 0) {
        ::listen(listenFd, kBacklog);
    }
    server.set_socket_options(reuseAddressOnly);
}

void SandboxServer::start() {
    if (!valid() || http_.thread.joinable()) {
        return;
    }
    startListening(http_);
    startListening(https_);
    mail_.start();
}

void SandboxServer::startListening(Listener& listener) {
    // Already listening since the bind, so no client can come too early.
    listener.thread = std::jthread([&listener] {
        listener.server->listen_after_bind();
        listener.ended = true;
    });
}

void SandboxServer::stop() {
    stop_.raise();
    stopListening(http_);
    stopListening(https_);
}

void SandboxServer::stopListening(Listener& listener) {
    if (!listener.thread.joinable()) {
        return;
    }
    // A stop that comes before the server loop has begun would be lost.
    while (!listener.server->is_running() && !listener.ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    listener.server->stop();
    listener.thread.join();
}

}  // namespace farrow::sandbox
