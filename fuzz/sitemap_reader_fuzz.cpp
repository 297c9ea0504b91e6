// The sitemap reader on one document: DOCTYPEs, entities, the start-tag bounds, gzip. The
// input's first byte picks small tag bounds, so that cut tags come within the input's size.
#include "crawl/sitemap_reader.h"
#include "fuzz_input.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const crawl::StartTagBounds tags{static_cast<std::size_t>(data[0]) * 16 + 1, data[0] % 32u};
    const crawl::SitemapContent content =
        crawl::parseSitemap(fuzz::asText(data + 1, size - 1), 1 << 20, tags);
    if (content.error && !content.entries.empty()) {
        __builtin_trap();
    }
    return 0;
}
