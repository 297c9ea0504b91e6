#pragma once

#include <optional>

#include "platform/internet_connection.h"
#include "profile/profile_dialogs.h"
#include "profile/profile_file.h"
#include "profile/submission_profile.h"
#include "submit/build_frontend.h"
#include "submit/request_builder.h"

namespace farrow::submit {

// The "Save Profile" button. A profile is saved only when the build step succeeds (profile check,
// connection test, requests); then the selected sites with their remembered categories are saved
// through the save chooser, and the requests built on the way are dropped. nullopt when the build
// step stopped it.
std::optional<profile::FileResult> saveProfileAfterBuild(
    const BuildParams& params, BuildFrontend& frontend, profile::ProfileDialogs& dialogs,
    const platform::ConnectionTest& connectionTest = platform::attemptInternetConnection);

}  // namespace farrow::submit
