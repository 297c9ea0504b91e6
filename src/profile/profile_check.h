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

// A text field that holds UTF-8 letters beyond ASCII, as an editor that saves UTF-8 writes them:
// the profile sends each byte as a letter of its own ("Café" goes out as "CafÃ©").
struct Utf8Field {
    // The field as the window labels it ("Title", "Keyword 3").
    std::string label;
    std::string value;
};

// The text fields, in file order, whose value is valid UTF-8 with at least one letter beyond
// ASCII. Single bytes that are no UTF-8 (Latin-1 as the window stores it) are not named.
std::vector<Utf8Field> utf8Fields(const SubmissionProfile& profile);

}  // namespace farrow::profile
