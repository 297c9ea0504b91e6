// What a mail server sends, received in pieces: each piece is led by a byte giving its length.
// Replies are read one after another until the server closes; each must be judged from a
// bounded first line, and every byte taken.
#include <algorithm>

#include "fuzz_input.h"
#include "submit/smtp_reply_buffer.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input = fuzz::asText(data, size);
    const submit::ReceiveSome receive = [&](char* buffer, std::size_t capacity,
                                            std::size_t& count) {
        count = 0;
        if (input.empty()) {
            return platform::TransferError{};
        }
        const std::size_t wanted = static_cast<unsigned char>(input.front()) + 1u;
        input.remove_prefix(1);
        count = std::min({wanted, capacity, input.size()});
        std::copy_n(input.data(), count, buffer);
        input.remove_prefix(count);
        return platform::TransferError{};
    };
    submit::SmtpReplyBuffer buffer;
    // Each reply takes at least one byte, so no more replies than bytes can come.
    for (std::size_t replies = 0; replies <= size; ++replies) {
        submit::SmtpReply reply;
        if (buffer.readReply(reply, receive).failed()) {
            return 0;
        }
        if (reply.text.size() > submit::kReplyLineKept) {
            __builtin_trap();
        }
    }
    __builtin_trap();
}
