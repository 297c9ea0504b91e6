// The crawl's scans of a page: each line for a link (then held against the site prefix) and for
// a title. The input's first line is the page's URL.
#include "deep/link_catalogue.h"
#include "deep/page_text.h"
#include "deep/page_titles.h"
#include "deep/site_prefix.h"
#include "fuzz_input.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view page = fuzz::asText(data, size);
    const std::size_t urlEnd = page.find('\n');
    const std::string_view pageUrl = page.substr(0, urlEnd);
    page = urlEnd == std::string_view::npos ? std::string_view() : page.substr(urlEnd + 1);
    const std::string prefix = deep::sitePrefix(pageUrl);
    std::string seen;
    while (!page.empty()) {
        const std::size_t end = page.find('\n');
        const std::string_view line = page.substr(0, end);
        page = end == std::string_view::npos ? std::string_view() : page.substr(end + 1);
        const std::optional<std::string> link = deep::linkOnLine(line, pageUrl, seen);
        if (link && deep::sitePrefix(*link).starts_with(prefix)) {
            seen += *link + "|";
        }
        deep::titleOnLine(line);
    }
    deep::catalogueEntries(seen);
    return 0;
}
