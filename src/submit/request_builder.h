#pragma once

#include <string>
#include <vector>

#include "base/timing.h"
#include "keywords/smart_match_table.h"
#include "platform/internet_connection.h"
#include "profile/submission_profile.h"
#include "sites/site_table.h"
#include "sites/sorted_list.h"
#include "submit/build_frontend.h"
#include "submit/category_chooser.h"
#include "submit/site_request.h"

namespace farrow::submit {

inline constexpr const char* kSiteErrorFile = "SiteErr.wri";

// What a build step reads. The site table is written: sites remember their chosen categories.
struct BuildParams {
    const profile::SubmissionProfile& profile;
    sites::SiteTable& siteTable;
    const sites::SortedList& selected;
    const keywords::SmartMatchTable& smartMatchTable;
    // Verbose: sites whose category list has no end marker are noted in the site error file.
    bool verbose = false;
    // Site log: every request is noted in the logs folder's site log.
    bool siteLog = false;
    std::string logsDir;
    // Where the names of sites whose category list has no end marker are written (verbose only).
    std::string siteErrorFile;
    base::Timing timing;
};

struct BuildResult {
    // The number of selected entries, or 0 when nothing may be submitted (the user has been told
    // why).
    int selectedCount = 0;
    // One request per site record named by each selected entry, in list order.
    RequestList requests;
};

// The build step of "Build + GO!": checks the profile, tests the connection, and prepares the
// requests.
BuildResult buildRequestList(
    const BuildParams& params, BuildFrontend& frontend,
    const platform::ConnectionTest& connectionTest = platform::attemptInternetConnection);

// Fills `targetUrl`, `payload`, `takesCategory` and `category` of `request` (whose `method` is
// set) for `site`, from the site's form-field names and the profile's values. May remember a
// category in `site.chosenCategory` and may ask `chooser`.
void buildSiteRequest(const BuildParams& params, sites::SiteRecord& site, SiteRequest& request,
                      CategoryChooser& chooser);

// The lines the category chooser offers for `site`, sorted: its category values up to "NULL",
// without empty ones and without one that a line already offered begins with.
std::vector<std::string> categoryChooserLines(const sites::SiteRecord& site);

// Where the names of sites whose category list has no end marker are written (verbose only):
// "SiteErr.wri" in the temporary folder `tempDir`, or in /tmp when it is empty.
std::string siteErrorFilePath(const std::string& tempDir);

}  // namespace farrow::submit
