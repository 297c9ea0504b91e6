#include "support/loopback_http_server.h"

#include <openssl/ssl.h>
#include <sys/socket.h>

#include <chrono>
#include <stdexcept>

namespace farrow::test {

namespace {

// Enough workers that the program's fifteen exchanges at once are all served at once.
constexpr std::size_t kServerThreads = 24;
// The library listens with a backlog of 5; fifteen exchanges connecting at once on a loaded
// machine would overflow it, and a dropped connect waits a second for its retry.
constexpr int kBacklog = 64;

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() : server_(std::make_unique<httplib::Server>()) {
    tune();
}

LoopbackHttpServer::LoopbackHttpServer(const TestCertificate& certificate)
    : server_(std::make_unique<httplib::SSLServer>(certificate.certFile.c_str(),
                                                   certificate.keyFile.c_str())),
      tls_(true) {
    if (!server_->is_valid()) {
        throw std::runtime_error("the test certificate was refused");
    }
    SSL_CTX* context = static_cast<httplib::SSLServer&>(*server_).ssl_context();
    SSL_CTX_set_app_data(context, this);
    SSL_CTX_set_info_callback(context, [](const SSL* ssl, int where, int) {
        if ((where & SSL_CB_HANDSHAKE_START) != 0) {
            auto* self =
                static_cast<LoopbackHttpServer*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
            ++self->handshakes_;
        }
    });
    tune();
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop();
}

void LoopbackHttpServer::tune() {
    server_->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    server_->set_socket_options([this](socket_t sock) {
        httplib::default_socket_options(sock);
        listenFd_ = sock;
    });
}

void LoopbackHttpServer::start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("cannot bind a loopback port");
    }
    ::listen(listenFd_, kBacklog);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // Connections queue from the bind on, but a stop before the loop runs would be missed.
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void LoopbackHttpServer::stop() {
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string LoopbackHttpServer::url(const std::string& path) const {
    return (tls_ ? "https://" : "http://") + hostPort() + path;
}

std::string LoopbackHttpServer::hostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace farrow::test
