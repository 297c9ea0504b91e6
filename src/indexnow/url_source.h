#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "base/timing.h"

namespace farrow::indexnow {

// Where a URL to announce came from.
enum class UrlOrigin { Profile, DeepChecklist, List };

struct CandidateUrl {
    std::string url;
    UrlOrigin origin = UrlOrigin::List;
};

// A URL, or a line standing in for one, that is not announced, and why ("not-a-url",
// "other-host", "outside-key-location", "duplicate", "sent-recently").
struct LeftOutUrl {
    std::string url;
    std::string reason;
};

struct UrlSourceResult {
    std::vector<CandidateUrl> urls;
    // Lines that hold no URL.
    std::vector<LeftOutUrl> leftOut;
    // Why the source could not be read; the URLs read before are kept.
    std::string error;
};

// A URL longer than this is no page address (and engines refuse it).
inline constexpr std::size_t kMaxUrlLength = 2048;
// A list longer than this is refused rather than read into memory.
inline constexpr std::size_t kMaxListUrls = 1'000'000;

// One URL per line; blank lines and lines starting with "#" are skipped; a line that is no
// absolute http(s) URL is left out as "not-a-url", cut to a readable length.
UrlSourceResult readUrlList(std::istream& in);

// The pages of the deep checklist of the site at `url`, crawled as the deep submission does.
UrlSourceResult deepChecklistUrls(const std::string& url, const std::string& title,
                                  const base::Timing& timing);

}  // namespace farrow::indexnow
