#pragma once

#include <string>

#include "sites/site_table.h"

namespace farrow::logs {

inline constexpr const char* kSiteLogFile = "FRRWLOG.WRI";

// How one record was read: its name, every slot that holds a value, and for complex records the
// category block up to its "NULL".
std::string formatSiteRecordDump(const sites::SiteRecord& record, int isComplex);

// Appends that dump to FRRWLOG.WRI in `logsDir`.
void dumpSiteRecord(const std::string& logsDir, const sites::SiteRecord& record, int isComplex);

}  // namespace farrow::logs
