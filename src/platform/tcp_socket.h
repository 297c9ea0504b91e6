#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/transfer_error.h"

namespace farrow::platform {

// A connected TCP stream socket, closed when the holder goes. Move-only. Every operation waits
// at most until the deadline it is given, so a caller can bound a whole conversation.
class TcpSocket final {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves `host` and connects to the first of its addresses that accepts before
    // `deadline`. An invalid socket when the name does not resolve or no address could be
    // reached; `error` then says why.
    static TcpSocket connectTo(const std::string& host, int port, Deadline deadline,
                               TransferError& error);

    bool valid() const { return fd_ >= 0; }
    // Sends every byte (a peer that has gone raises no signal).
    TransferError sendAll(std::string_view bytes, Deadline deadline);
    // One receive of at most `size` bytes once some have arrived; `count` is 0 when the peer
    // closed the connection.
    TransferError receiveSome(char* buffer, std::size_t size, Deadline deadline,
                              std::size_t& count);
    void close();

private:
    friend class TcpListener;
    explicit TcpSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// The name of this machine, or "localhost" when it has none.
std::string localHostName();

}  // namespace farrow::platform
