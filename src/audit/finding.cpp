#include "audit/finding.h"

namespace farrow::audit {

const char* token(Severity severity) {
    switch (severity) {
        case Severity::Error:
            return "error";
        case Severity::Warning:
            return "warning";
        case Severity::Notice:
            return "notice";
    }
    return "notice";
}

const char* token(FindingKind kind) {
    switch (kind) {
        case FindingKind::BrokenLink:
            return "broken-link";
        case FindingKind::SitemapError:
            return "sitemap-error";
        case FindingKind::SitemapDisallowed:
            return "sitemap-disallowed";
        case FindingKind::SitemapNoindex:
            return "sitemap-noindex";
        case FindingKind::CanonicalError:
            return "canonical-error";
        case FindingKind::LinkedRedirect:
            return "linked-redirect";
        case FindingKind::RedirectChain:
            return "redirect-chain";
        case FindingKind::SitemapRedirect:
            return "sitemap-redirect";
        case FindingKind::Orphan:
            return "orphan";
        case FindingKind::CanonicalInvalid:
            return "canonical-invalid";
        case FindingKind::CanonicalChain:
            return "canonical-chain";
        case FindingKind::TitleMissing:
            return "title-missing";
        case FindingKind::TitleDuplicate:
            return "title-duplicate";
        case FindingKind::DescriptionMissing:
            return "description-missing";
        case FindingKind::MixedContent:
            return "mixed-content";
        case FindingKind::ExternalBroken:
            return "external-broken";
        case FindingKind::TitleLong:
            return "title-long";
        case FindingKind::DescriptionDuplicate:
            return "description-duplicate";
        case FindingKind::DescriptionLong:
            return "description-long";
        case FindingKind::DeepPage:
            return "deep-page";
        case FindingKind::LargePage:
            return "large-page";
    }
    return "broken-link";
}

std::string text(FindingKind kind) {
    switch (kind) {
        case FindingKind::BrokenLink:
            return "Links to pages of the site that answer an error or cannot be reached";
        case FindingKind::SitemapError:
            return "Addresses the sitemap lists that answer an error or cannot be reached";
        case FindingKind::SitemapDisallowed:
            return "Addresses the sitemap lists that robots.txt disallows (not read)";
        case FindingKind::SitemapNoindex:
            return "Addresses the sitemap lists that are marked noindex";
        case FindingKind::CanonicalError:
            return "Canonical addresses that answer an error";
        case FindingKind::LinkedRedirect:
            return "Links to addresses that redirect";
        case FindingKind::RedirectChain:
            return "Redirects of more than one hop";
        case FindingKind::SitemapRedirect:
            return "Addresses the sitemap lists that redirect";
        case FindingKind::Orphan:
            return "Pages the sitemap lists that no page read links";
        case FindingKind::CanonicalInvalid:
            return "Canonical addresses that are no http(s) URL";
        case FindingKind::CanonicalChain:
            return "Canonical addresses naming a page that names another";
        case FindingKind::TitleMissing:
            return "Pages without a title";
        case FindingKind::TitleDuplicate:
            return "Titles that other pages have too";
        case FindingKind::DescriptionMissing:
            return "Pages without a description";
        case FindingKind::MixedContent:
            return "https pages loading or linking http addresses of their own host";
        case FindingKind::ExternalBroken:
            return "Links to other sites that answer an error or cannot be reached";
        case FindingKind::TitleLong:
            return "Titles over " + std::to_string(kLongTitle) + " characters";
        case FindingKind::DescriptionDuplicate:
            return "Descriptions that other pages have too";
        case FindingKind::DescriptionLong:
            return "Descriptions over " + std::to_string(kLongDescription) + " characters";
        case FindingKind::DeepPage:
            return "Pages more than half the depth bound's clicks from the start";
        case FindingKind::LargePage:
            return "Pages over " + std::to_string(kLargePageBytes >> 20) + " MB";
    }
    return {};
}

Severity severity(FindingKind kind) {
    switch (kind) {
        case FindingKind::BrokenLink:
        case FindingKind::SitemapError:
        case FindingKind::SitemapDisallowed:
        case FindingKind::SitemapNoindex:
        case FindingKind::CanonicalError:
            return Severity::Error;
        case FindingKind::LinkedRedirect:
        case FindingKind::RedirectChain:
        case FindingKind::SitemapRedirect:
        case FindingKind::Orphan:
        case FindingKind::CanonicalInvalid:
        case FindingKind::CanonicalChain:
        case FindingKind::TitleMissing:
        case FindingKind::TitleDuplicate:
        case FindingKind::DescriptionMissing:
        case FindingKind::MixedContent:
        case FindingKind::ExternalBroken:
            return Severity::Warning;
        case FindingKind::TitleLong:
        case FindingKind::DescriptionDuplicate:
        case FindingKind::DescriptionLong:
        case FindingKind::DeepPage:
        case FindingKind::LargePage:
            return Severity::Notice;
    }
    return Severity::Notice;
}

std::vector<std::string> pagesTouched(const Finding& finding) {
    return finding.linkedFrom.empty() ? std::vector<std::string>{finding.url} : finding.linkedFrom;
}

}  // namespace farrow::audit
