#include "deep/link_catalogue.h"

#include "base/text.h"
#include "deep/page_text.h"
#include "deep/site_prefix.h"
#include "submit/http_exchange.h"

namespace farrow::deep {

namespace {

// The quoted value after the line's one "href=" ("HREF=" only when the line holds no
// "href="); empty when the value is unquoted, single-quoted or the closing quote is missing.
std::optional<std::string_view> hrefValue(std::string_view line) {
    std::size_t at = line.find("href=");
    if (at == std::string_view::npos) {
        at = line.find("HREF=");
    }
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = line.substr(at);
    const std::size_t open = rest.find('"');
    if (open == std::string_view::npos) {
        return std::string_view{};
    }
    const std::size_t close = rest.find('"', open + 1);
    if (close == std::string_view::npos) {
        return std::string_view{};
    }
    std::string_view value = rest.substr(open + 1, close - open - 1);
    if (const std::size_t blank = value.find(' '); blank != std::string_view::npos) {
        value = value.substr(0, blank);
    }
    return base::trimmed(value);
}

// Schemes and extensions are recognised whatever their case: "HTTP://host/x.htm" is an
// absolute link and "PAGE.HTM" a page, not a directory.
bool isAbsolute(std::string_view h) {
    return containsIgnoringCase(h, "ftp:") || containsIgnoringCase(h, "http:") ||
           containsIgnoringCase(h, "https:");
}

bool endsLikePage(std::string_view url) {
    return endsWithIgnoringCase(url, "htm") || endsWithIgnoringCase(url, "tml");
}

// The page URL up to and including its last "/" (else its last "\"), or nothing.
std::string_view directoryOf(std::string_view url) {
    std::size_t cut = url.rfind('/');
    if (cut == std::string_view::npos) {
        cut = url.rfind('\\');
    }
    return cut == std::string_view::npos ? std::string_view{} : url.substr(0, cut + 1);
}

bool fits(const std::string& text, std::size_t width, const std::string& link) {
    return text.size() + link.size() + 1 <= width;
}

}  // namespace

platform::PageReadOptions pageReadOptions(const base::Timing& timing) {
    platform::PageReadOptions options;
    options.connectTimeout = timing.pageConnectTimeout;
    options.stallTimeout = timing.pageStallTimeout;
    options.userAgent = submit::kAgentName;
    options.readLimit = timing.pageReadLimit;
    return options;
}

void notePageLimit(CrawlControl* control, const std::string& url,
                   const platform::PageReadResult& read) {
    if (control != nullptr && !read.limitHit.empty()) {
        control->notes.push_back(url + ": " + read.limitHit);
    }
}

std::optional<std::string> linkOnLine(std::string_view line, std::string_view pageUrl,
                                      std::string_view seen) {
    const std::optional<std::string_view> h = hrefValue(line);
    if (!h || containsIgnoringCase(*h, "mailto:")) {
        return std::nullopt;
    }
    if (isAbsolute(*h)) {
        return std::string(*h);
    }
    if (endsLikePage(pageUrl)) {
        return std::string(directoryOf(pageUrl)) + std::string(*h);
    }
    if (!pageUrl.empty() && (pageUrl.back() == '/' || pageUrl.back() == '\\')) {
        if (base::contains(seen, pageUrl)) {
            return std::nullopt;
        }
        return std::string(pageUrl) + std::string(*h);
    }
    return std::string(pageUrl) + "/" + std::string(*h);
}

int catalogueLinks(CrawlJob& job, const platform::PageReadOptions& options, CrawlControl* control) {
    if (!containsIgnoringCase(job.pageUrl, "http")) {
        job.finish();
        return 0;
    }
    // A crawl that was stopped or has read its pages reads no more: the page stays listed
    // with nothing found on it.
    if (control != nullptr && !control->takePage()) {
        job.finish();
        return 1;
    }
    const std::string base = sitePrefix(job.pageUrl);
    const std::string seen = job.catalogue;
    const std::string separator(1, job.separator);
    const char unsafe[2] = {job.separator, '\0'};

    const platform::PageReadResult read =
        platform::readPageLines(job.pageUrl, options, [&](std::string_view line) {
            std::optional<std::string> link = linkOnLine(line, job.pageUrl, seen);
            if (!link || base::contains(seen, *link) ||
                !withinSitePrefix(sitePrefix(*link), base)) {
                return true;
            }
            // The separator would split the link into two entries of the catalogue, and a NUL
            // would cut the names of the logs made from it.
            if (link->find_first_of(std::string_view(unsafe, 2)) != std::string::npos) {
                return true;
            }
            // A link is kept whole or not at all: one that a nested job's result could not hold
            // (nor the URL on show) is left out, as is one the catalogue has no room for.
            if (link->size() + 1 > kResultTextWidth) {
                return true;
            }
            if (!job.recurse) {
                if (fits(job.resultText, kResultTextWidth, *link)) {
                    job.resultText += *link + separator;
                }
                return true;
            }
            if (!fits(job.catalogue, kCatalogueWidth, *link)) {
                return true;
            }
            job.catalogue += *link + separator;
            job.currentUrl.set(*link);

            // Nested jobs do not recurse, so the crawl reads the start page and the pages it
            // links to, and ends even where pages link to each other.
            CrawlJob nested;
            nested.pageUrl = *link;
            nested.recurse = false;
            nested.separator = job.separator;
            catalogueLinks(nested, options, control);
            // A page that failed stays listed; its "ERROR OPENING" is no link.
            if (nested.resultText != kErrorOpening) {
                for (const std::string& found :
                     catalogueEntries(nested.resultText, job.separator)) {
                    if (fits(job.catalogue, kCatalogueWidth, found)) {
                        job.catalogue += found + separator;
                    }
                }
            }
            return control == nullptr || !control->stopped();
        });
    notePageLimit(control, job.pageUrl, read);
    if (!read.ok) {
        job.resultText = kErrorOpening;
    }
    job.finish();
    return 1;
}

}  // namespace farrow::deep
