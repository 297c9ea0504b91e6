#pragma once

#include "platform/tcp_socket.h"
#include "platform/transfer_error.h"

namespace farrow::platform {

// A TCP socket listening on 127.0.0.1, closed when the holder goes. Move-only.
class TcpListener final {
public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(TcpListener&& other) noexcept;
    TcpListener& operator=(TcpListener&& other) noexcept;
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Listens on 127.0.0.1 at `port` (0: a free port the system picks). An invalid listener
    // when the port cannot be bound; `error` then says why.
    static TcpListener onLoopback(int port, TransferError& error);

    bool valid() const { return fd_ >= 0; }
    // The port actually bound.
    int port() const { return port_; }
    // The next connection that arrives before `deadline`; an invalid socket when none came
    // (`error` then says whether the wait ran out or the listener failed).
    TcpSocket acceptOne(TcpSocket::Deadline deadline, TransferError& error);

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace farrow::platform
