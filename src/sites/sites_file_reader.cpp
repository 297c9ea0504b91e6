#include "sites/sites_file_reader.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"
#include "sites/site_line_codec.h"
#include "sites/site_line_parser.h"

namespace farrow::sites {

SitesLoad readSitesFile(const base::Workspace& workspace, const SitesReadOptions& options,
                        base::Messenger& messenger) {
    SitesLoad load;
    const std::string path = workspace.sitesFile();
    std::size_t kept = 0;
    if (!platform::fileExists(path)) {
        load.error = {base::ErrorCode::NotFound, platform::systemReason(ENOENT)};
        return load;
    }
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        load.error = {base::ErrorCode::OpenFailed, platform::systemReason(errno)};
        messenger.showMessage("Could not open \"" + path + "\": " + load.error.reason,
                              base::MessageIcon::Stop);
        return load;
    }
    load.read = true;
    if (options.onOpened) {
        options.onOpened();
    }

    platform::LineReader reader(file.get());
    std::string stored;
    bool endSeen = false;
    while (!endSeen && kept < kMaxSites) {
        reader.readLine(stored);
        if (reader.failed()) {
            // A read error is sticky, so the rest of the file is lost with this line.
            const int cause = errno != 0 ? errno : EIO;
            load.error = {base::ErrorCode::ReadFailed, platform::systemReason(cause)};
            messenger.showMessage("Execption Caught: " + load.error.reason,
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
        if (options.onRecord) {
            options.onRecord(record);
        }
        if (!options.adultOnlyEdition || base::contains(record.name(), "Adult")) {
            load.table.append(std::move(record));
            ++kept;
        }
        ++load.siteCount;
        if (options.onCount) {
            options.onCount(static_cast<int>(kept));
        }
    }

    // One sort of each list instead of an insertion per name: a large database starts fast.
    std::vector<std::string> available;
    std::vector<std::string> keywordCheck;
    for (const SiteRecord& r : load.table) {
        available.push_back(r.name());
        if (r.fields[kSearchUrl] != " ") {
            keywordCheck.push_back(r.name());
        }
    }
    load.available.addAll(std::move(available));
    load.keywordCheck.addAll(std::move(keywordCheck));
    return load;
}

}  // namespace farrow::sites
