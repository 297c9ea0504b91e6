#include "platform/tcp_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file_system.h"

namespace farrow::platform {

TcpListener::~TcpListener() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

TcpListener::TcpListener(TcpListener&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), port_(std::exchange(other.port_, 0)) {}

TcpListener& TcpListener::operator=(TcpListener&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        port_ = std::exchange(other.port_, 0);
    }
    return *this;
}

TcpListener TcpListener::onLoopback(int port, TransferError& error) {
    TcpListener listener;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        error = {TransferErrorCode::ConnectFailed, systemReason(errno)};
        return listener;
    }
    listener.fd_ = fd;
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = {TransferErrorCode::ConnectFailed, systemReason(errno)};
        return TcpListener{};
    }
    listener.port_ = ntohs(address.sin_port);
    error = {};
    return listener;
}

TcpSocket TcpListener::acceptOne(TcpSocket::Deadline deadline, TransferError& error) {
    for (;;) {
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            error = {};
            return TcpSocket(fd);
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = {TransferErrorCode::ReceiveFailed, systemReason(errno)};
            return {};
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            error = {TransferErrorCode::TimedOut, "no connection arrived"};
            return {};
        }
        pollfd p{fd_, POLLIN, 0};
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        if (::poll(&p, 1, static_cast<int>(ms)) < 0 && errno != EINTR) {
            error = {TransferErrorCode::ReceiveFailed, systemReason(errno)};
            return {};
        }
    }
}

}  // namespace farrow::platform
