#include "sites/sites_file_reader.h"

#include <cerrno>
#include <cstdio>

#include "base/text.h"
#include "logs/site_record_dump.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"
#include "sites/site_line_codec.h"
#include "sites/site_line_parser.h"

namespace farrow::sites {

int readSitesFile(app::AppState& state, base::InitView* initView, base::Messenger& messenger,
                  const std::string& path) {
    state.siteCount = 0;
    std::size_t kept = 0;
    if (!platform::fileExists(path)) {
        return 0;
    }
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        messenger.showMessage("Could not open \"" + path + "\": " + platform::systemReason(errno),
                              base::MessageIcon::Stop);
        return 0;
    }
    if (initView) {
        initView->showLoaded();
    }

    platform::LineReader reader(file.get());
    std::string stored;
    bool endSeen = false;
    while (!endSeen && kept < kMaxSites) {
        reader.readLine(stored);
        if (reader.failed()) {
            // A read error is sticky, so the rest of the file is lost with this line.
            const int cause = errno != 0 ? errno : EIO;
            messenger.showMessage("Execption Caught: " + platform::systemReason(cause),
                                  base::MessageIcon::Stop);
            break;
        }
        std::string plain = decodeSiteLine(stored);
        if (plain.empty()) {
            endSeen = true;
            continue;
        }
        if (plain.size() <= kMaxSkippedLength) {
            continue;
        }
        SiteRecord record = parseSiteLine(plain);
        const int isComplex = record.isComplex;
        if (state.switches.siteLog) {
            logs::dumpSiteRecord(state.logsDir, record, isComplex);
        }
        if (!state.adultOnlyEdition || base::contains(record.name(), "Adult")) {
            state.siteTable.append(std::move(record));
            ++kept;
        }
        ++state.siteCount;
        if (initView) {
            initView->setLoadedCount(base::format("%d Sites", static_cast<int>(kept)));
        }
    }

    std::vector<std::string> available;
    std::vector<std::string> keywordCheck;
    for (const SiteRecord& r : state.siteTable) {
        available.push_back(r.name());
        if (r.fields[kSearchUrl] != " ") {
            keywordCheck.push_back(r.name());
        }
    }
    state.lists.available.addAll(std::move(available));
    state.lists.keywordCheck.addAll(std::move(keywordCheck));
    return 1;
}

}  // namespace farrow::sites
