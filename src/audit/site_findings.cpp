#include "audit/site_findings.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "crawl/uri_reference.h"

namespace farrow::audit {

namespace {

using crawl::CrawledPage;
using crawl::LeftOutReason;

bool isHtml(const CrawledPage& page) {
    const std::string type = base::lowered(page.contentType.substr(0, page.contentType.find(';')));
    return base::contains(type, "text/html") || base::contains(type, "application/xhtml+xml");
}

bool redirects(const CrawledPage& page) {
    switch (page.leftOut.reason) {
        case LeftOutReason::RedirectsTo:
        case LeftOutReason::RedirectsOutside:
        case LeftOutReason::RedirectLoop:
        case LeftOutReason::LongRedirectChain:
            return true;
        default:
            return false;
    }
}

bool broken(const CrawledPage& page) {
    return page.status >= 400 || page.leftOut.reason == LeftOutReason::Unreachable;
}

// A page engines would index: read whole or in part, HTML, answered 200, in the sitemap.
bool indexable(const CrawledPage& page) {
    return page.status == 200 && !page.leftOut && isHtml(page);
}

class FindingsMaker {
public:
    FindingsMaker(const crawl::CrawlResult& crawl, std::size_t maxDepth)
        : crawl_(crawl), maxDepth_(maxDepth) {
        for (const CrawledPage& page : crawl.pages) {
            byUrl_.emplace(page.url, &page);
            for (const std::string& link : page.links) {
                std::vector<std::string>& from = linkers_[link];
                if (from.empty() || from.back() != page.url) {
                    from.push_back(page.url);
                }
            }
            if (redirects(page)) {
                redirectedFrom_[page.leftOut.detail].push_back(page.url);
            }
        }
        listed_.insert(crawl.listed.begin(), crawl.listed.end());
    }

    std::vector<Finding> make() {
        for (const CrawledPage& page : crawl_.pages) {
            links(page);
            if (listed_.count(page.url) != 0) {
                listed(page);
            }
            canonical(page);
            if (indexable(page)) {
                texts(page);
            }
            if (page.status == 200 && page.bytes > kLargePageBytes) {
                add(FindingKind::LargePage, page.url, std::to_string(page.bytes) + " bytes");
            }
        }
        duplicates(FindingKind::TitleDuplicate, titles_);
        duplicates(FindingKind::DescriptionDuplicate, descriptions_);
        std::stable_sort(found_.begin(), found_.end(), [](const Finding& a, const Finding& b) {
            return a.kind != b.kind ? a.kind < b.kind : a.url < b.url;
        });
        return std::move(found_);
    }

private:
    const CrawledPage* page(const std::string& url) const {
        const auto found = byUrl_.find(url);
        return found == byUrl_.end() ? nullptr : found->second;
    }

    std::vector<std::string> linkersOf(const std::string& url) const {
        const auto found = linkers_.find(url);
        return found == linkers_.end() ? std::vector<std::string>{} : found->second;
    }

    void add(FindingKind kind, std::string url, std::string detail,
             std::vector<std::string> linkedFrom = {}) {
        found_.push_back({kind, std::move(url), std::move(detail), std::move(linkedFrom)});
    }

    // The pages linking `target`, or an address that redirects to it.
    std::set<std::string> linkersThrough(const std::string& target) const {
        std::set<std::string> from;
        std::vector<std::string> through{target};
        std::set<std::string> met{target};
        while (!through.empty()) {
            const std::string url = std::move(through.back());
            through.pop_back();
            for (std::string& linker : linkersOf(url)) {
                from.insert(std::move(linker));
            }
            const auto hops = redirectedFrom_.find(url);
            if (hops != redirectedFrom_.end()) {
                for (const std::string& hop : hops->second) {
                    if (met.insert(hop).second) {
                        through.push_back(hop);
                    }
                }
            }
        }
        return from;
    }

    // A page a sitemap lists: engines are told to index it, so it had better be fit.
    void listed(const CrawledPage& page) {
        if (broken(page)) {
            add(FindingKind::SitemapError, page.url, crawl::text(page.leftOut));
        } else if (page.leftOut.reason == LeftOutReason::DisallowedByRobots) {
            add(FindingKind::SitemapDisallowed, page.url, crawl::text(page.leftOut));
        } else if (redirects(page)) {
            add(FindingKind::SitemapRedirect, page.url, crawl::text(page.leftOut));
        }
        if (page.leftOut.reason == LeftOutReason::Noindex) {
            add(FindingKind::SitemapNoindex, page.url, crawl::text(page.leftOut));
        }
        if (page.status == 200 && page.depth > 0) {
            std::set<std::string> from = linkersThrough(page.url);
            from.erase(page.url);
            if (from.empty()) {
                add(FindingKind::Orphan, page.url, "no page read links it");
            }
        }
    }

    void links(const CrawledPage& page) {
        if (broken(page)) {
            // Pages linking an address that redirects here link the broken page too.
            const std::set<std::string> from = linkersThrough(page.url);
            if (!from.empty()) {
                add(FindingKind::BrokenLink, page.url, crawl::text(page.leftOut),
                    {from.begin(), from.end()});
            }
            return;
        }
        if (!redirects(page)) {
            return;
        }
        // Followed to its end, or to where it comes back.
        std::vector<std::string> chain{page.url};
        const CrawledPage* at = &page;
        while (true) {
            const std::string& target = at->leftOut.detail;
            const bool loops = std::find(chain.begin(), chain.end(), target) != chain.end();
            chain.push_back(target);
            const CrawledPage* next = this->page(target);
            if (loops || next == nullptr || !redirects(*next)) {
                break;
            }
            at = next;
        }
        const std::size_t hops = chain.size() - 1;
        std::vector<std::string> from = linkersOf(page.url);
        if (!from.empty()) {
            add(FindingKind::LinkedRedirect, page.url, "redirects to " + chain.back(), from);
        }
        const bool endless = at->leftOut.reason == LeftOutReason::RedirectLoop ||
                             at->leftOut.reason == LeftOutReason::LongRedirectChain;
        // Told once, at the chain's first address, or wherever a link enters it.
        const bool entered = redirectedFrom_.count(page.url) == 0 || !from.empty();
        if ((hops > 1 || endless) && entered) {
            std::string detail;
            for (const std::string& hop : chain) {
                detail += (detail.empty() ? "" : " -> ") + hop;
            }
            add(FindingKind::RedirectChain, page.url,
                std::to_string(hops) + (hops == 1 ? " hop: " : " hops: ") + detail,
                std::move(from));
        }
    }

    void canonical(const CrawledPage& page) {
        if (page.canonical.empty()) {
            return;
        }
        if (!crawl::webAddress(page.canonical)) {
            add(FindingKind::CanonicalInvalid, page.url, page.canonical);
            return;
        }
        if (page.leftOut.reason != LeftOutReason::Canonical) {
            return;
        }
        const CrawledPage* named = this->page(page.leftOut.detail);
        if (named == nullptr) {
            return;
        }
        if (broken(*named)) {
            add(FindingKind::CanonicalError, page.url,
                named->url + ": " + crawl::text(named->leftOut));
        } else if (named->leftOut.reason == LeftOutReason::Canonical) {
            add(FindingKind::CanonicalChain, page.url,
                named->url + " names " + named->leftOut.detail);
        }
    }

    void texts(const CrawledPage& page) {
        if (page.title.empty()) {
            add(FindingKind::TitleMissing, page.url, {});
        } else {
            titles_[page.title].push_back(page.url);
            if (const std::size_t n = characterCount(page.title); n > kLongTitle) {
                add(FindingKind::TitleLong, page.url, std::to_string(n) + " characters");
            }
        }
        if (page.description.empty()) {
            add(FindingKind::DescriptionMissing, page.url, {});
        } else {
            descriptions_[page.description].push_back(page.url);
            if (const std::size_t n = characterCount(page.description); n > kLongDescription) {
                add(FindingKind::DescriptionLong, page.url, std::to_string(n) + " characters");
            }
        }
        if (maxDepth_ > 0 && page.depth * 2 > maxDepth_) {
            add(FindingKind::DeepPage, page.url, std::to_string(page.depth) + " clicks");
        }
        mixed(page);
    }

    void mixed(const CrawledPage& page) {
        const std::optional<crawl::WebAddress> own = crawl::webAddress(page.url);
        if (!own || own->scheme != "https") {
            return;
        }
        std::size_t count = 0;
        std::string first;
        for (const std::vector<std::string>* urls : {&page.resources, &page.links}) {
            for (const std::string& url : *urls) {
                const std::optional<crawl::WebAddress> to = crawl::webAddress(url);
                if (to && to->scheme == "http" && base::equalsIgnoringCase(to->host, own->host)) {
                    if (count++ == 0) {
                        first = url;
                    }
                }
            }
        }
        if (count > 0) {
            add(FindingKind::MixedContent, page.url,
                std::to_string(count) + " http addresses, the first " + first);
        }
    }

    void duplicates(FindingKind kind, const std::map<std::string, std::vector<std::string>>& by) {
        for (const auto& [value, urls] : by) {
            if (urls.size() < 2) {
                continue;
            }
            for (const std::string& url : urls) {
                add(kind, url,
                    "\"" + value + "\", as on " + std::to_string(urls.size() - 1) +
                        (urls.size() == 2 ? " other page" : " other pages"));
            }
        }
    }

    const crawl::CrawlResult& crawl_;
    std::size_t maxDepth_;
    std::unordered_map<std::string, const CrawledPage*> byUrl_;
    std::unordered_map<std::string, std::vector<std::string>> linkers_;
    // The addresses that redirect to each address.
    std::unordered_map<std::string, std::vector<std::string>> redirectedFrom_;
    // The addresses the sitemaps list.
    std::unordered_set<std::string> listed_;
    std::map<std::string, std::vector<std::string>> titles_;
    std::map<std::string, std::vector<std::string>> descriptions_;
    std::vector<Finding> found_;
};

}  // namespace

std::vector<Finding> siteFindings(const crawl::CrawlResult& crawl, std::size_t maxDepth) {
    return FindingsMaker(crawl, maxDepth).make();
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace farrow::audit
