#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

#include "platform/transfer_error.h"
#include "submit/smtp_reply_reader.h"

namespace farrow::submit {

// The bytes of a mail conversation are received through a buffer of this size.
inline constexpr std::size_t kReplyBufferSize = 512;

struct SmtpReply {
    int code = 0;
    std::string text;
};

// Receives up to `capacity` bytes into `buffer`, setting `count` (0: the peer closed).
using ReceiveSome =
    std::function<platform::TransferError(char* buffer, std::size_t capacity, std::size_t& count)>;

// The conversation's receive buffer: replies are read from it one after another, and bytes
// received after the end of one reply stay there for the next.
class SmtpReplyBuffer final {
public:
    // Takes bytes up to the end of the reply's last line, receiving as often as it takes.
    platform::TransferError readReply(SmtpReply& reply, const ReceiveSome& receive);

private:
    std::array<char, kReplyBufferSize> buffer_{};
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace farrow::submit
