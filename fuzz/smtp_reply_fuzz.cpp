// The mail server's replies: the input read as one reply after another, as the conversation
// reads them, the last one closed by the end of the input.
#include "fuzz_input.h"
#include "submit/smtp_reply_reader.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::asText(data, size);
    submit::SmtpReplyReader reader;
    for (char c : bytes) {
        if (reader.take(c)) {
            if (reader.text().size() > submit::kReplyLineKept) {
                __builtin_trap();
            }
            reader = {};
        }
    }
    reader.finishAtClose();
    return 0;
}
