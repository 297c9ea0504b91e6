#include "deep/page_titles.h"

#include <algorithm>

#include "base/text.h"
#include "deep/link_catalogue.h"
#include "deep/page_text.h"

namespace farrow::deep {

std::string titleOnLine(std::string_view line) {
    std::size_t start = line.find("<TITLE>");
    if (start == std::string_view::npos) {
        start = 0;
    }
    const std::size_t open = line.find('>', start);
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t close = line.find('<', open + 1);
    if (close == std::string_view::npos) {
        return {};
    }
    std::string title(line.substr(open + 1, close - open - 1));
    std::replace(title.begin(), title.end(), '"', ' ');
    return std::string(base::trimmed(title));
}

std::string fetchPageTitle(const std::string& url, const platform::PageReadOptions& options,
                           CrawlControl* control) {
    std::string title;
    const platform::PageReadResult read =
        platform::readPageLines(url, options, [&](std::string_view line) {
            if (!base::contains(line, "<TITLE>") && !base::contains(line, "<title>")) {
                return true;
            }
            title = titleOnLine(line);
            return false;
        });
    notePageLimit(control, url, read);
    return read.ok ? title : std::string{};
}

std::vector<PageEntry> titledPages(std::string_view catalogue, const std::string& mainTitle,
                                   const platform::PageReadOptions& options,
                                   CrawlControl* control) {
    std::vector<PageEntry> pages;
    for (std::string& url : catalogueEntries(catalogue)) {
        const bool fragment = base::contains(url, "#");
        std::string title;
        if (containsIgnoringCase(url, "mailto:")) {
            title = kMailToTitle;
        } else if (!fragment && (control == nullptr || control->takePage())) {
            title = fetchPageTitle(url, options, control);
        }
        if (title.size() < 2) {
            title = mainTitle;
        }
        if (fragment || title == kNotFoundTitle) {
            continue;
        }
        pages.push_back({std::move(url), std::move(title)});
    }
    return pages;
}

}  // namespace farrow::deep
