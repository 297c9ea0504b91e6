#include "submit/save_profile_action.h"

#include "submit/request_builder.h"

namespace farrow::submit {

std::optional<profile::FileResult> saveProfileAfterBuild(
    const BuildParams& params, BuildFrontend& frontend, profile::ProfileDialogs& dialogs,
    const platform::ConnectionTest& connectionTest) {
    if (buildRequestList(params, frontend, connectionTest).selectedCount == 0) {
        return std::nullopt;
    }
    const std::vector<profile::SelectedSite> entries =
        profile::selectedSiteEntries(params.siteTable, params.selected);
    return profile::saveProfile("NULL", params.profile, entries, dialogs, frontend.messenger());
}

}  // namespace farrow::submit
