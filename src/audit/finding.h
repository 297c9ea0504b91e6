#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace farrow::audit {

// Worst first, so that the worse of two compares less.
enum class Severity { Error, Warning, Notice };

// "error", "warning", "notice".
const char* token(Severity severity);

// What the audit finds wrong with a page; the tokens are what scripts read.
enum class FindingKind {
    BrokenLink,
    SitemapError,
    SitemapDisallowed,
    SitemapNoindex,
    CanonicalError,
    LinkedRedirect,
    RedirectChain,
    SitemapRedirect,
    Orphan,
    CanonicalInvalid,
    CanonicalChain,
    TitleMissing,
    TitleDuplicate,
    DescriptionMissing,
    MixedContent,
    ExternalBroken,
    TitleLong,
    DescriptionDuplicate,
    DescriptionLong,
    DeepPage,
    LargePage,
};

// Every kind, errors first.
inline constexpr FindingKind kFindingKinds[] = {
    FindingKind::BrokenLink,
    FindingKind::SitemapError,
    FindingKind::SitemapDisallowed,
    FindingKind::SitemapNoindex,
    FindingKind::CanonicalError,
    FindingKind::LinkedRedirect,
    FindingKind::RedirectChain,
    FindingKind::SitemapRedirect,
    FindingKind::Orphan,
    FindingKind::CanonicalInvalid,
    FindingKind::CanonicalChain,
    FindingKind::TitleMissing,
    FindingKind::TitleDuplicate,
    FindingKind::DescriptionMissing,
    FindingKind::MixedContent,
    FindingKind::ExternalBroken,
    FindingKind::TitleLong,
    FindingKind::DescriptionDuplicate,
    FindingKind::DescriptionLong,
    FindingKind::DeepPage,
    FindingKind::LargePage,
};

// "broken-link", "title-long"...
const char* token(FindingKind kind);
// What the kind means, for a person: "Internal links to pages that answer an error".
std::string text(FindingKind kind);
Severity severity(FindingKind kind);

// The bounds some kinds are measured against.
inline constexpr std::size_t kLongTitle = 60;
inline constexpr std::size_t kLongDescription = 160;
inline constexpr std::size_t kLargePageBytes = 2u << 20;

struct Finding {
    FindingKind kind = FindingKind::BrokenLink;
    // The address at fault: the broken or redirecting one, or the page itself.
    std::string url;
    std::string detail;
    // For links: every page read that links `url`, where the mending is done.
    std::vector<std::string> linkedFrom;
};

// The pages a site owner mends for a finding: those linking its address, else the address.
std::vector<std::string> pagesTouched(const Finding& finding);

}  // namespace farrow::audit
