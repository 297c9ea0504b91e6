#include "support/scripted_send.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace farrow::test {

namespace {

constexpr std::string_view kMark = "<pause:";

bool sendText(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string pauseMark(int ms) {
    return std::string(kMark) + std::to_string(ms) + ">";
}

void sendScripted(int fd, const std::string& text) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t mark = text.find(kMark, from);
        if (!sendText(fd, std::string_view(text).substr(from, mark - from)) ||
            mark == std::string::npos) {
            return;
        }
        const std::size_t close = text.find('>', mark);
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::stoi(text.substr(mark + kMark.size()))));
        from = close + 1;
    }
}

int listenOnLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || ::listen(fd, 8) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("cannot listen on a loopback port");
    }
    port = ntohs(addr.sin_port);
    return fd;
}

bool waitReadable(int fd, const std::atomic<bool>& stopping) {
    constexpr int kPollMs = 10;
    pollfd p{fd, POLLIN, 0};
    while (!stopping) {
        if (::poll(&p, 1, kPollMs) > 0) {
            return true;
        }
    }
    return false;
}

}  // namespace farrow::test
