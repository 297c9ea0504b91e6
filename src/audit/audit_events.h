#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "audit/site_audit.h"

namespace farrow::audit {

// The audit as JSON Lines: an "audit-page" event per address, an "audit-finding" event per
// finding, then "end" with the counts.
nlohmann::ordered_json pageEvent(const AuditPage& page);
nlohmann::ordered_json findingEvent(const Finding& finding);
nlohmann::ordered_json endEvent(const AuditResult& result);
std::string auditJsonLines(const AuditResult& result);

// "2026-12-01T10:00:00Z".
std::string utcStamp(base::TimePoint t);

}  // namespace farrow::audit
