#include "logs/site_record_dump.h"

#include "base/text.h"
#include "platform/file_system.h"

namespace farrow::logs {

std::string formatSiteRecordDump(const sites::SiteRecord& record, int isComplex) {
    std::string out = base::format("%s:\n", record.name().c_str());
    for (std::size_t slot = 1; slot < sites::kFieldCount; ++slot) {
        if (record.fields[slot] != " ") {
            out += base::format("  %d = %s\n", static_cast<int>(slot), record.fields[slot].c_str());
        }
    }
    if (isComplex == 1) {
        for (std::size_t i = 0; i < record.categoryBlock.size(); ++i) {
            if (record.categoryBlock[i] == "NULL") {
                break;
            }
            out +=
                base::format("  %d = %s\n", static_cast<int>(i), record.categoryBlock[i].c_str());
        }
    }
    return out;
}

void dumpSiteRecord(const std::string& logsDir, const sites::SiteRecord& record, int isComplex) {
    platform::appendTextToFile(platform::joinPath(logsDir, kSiteLogFile),
                               formatSiteRecordDump(record, isComplex));
}

}  // namespace farrow::logs
