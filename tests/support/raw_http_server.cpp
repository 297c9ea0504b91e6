#include "support/raw_http_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/scripted_send.h"

namespace farrow::test {

namespace {

std::size_t contentLength(const std::string& head) {
    const std::string name = "\r\nContent-Length:";
    const std::size_t at = head.find(name);
    return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + name.size(), nullptr, 10);
}

}  // namespace

RawHttpServer::RawHttpServer(std::string script, Mode mode)
    : script_(std::move(script)), mode_(mode) {
    listenFd_ = listenOnLoopback(port_);
    thread_ = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer() {
    stopping_ = true;
    thread_.join();
    ::close(listenFd_);
}

std::string RawHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string RawHttpServer::requestHead() const {
    std::lock_guard lock(mutex_);
    return head_;
}

void RawHttpServer::serve() {
    while (waitReadable(listenFd_, stopping_)) {
        const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        if (mode_ == Mode::NeverRead) {
            while (!stopping_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } else {
            answer(client);
        }
        ::close(client);
    }
}

void RawHttpServer::answer(int client) {
    std::string request;
    std::size_t headEnd = std::string::npos;
    char buffer[4096];
    while (headEnd == std::string::npos ||
           request.size() < headEnd + 4 + contentLength(request.substr(0, headEnd))) {
        if (!waitReadable(client, stopping_)) {
            return;
        }
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return;
        }
        request.append(buffer, static_cast<std::size_t>(n));
        headEnd = request.find("\r\n\r\n");
    }
    {
        std::lock_guard lock(mutex_);
        head_ = request.substr(0, headEnd);
    }
    if (mode_ == Mode::DropHead && request.rfind("HEAD ", 0) == 0) {
        return;
    }
    sendScripted(client, script_);
}

}  // namespace farrow::test
