// The crawl's reading of one HTML page: the start-tag bounds, the charsets, the parse in pieces.
// The input's first byte picks small tag bounds, so that cut tags come within the input's size;
// the next line is the Content-Type header.
#include "crawl/page_links.h"
#include "fuzz_input.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    crawl::PageReadLimits limits;
    limits.tags = {static_cast<std::size_t>(data[0]) * 16 + 1, data[0] % 32u};
    limits.textBytes = data[0] % 64u;
    std::string_view page = fuzz::asText(data + 1, size - 1);
    const std::size_t typeEnd = page.find('\n');
    const std::string_view contentType = page.substr(0, typeEnd);
    page = typeEnd == std::string_view::npos ? std::string_view() : page.substr(typeEnd + 1);
    int pieces = 0;
    limits.stop = [&] { return ++pieces > 1 + data[0] % 4; };
    const crawl::PageLinks links =
        crawl::extractPageLinks(page, "http://h/dir/page.htm", limits, contentType);
    if (links.title.size() > limits.textBytes || links.readBytes > page.size()) {
        __builtin_trap();
    }
    return 0;
}
