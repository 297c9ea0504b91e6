#include "support/loopback_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace farrow::test {

namespace {

int bindLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("cannot bind a loopback port");
    }
    port = ntohs(addr.sin_port);
    return fd;
}

}  // namespace

LoopbackListener::LoopbackListener() {
    fd_ = bindLoopback(port_);
    if (::listen(fd_, 16) != 0) {
        throw std::runtime_error("cannot listen on a loopback port");
    }
}

LoopbackListener::~LoopbackListener() {
    ::close(fd_);
}

int LoopbackListener::drainConnections() {
    int count = 0;
    for (;;) {
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            return count;
        }
        ::close(client);
        ++count;
    }
}

int closedLoopbackPort() {
    int port = 0;
    ::close(bindLoopback(port));
    return port;
}

}  // namespace farrow::test
