#include "app/app_state.h"

#include <utility>

#include "app/text.h"

namespace farrow::app {

std::string mainCaption(const AppState& state) {
    return format("%s %d Sites Available", state.branding.productName.c_str(), state.siteCount);
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
