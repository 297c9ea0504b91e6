#include "platform/tcp_socket.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

#include "platform/file_system.h"

namespace farrow::platform {

namespace {

using Clock = std::chrono::steady_clock;

struct AddrInfoDeleter {
    void operator()(addrinfo* a) const { ::freeaddrinfo(a); }
};

enum class Wait { Ready, TimedOut, Failed };

// Waits until `fd` is ready for `events` or the deadline has passed.
Wait waitFor(int fd, short events, TcpSocket::Deadline deadline) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return Wait::TimedOut;
        }
        // Rounded up, so that the wait never ends just before the deadline.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(ms));
        if (rc > 0) {
            return Wait::Ready;
        }
        if (rc < 0 && errno != EINTR) {
            return Wait::Failed;
        }
    }
}

TransferError timedOut(const char* what) {
    return {TransferErrorCode::TimedOut, std::string("timed out while ") + what};
}

}  // namespace

TcpSocket::~TcpSocket() {
    close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void TcpSocket::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

TcpSocket TcpSocket::connectTo(const std::string& host, int port, Deadline deadline,
                               TransferError& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = {TransferErrorCode::NameNotResolved, ::gai_strerror(rc)};
        return {};
    }
    std::unique_ptr<addrinfo, AddrInfoDeleter> addresses(found);
    error = {TransferErrorCode::ConnectFailed, "no address"};
    // All addresses together share the time to the deadline, so a host with several
    // unreachable ones cannot hold the caller several times as long.
    for (const addrinfo* a = addresses.get(); a; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            error = {TransferErrorCode::ConnectFailed, systemReason(errno)};
            continue;
        }
        TcpSocket socket(fd);
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            return socket;
        }
        if (errno != EINPROGRESS) {
            error = {TransferErrorCode::ConnectFailed, systemReason(errno)};
            continue;
        }
        const Wait wait = waitFor(fd, POLLOUT, deadline);
        if (wait == Wait::TimedOut) {
            error = timedOut("connecting");
            break;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (wait == Wait::Failed || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) {
            error = {TransferErrorCode::ConnectFailed, systemReason(errno)};
            continue;
        }
        if (soError == 0) {
            error = {};
            return socket;
        }
        error = {TransferErrorCode::ConnectFailed, systemReason(soError)};
    }
    return {};
}

TransferError TcpSocket::sendAll(std::string_view bytes, Deadline deadline) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return {TransferErrorCode::SendFailed, systemReason(errno)};
        }
        const Wait wait = waitFor(fd_, POLLOUT, deadline);
        if (wait == Wait::TimedOut) {
            return timedOut("sending");
        }
        if (wait == Wait::Failed) {
            return {TransferErrorCode::SendFailed, systemReason(errno)};
        }
    }
    return {};
}

TransferError TcpSocket::receiveSome(char* buffer, std::size_t size, Deadline deadline,
                                     std::size_t& count) {
    count = 0;
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, size, MSG_DONTWAIT);
        if (n >= 0) {
            count = static_cast<std::size_t>(n);
            return {};
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return {TransferErrorCode::ReceiveFailed, systemReason(errno)};
        }
        const Wait wait = waitFor(fd_, POLLIN, deadline);
        if (wait == Wait::TimedOut) {
            return timedOut("waiting for an answer");
        }
        if (wait == Wait::Failed) {
            return {TransferErrorCode::ReceiveFailed, systemReason(errno)};
        }
    }
}

std::string localHostName() {
    char name[512] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

}  // namespace farrow::platform
