#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace farrow::platform {

// A connected TCP stream socket, closed when the holder goes. Move-only.
class TcpSocket final {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves `host` and connects to the first of its addresses that accepts. Connecting (to
    // all addresses together), sending and receiving each give up after `timeout`. An invalid socket when the name does
    // not resolve or no address could be reached; `error` then says why.
    static TcpSocket connectTo(const std::string& host, int port, std::chrono::milliseconds timeout,
                               std::string& error);

    bool valid() const { return fd_ >= 0; }
    // Sends every byte; false on an error (a peer that has gone raises no signal).
    bool sendAll(std::string_view bytes);
    // One receive of at most `size` bytes: the count, 0 when the peer closed, -1 on an error.
    long receiveSome(char* buffer, std::size_t size);
    void close();

private:
    explicit TcpSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// The name of this machine, or "localhost" when it has none.
std::string localHostName();

}  // namespace farrow::platform
