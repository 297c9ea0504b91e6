#include "crawl/robots_rules.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "crawl/uri_reference.h"

namespace farrow::crawl {

namespace {

// Patterns and targets compare in one spelling: bytes beyond ASCII percent-encoded, and the
// hex digits of every escape in upper case ("/%e3%83%84" and "/ツ" match each other).
std::string canonicalPath(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else if (text[i] == '%' && i + 2 < text.size() &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += '%';
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 2])));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The product token of a user-agent line: its leading letters, "_" and "-" (RFC 9309 section
// 2.2.1), compared without regard to case.
std::string_view productTokenOf(std::string_view value) {
    std::size_t end = 0;
    while (end < value.size() && (std::isalpha(static_cast<unsigned char>(value[end])) ||
                                  value[end] == '_' || value[end] == '-')) {
        ++end;
    }
    return value.substr(0, end);
}

// Crawl-delay's seconds, whole or with a fraction; RFC 9309 leaves the record to each crawler,
// and those that honour it read it so.
std::optional<std::chrono::milliseconds> delayOf(std::string_view value) {
    const std::size_t dot = value.find('.');
    const std::string_view whole = value.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : value.substr(dot + 1);
    const auto digits = [](std::string_view part) {
        for (const char c : part) {
            if (!std::isdigit(static_cast<unsigned char>(c))) {
                return false;
            }
        }
        return true;
    };
    if ((whole.empty() && fraction.empty()) || !digits(whole) || !digits(fraction)) {
        return std::nullopt;
    }
    constexpr long long kMostSeconds = 1'000'000'000;
    long long ms = 0;
    for (const char c : whole) {
        ms = std::min(ms * 10 + (c - '0'), kMostSeconds);
    }
    ms *= 1000;
    long long scale = 100;
    for (std::size_t i = 0; i < fraction.size() && scale > 0; ++i, scale /= 10) {
        ms += (fraction[i] - '0') * scale;
    }
    return std::chrono::milliseconds(ms);
}

}  // namespace

RobotsRules RobotsRules::disallowAll() {
    RobotsRules rules;
    rules.disallowAll_ = true;
    return rules;
}

RobotsRules RobotsRules::parse(std::string_view text, std::string_view productToken) {
    RobotsRules out;
    std::vector<Rule> named;
    std::vector<Rule> star;
    std::optional<std::chrono::milliseconds> namedDelay;
    std::optional<std::chrono::milliseconds> starDelay;
    bool namedSeen = false;
    // The group being read: which agents it names, and whether a rule ended its agent lines.
    bool forUs = false;
    bool forStar = false;
    bool inRules = false;
    // A byte-order mark, or the start of one, is no part of the first line.
    std::size_t at = 0;
    for (const char mark : {'\xEF', '\xBB', '\xBF'}) {
        if (at < text.size() && text[at] == mark) {
            ++at;
        } else {
            break;
        }
    }
    while (at < text.size()) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view key = base::trimmed(line.substr(0, colon));
        const std::string_view value = base::trimmed(line.substr(colon + 1));
        if (base::equalsIgnoringCase(key, "user-agent")) {
            if (inRules) {
                forUs = forStar = inRules = false;
            }
            const std::string_view token = productTokenOf(value);
            if (value == "*") {
                forStar = true;
            } else if (!token.empty() && base::equalsIgnoringCase(token, productToken)) {
                forUs = true;
                namedSeen = true;
            }
        } else if (base::equalsIgnoringCase(key, "allow") ||
                   base::equalsIgnoringCase(key, "disallow")) {
            inRules = true;
            // An empty value is no rule.
            if (value.empty()) {
                continue;
            }
            const Rule rule{base::equalsIgnoringCase(key, "allow"), canonicalPath(value)};
            if (forUs) {
                named.push_back(rule);
            }
            if (forStar) {
                star.push_back(rule);
            }
        } else if (base::equalsIgnoringCase(key, "sitemap")) {
            if (!value.empty()) {
                out.sitemaps_.emplace_back(value);
            }
        } else if (base::equalsIgnoringCase(key, "crawl-delay")) {
            // Like other records that are no rule, it does not end a run of user-agent lines.
            const std::optional<std::chrono::milliseconds> delay = delayOf(value);
            if (forUs && !namedDelay) {
                namedDelay = delay;
            }
            if (forStar && !starDelay) {
                starDelay = delay;
            }
        } else {
            // Other records (host) do not end a run of user-agent lines.
        }
    }
    out.rules_ = namedSeen ? std::move(named) : std::move(star);
    out.crawlDelay_ = namedSeen ? namedDelay : starDelay;
    return out;
}

bool robotsPatternMatches(std::string_view pattern, std::string_view target, std::size_t maxSteps) {
    // Positions in `target` the pattern read so far can end at, kept as a bitmap over a
    // matching table of one row; patterns are short, targets bounded by the URL.
    const bool anchored = !pattern.empty() && pattern.back() == '$';
    if (anchored) {
        pattern.remove_suffix(1);
    }
    // A run of "*" matches as one does; the rest costs a pass over the target per character.
    std::size_t steps = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        steps += pattern[i] != '*' || i == 0 || pattern[i - 1] != '*' ? 1 : 0;
    }
    if (steps > maxSteps / (target.size() + 1)) {
        return false;
    }
    std::vector<char> at(target.size() + 1, 0);
    at[0] = 1;
    for (std::size_t k = 0; k < pattern.size(); ++k) {
        const char p = pattern[k];
        if (p == '*' && k > 0 && pattern[k - 1] == '*') {
            continue;
        }
        std::vector<char> next(target.size() + 1, 0);
        bool any = false;
        if (p == '*') {
            char reached = 0;
            for (std::size_t i = 0; i <= target.size(); ++i) {
                reached = static_cast<char>(reached | at[i]);
                next[i] = reached;
                any = any || reached;
            }
        } else {
            for (std::size_t i = 0; i < target.size(); ++i) {
                if (at[i] && target[i] == p) {
                    next[i + 1] = 1;
                    any = true;
                }
            }
        }
        if (!any) {
            return false;
        }
        at.swap(next);
    }
    if (anchored) {
        return at[target.size()] != 0;
    }
    for (const char reached : at) {
        if (reached) {
            return true;
        }
    }
    return false;
}

bool RobotsRules::allows(std::string_view target) const {
    if (target == "/robots.txt") {
        return true;
    }
    if (disallowAll_) {
        return false;
    }
    const std::string path = canonicalPath(target);
    std::size_t bestLength = 0;
    bool matched = false;
    bool allowed = true;
    for (const Rule& rule : rules_) {
        if (!robotsPatternMatches(rule.pattern, path, matchSteps_)) {
            continue;
        }
        const std::size_t length = rule.pattern.size();
        if (!matched || length > bestLength || (length == bestLength && rule.allow)) {
            allowed = length == bestLength && matched ? (allowed || rule.allow) : rule.allow;
            bestLength = length;
            matched = true;
        }
    }
    return allowed;
}

RobotsReading readRobotsTxt(const std::string& origin, std::size_t redirects,
                            std::size_t matchSteps, std::string_view productToken,
                            const std::function<platform::WebResponse(const std::string&)>& get) {
    RobotsReading reading;
    std::string url = origin + "/robots.txt";
    for (std::size_t hop = 0; hop <= redirects; ++hop) {
        const platform::WebResponse answer = get(url);
        if (answer.failed() || answer.status >= 500 || answer.status == 429) {
            // An unreachable robots.txt forbids everything until it can be read.
            reading.rules = RobotsRules::disallowAll();
            reading.failed = answer.failed();
            reading.reason = answer.reason;
            reading.status = answer.failed() ? 0 : answer.status;
            return reading;
        }
        if (answer.status >= 300 && answer.status < 400 && !answer.header("location").empty()) {
            const std::optional<std::string> to = webUrl(url, answer.header("location"));
            if (!to) {
                return reading;
            }
            url = *to;
            continue;
        }
        if (answer.status >= 200 && answer.status < 300) {
            reading.rules = RobotsRules::parse(answer.body, productToken);
            reading.rules.setMatchSteps(matchSteps);
        }
        return reading;
    }
    return reading;
}

}  // namespace farrow::crawl
