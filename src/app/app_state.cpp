#include "app/app_state.h"

#include <utility>

#include "base/text.h"

namespace farrow::app {

std::string mainCaption(const AppState& state) {
    return base::format("%s %d Sites Available", state.branding.productName.c_str(),
                        state.siteCount);
}

profile::SiteSelection siteSelection(AppState& state) {
    return profile::SiteSelection{state.siteTable, state.lists, state.switches.verbose};
}

submit::BuildParams buildParams(AppState& state, const profile::SubmissionProfile& profile) {
    return submit::BuildParams{.profile = profile,
                               .siteTable = state.siteTable,
                               .selected = state.lists.selected,
                               .smartMatchTable = state.smartMatchTable,
                               .verbose = state.switches.verbose,
                               .siteLog = state.switches.siteLog,
                               .logsDir = state.logsDir,
                               .siteErrorFile = submit::siteErrorFilePath(state.tempDir),
                               .timing = state.timing};
}

int buildRequests(AppState& state, const profile::SubmissionProfile& profile,
                  submit::BuildFrontend& frontend, const platform::ConnectionTest& connectionTest) {
    submit::BuildResult built =
        submit::buildRequestList(buildParams(state, profile), frontend, connectionTest);
    state.requestList = std::move(built.requests);
    return built.selectedCount;
}

submit::RunParams takeRunParams(AppState& state, const profile::SubmissionProfile& profile,
                                int siteCount) {
    submit::RunParams params;
    params.requests = std::move(state.requestList);
    state.requestList.clear();
    params.siteCount = siteCount;
    params.profile = profile;
    params.logsDir = state.logsDir;
    params.errorsDir = state.errorsDir;
    params.branding = state.branding;
    params.switches = state.switches;
    params.timing = state.timing;
    params.currentProfilePath = state.currentProfilePath;
    params.batchLogPath = state.batchLogPath;
    params.batchErrorLogPath = state.batchErrorLogPath;
    params.userEmail = state.userSettings.userEmail;
    params.mailSetting = state.branding.mailSetting;
    params.runStopped = &state.runStopped;
    return params;
}

}  // namespace farrow::app
