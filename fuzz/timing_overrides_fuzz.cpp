// The FARROWLANE_TIMING variable. Accepted overrides must apply again to the same timing, and a
// refusal must say why.
#include "base/timing.h"
#include "fuzz_input.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const base::TimingOverrides once = base::applyTimingOverrides(text, base::Timing{});
    if (!once.timing) {
        if (once.error.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    const base::TimingOverrides twice = base::applyTimingOverrides(text, *once.timing);
    if (!twice.timing || twice.timing->pageReadLimit != once.timing->pageReadLimit ||
        twice.timing->crawlPoll != once.timing->crawlPoll) {
        __builtin_trap();
    }
    return 0;
}
