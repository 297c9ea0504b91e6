#include "audit/audit_events.h"

#include <chrono>
#include <ctime>

namespace farrow::audit {

namespace {

nlohmann::ordered_json textOrNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

// Bytes that are no UTF-8 are replaced rather than thrown at.
std::string dumped(const nlohmann::ordered_json& event) {
    return event.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

std::string utcStamp(base::TimePoint t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

nlohmann::ordered_json pageEvent(const AuditPage& page) {
    nlohmann::ordered_json event;
    event["event"] = "audit-page";
    event["url"] = page.url;
    event["status"] = page.status;
    event["depth"] = page.depth;
    event["title"] = page.title;
    nlohmann::ordered_json kinds = nlohmann::ordered_json::array();
    for (const FindingKind kind : page.findings) {
        kinds.push_back(token(kind));
    }
    event["findings"] = std::move(kinds);
    event["lastAnnounced"] = page.announcement
                                 ? nlohmann::ordered_json(utcStamp(page.announcement->when))
                                 : nlohmann::ordered_json(nullptr);
    event["announceOutcome"] = page.announcement ? textOrNull(page.announcement->outcome) : nullptr;
    event["changedSinceAnnounced"] = page.changedSinceAnnounced
                                         ? nlohmann::ordered_json(*page.changedSinceAnnounced)
                                         : nlohmann::ordered_json(nullptr);
    event["googleVerdict"] = page.inspection ? textOrNull(page.inspection->verdict) : nullptr;
    event["coverageState"] = page.inspection ? textOrNull(page.inspection->coverageState) : nullptr;
    event["lastCrawlTime"] = page.inspection ? textOrNull(page.inspection->lastCrawlTime) : nullptr;
    return event;
}

nlohmann::ordered_json findingEvent(const Finding& finding) {
    return {{"event", "audit-finding"},
            {"kind", token(finding.kind)},
            {"severity", token(severity(finding.kind))},
            {"url", finding.url},
            {"detail", finding.detail},
            {"linkedFrom", finding.linkedFrom}};
}

nlohmann::ordered_json endEvent(const AuditResult& result) {
    const AuditSummary& sum = result.summary;
    nlohmann::ordered_json event = {
        {"event", "end"},         {"pages", sum.pages},
        {"errors", sum.errors},   {"warnings", sum.warnings},
        {"notices", sum.notices}, {"announced", sum.announced},
        {"indexed", sum.indexed}, {"ending", crawl::token(result.ending)}};
    if (const std::optional<ExternalLinkCheck>& check = result.external) {
        event["external"] = {{"links", check->links.size()},    {"fine", check->fine},
                             {"broken", check->broken},         {"disallowed", check->disallowed},
                             {"unchecked", check->unchecked()}, {"ending", token(check->ending)}};
    }
    return event;
}

std::string auditJsonLines(const AuditResult& result) {
    std::string text;
    for (const AuditPage& page : result.pages) {
        text += dumped(pageEvent(page)) + '\n';
    }
    for (const Finding& finding : result.findings) {
        text += dumped(findingEvent(finding)) + '\n';
    }
    return text + dumped(endEvent(result)) + '\n';
}

}  // namespace farrow::audit
