#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/web_client.h"

namespace farrow::crawl {

// The rules of one robots.txt for one crawler (RFC 9309): those of the group naming its
// product token when there is one, else those of the "*" group, never both.
class RobotsRules final {
public:
    struct Rule {
        bool allow = false;
        std::string pattern;
    };

    // No rules: everything allowed (no robots.txt, or one answering 4xx).
    RobotsRules() = default;
    // Everything disallowed (robots.txt unreachable: a 5xx answer or a failed connection).
    static RobotsRules disallowAll();
    // Reads `text` for the crawler called `productToken`. Lines that are no rule are skipped.
    static RobotsRules parse(std::string_view text, std::string_view productToken);

    // Whether the path and query `target` ("/a/b?c") may be fetched: the longest matching
    // pattern decides, Allow on a tie; nothing matching allows. "/robots.txt" always may.
    bool allows(std::string_view target) const;

    // Each pattern is matched in at most `steps` steps (one character of the pattern against one
    // position of the target); a pattern that would take more matches nothing.
    void setMatchSteps(std::size_t steps) { matchSteps_ = steps; }

    const std::vector<Rule>& rules() const { return rules_; }
    // The Sitemap: lines of the whole file, which belong to no group.
    const std::vector<std::string>& sitemaps() const { return sitemaps_; }
    // The first Crawl-delay of the group the rules come from, when it is a number of seconds
    // ("10", "0.5"); a figure too large to hold reads as the longest wait there is.
    std::optional<std::chrono::milliseconds> crawlDelay() const { return crawlDelay_; }

private:
    std::vector<Rule> rules_;
    std::vector<std::string> sitemaps_;
    std::optional<std::chrono::milliseconds> crawlDelay_;
    bool disallowAll_ = false;
    std::size_t matchSteps_ = SIZE_MAX;
};

// Whether `pattern` ("*" any run of characters, "$" at its end the end of the target) matches
// the beginning of `target`; false when that would take more than `maxSteps` steps.
bool robotsPatternMatches(std::string_view pattern, std::string_view target,
                          std::size_t maxSteps = SIZE_MAX);

// RFC 9309 asks crawlers to read at least 500 KiB of a robots.txt.
inline constexpr std::size_t kRobotsBytes = 512u * 1024;

// A site's robots.txt as a crawler takes it.
struct RobotsReading {
    RobotsRules rules;
    // Why everything is disallowed, when it is: no answer came (`reason` holds the client's
    // words), or robots.txt answered `status`, a 5xx or a 429 (which the major engines take as
    // unreachable rather than as a 4xx that allows everything).
    bool failed = false;
    std::string reason;
    long status = 0;

    bool disallowsAll() const { return failed || status != 0; }
};

// Reads `origin` + "/robots.txt" through `get` (a GET of at most kRobotsBytes), following up to
// `redirects` redirects; a robots.txt sent nowhere a crawler can follow, missing or answering
// 4xx allows everything.
RobotsReading readRobotsTxt(const std::string& origin, std::size_t redirects,
                            std::size_t matchSteps, std::string_view productToken,
                            const std::function<platform::WebResponse(const std::string&)>& get);

}  // namespace farrow::crawl
