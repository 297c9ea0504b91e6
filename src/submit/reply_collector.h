#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace farrow::submit {

// A reply keeps whole lines until it holds this many characters, plus the line that reaches it.
inline constexpr std::size_t kReplyKept = 45000;
// The reply's room including its terminator; no line may carry it past this.
inline constexpr std::size_t kReplyCapacity = 50000;

// Gathers a reply body, arriving in pieces of any size, into one line: line feeds and carriage
// returns are dropped, and a line is kept only when the text before it is shorter than
// `kReplyKept`. Whatever is not kept is read and dropped.
class ReplyCollector final {
public:
    explicit ReplyCollector(std::string& reply) : reply_(reply) {}
    ReplyCollector(const ReplyCollector&) = delete;
    ReplyCollector& operator=(const ReplyCollector&) = delete;

    void feed(std::string_view bytes);

private:
    std::string& reply_;
    bool atLineStart_ = true;
    bool keepingLine_ = false;
};

}  // namespace farrow::submit
