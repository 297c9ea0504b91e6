#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace farrow::crawl {

// How large one start tag may be before a parser sees it: libxml2 compares a tag's attributes
// pairwise, so one tag of many attributes costs time with their square.
struct StartTagBounds {
    std::size_t maxBytes = 64u * 1024;
    std::size_t maxAttributes = 256;
};

enum class StartTagCut {
    None,
    TooLong,
    TooManyAttributes,
};

struct StartTagScan {
    StartTagCut cut = StartTagCut::None;
    // Where the first start tag past the bounds begins (its '<'); the whole size when none is.
    std::size_t at = 0;
};

// Finds the first start tag of `bytes` past `bounds`, skipping comments, declarations, end
// tags and, in HTML, the content of script and style. A tag left open at the end counts as
// long as it runs.
StartTagScan scanStartTags(std::string_view bytes, const StartTagBounds& bounds, bool html);

// "a start tag longer than 65536 bytes", "a start tag with more than 256 attributes".
std::string text(StartTagCut cut, const StartTagBounds& bounds);

}  // namespace farrow::crawl
