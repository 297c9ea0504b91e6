#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace farrow::submit {

// Enough of a reply line to judge it and to quote it in a reason.
inline constexpr std::size_t kReplyLineKept = 200;

// Reads one mail server reply byte by byte: its code and first line come from the first line,
// and "250-..." announces more lines; any other line ends the reply, so that a server answering
// with something that is no reply at all is judged at once rather than waited for.
class SmtpReplyReader final {
public:
    // Takes the next received byte; true when it ended the reply.
    bool take(char c);
    // The connection closed after some bytes: a first line without its line end is judged as
    // it came.
    void finishAtClose();

    int code() const { return code_; }
    // The first line without its line end, cut to `kReplyLineKept`.
    const std::string& text() const { return text_; }

private:
    void finishFirst();

    std::string line_;
    bool first_ = true;
    int code_ = 0;
    std::string text_;
};

// The number at the start of a reply, as "%d" reads it; 0 when there is none.
int replyCode(std::string_view reply);

}  // namespace farrow::submit
