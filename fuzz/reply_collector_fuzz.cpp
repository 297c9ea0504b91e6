// An HTTP reply body arriving in pieces: the first byte sets the piece size.
#include "fuzz_input.h"
#include "submit/reply_collector.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = data[0] + 1u;
    const std::string_view body = fuzz::asText(data + 1, size - 1);
    std::string reply;
    submit::ReplyCollector collector(reply);
    for (std::size_t at = 0; at < body.size(); at += piece) {
        collector.feed(body.substr(at, piece));
    }
    if (reply.size() >= submit::kReplyCapacity ||
        reply.find_first_of("\r\n") != std::string::npos) {
        __builtin_trap();
    }
    return 0;
}
