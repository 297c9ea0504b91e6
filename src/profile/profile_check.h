#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/messenger.h"
#include "profile/submission_profile.h"

namespace farrow::profile {

// Checks that a profile may be built, saved or submitted. Every check runs; each failing one is
// shown as its own warning, in the fixed order, and its message is also returned. The profile
// passed when the result is empty. `selectedCount` is the size of the selected-sites list.
std::vector<std::string> checkProfile(const SubmissionProfile& profile, std::size_t selectedCount,
                                      base::Messenger& messenger);

}  // namespace farrow::profile
