#include "support/loopback_web_server.h"

#include <chrono>
#include <stdexcept>

namespace farrow::test {

LoopbackWebServer::LoopbackWebServer() : server_(std::make_unique<httplib::Server>()) {}

LoopbackWebServer::LoopbackWebServer(const TestCertificate& certificate)
    : server_(std::make_unique<httplib::SSLServer>(certificate.certFile.c_str(),
                                                   certificate.keyFile.c_str())),
      tls_(true) {
    if (!server_->is_valid()) {
        throw std::runtime_error("the test certificate was refused");
    }
}

LoopbackWebServer::~LoopbackWebServer() {
    stop();
}

void LoopbackWebServer::start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        throw std::runtime_error("cannot bind a loopback port");
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void LoopbackWebServer::stop() {
    server_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string LoopbackWebServer::url(const std::string& path) const {
    return (tls_ ? "https://" : "http://") + hostPort() + path;
}

std::string LoopbackWebServer::hostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

}  // namespace farrow::test
