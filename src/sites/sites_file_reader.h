#pragma once

#include <functional>

#include "base/error.h"
#include "base/messenger.h"
#include "base/workspace.h"
#include "sites/site_lists.h"
#include "sites/site_table.h"

namespace farrow::sites {

struct SitesReadOptions {
    // The adult-only edition keeps only sites whose name holds "Adult" (all are counted).
    bool adultOnlyEdition = false;
    // Once the file is open.
    std::function<void()> onOpened;
    // After each record, with the number kept so far.
    std::function<void(int kept)> onCount;
    // Every record read, kept or not (the site log dumps them).
    std::function<void(const SiteRecord&)> onRecord;
};

struct SitesLoad {
    // False when the file is missing or cannot be opened.
    bool read = false;
    // NotFound (nothing shown), OpenFailed or ReadFailed (shown with a stop icon).
    base::Error error;
    SiteTable table;
    // Lines accepted as site records, counting those the edition does not keep.
    int siteCount = 0;
    // The kept names, for the available-sites and keyword-check lists.
    SortedList available;
    SortedList keywordCheck;
};

// Reads the workspace's sites file.
SitesLoad readSitesFile(const base::Workspace& workspace, const SitesReadOptions& options,
                        base::Messenger& messenger);

}  // namespace farrow::sites
