#include "deep/sitemap_choice.h"

#include <algorithm>

#include "base/text.h"
#include "deep/site_prefix.h"

namespace farrow::deep {

namespace {

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool isWeb(const std::string& url) {
    for (const char* scheme : {"http://", "https://"}) {
        if (base::startsWithIgnoringCase(url, scheme) && url.size() > std::string(scheme).size()) {
            return true;
        }
    }
    return false;
}

}  // namespace

SitemapChoice chooseSitemapPages(const std::vector<PageEntry>& listed,
                                 const std::string& profileUrl) {
    SitemapChoice choice;
    const std::string site = sitePrefix(profileUrl);
    for (const PageEntry& page : listed) {
        if (!isWeb(page.url)) {
            choice.leftOut.push_back({page.url, SitemapLeftOutReason::NotWeb});
        } else if (std::any_of(page.url.begin(), page.url.end(), isControl)) {
            choice.leftOut.push_back({page.url, SitemapLeftOutReason::ControlCharacter});
        } else if (!withinSitePrefix(sitePrefix(page.url), site)) {
            choice.leftOut.push_back({page.url, SitemapLeftOutReason::OtherSite});
        } else {
            choice.pages.push_back(page);
        }
    }
    return choice;
}

std::string text(const SitemapLeftOut& leftOut, const std::string& profileUrl) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : leftOut.url) {
        if (isControl(c)) {
            shown += '%';
            shown += kHex[static_cast<unsigned char>(c) >> 4];
            shown += kHex[static_cast<unsigned char>(c) & 15];
        } else {
            shown += c;
        }
    }
    std::string why;
    switch (leftOut.reason) {
        case SitemapLeftOutReason::NotWeb:
            why = "not an http or https URL";
            break;
        case SitemapLeftOutReason::ControlCharacter:
            why = "holds a control character";
            break;
        case SitemapLeftOutReason::OtherSite:
            why = "outside the profile's site " + sitePrefix(profileUrl);
            break;
    }
    return "left out of the sitemap's pages: " + shown + ": " + why;
}

}  // namespace farrow::deep
