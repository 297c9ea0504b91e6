#include "submit/save_profile_action.h"

#include "submit/request_builder.h"

namespace farrow::submit {

std::optional<profile::FileResult> saveProfileAfterBuild(
    app::AppState& state, const profile::SubmissionProfile& profile, BuildFrontend& frontend,
    profile::ProfileDialogs& dialogs, const platform::ConnectionTest& connectionTest) {
    if (buildRequestList(state, profile, frontend, connectionTest) == 0) {
        return std::nullopt;
    }
    const std::vector<profile::SelectedSite> entries =
        profile::selectedSiteEntries(state.siteTable, state.lists.selected);
    profile::FileResult result =
        profile::saveProfile("NULL", profile, entries, dialogs, frontend.messenger());
    state.requestList.clear();
    return result;
}

}  // namespace farrow::submit
