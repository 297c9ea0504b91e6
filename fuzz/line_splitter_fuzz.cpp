// A page as it arrives in chunks. The first byte sets the longest line kept (1 to 256), the
// second the chunk sizes; the lines must be those of the whole text split at once, cut at the
// bound, however the chunks fall.
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "platform/line_splitter.h"

using namespace farrow;

namespace {

std::vector<std::string> splitWhole(std::string_view text, std::size_t maxLine) {
    std::vector<std::string> lines;
    auto add = [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line.substr(0, maxLine));
    };
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos;
         end = text.find('\n', start)) {
        add(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) {
        add(text.substr(start));
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t maxLine = data[0] + 1u;
    const std::size_t step = data[1] % 64 + 1;
    const std::string_view text = fuzz::asText(data + 2, size - 2);

    platform::LineSplitter splitter(maxLine);
    std::vector<std::string> lines;
    const platform::LineHandler keep = [&](std::string_view line) {
        if (line.size() > maxLine || line.find('\n') != std::string_view::npos) {
            __builtin_trap();
        }
        lines.emplace_back(line);
        return true;
    };
    // Chunks of growing, wrapping sizes, so that line ends fall everywhere.
    std::size_t at = 0;
    for (std::size_t n = step; at < text.size(); n = n % 97 + step) {
        const std::string_view chunk = text.substr(at, n);
        splitter.take(chunk, keep);
        at += chunk.size();
    }
    splitter.finish(keep);
    if (lines != splitWhole(text, maxLine)) {
        __builtin_trap();
    }
    return 0;
}
