#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace farrow::test {

// A loopback HTTP server that answers every connection with fixed bytes, for replies no real
// server library would send: cut off, trickled, or never read. Serves one connection at a time
// on a thread of its own until the object goes.
class RawHttpServer final {
public:
    enum class Mode {
        // Reads the request head (and a body as long as its Content-Length), sends the script
        // (pause marks allowed, see `pauseMark`) and closes.
        Answer,
        // Reads nothing and sends nothing; the connection stays open until the server goes.
        NeverRead,
        // As Answer, but a HEAD request is closed without a byte sent, as servers that do not
        // serve HEAD may do.
        DropHead,
    };

    explicit RawHttpServer(std::string script, Mode mode = Mode::Answer);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    // "http://127.0.0.1:PORT" + path.
    std::string url(const std::string& path) const;
    // The head of the last request, up to its blank line.
    std::string requestHead() const;

private:
    void serve();
    void answer(int client);

    std::string script_;
    Mode mode_;
    int listenFd_ = -1;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::string head_;
    std::thread thread_;
};

}  // namespace farrow::test
