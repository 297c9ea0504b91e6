#pragma once

#include <string>

#include "audit/site_audit.h"
#include "base/clock.h"

namespace farrow::audit {

// The audit as one HTML file that needs nothing from elsewhere (its policy forbids it): the
// summary with its charts, what to mend first, the table of pages, a section per kind found.
// Every value from the site or the ledger is escaped; `made` is when the audit was made.
std::string auditHtml(const AuditResult& result, base::TimePoint made);

}  // namespace farrow::audit
