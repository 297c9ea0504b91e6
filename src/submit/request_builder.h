#pragma once

#include <string>
#include <vector>

#include "app/app_state.h"
#include "platform/internet_connection.h"
#include "profile/submission_profile.h"
#include "sites/site_table.h"
#include "submit/build_frontend.h"
#include "submit/category_chooser.h"
#include "submit/site_request.h"

namespace farrow::submit {

inline constexpr const char* kSiteErrorFile = "SiteErr.wri";

// The build step of "Build + GO!": checks the profile, tests the connection, and prepares one
// request per site record named by each entry of the selected-sites list, replacing what
// `state.requestList` held. Returns the number of selected entries, or 0 when nothing may be
// submitted (the user has been told why).
int buildRequestList(
    app::AppState& state, const profile::SubmissionProfile& profile, BuildFrontend& frontend,
    const platform::ConnectionTest& connectionTest = platform::attemptInternetConnection);

// Fills `targetUrl`, `payload`, `takesCategory` and `category` of `request` (whose `method` is
// set) for `site`, from the site's form-field names and the profile's values. May remember a
// category in `site.chosenCategory` and may ask `chooser`.
void buildSiteRequest(const app::AppState& state, const profile::SubmissionProfile& profile,
                      sites::SiteRecord& site, SiteRequest& request, CategoryChooser& chooser);

// The lines the category chooser offers for `site`, sorted: its category values up to "NULL",
// without empty ones and without one that a line already offered begins with.
std::vector<std::string> categoryChooserLines(const sites::SiteRecord& site);

// Where the names of sites whose category list has no end marker are written (verbose only).
std::string siteErrorFilePath();

}  // namespace farrow::submit
