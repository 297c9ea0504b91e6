#include "support/scripted_send.h"

#include <sys/socket.h>

#include <chrono>
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

}  // namespace farrow::test
