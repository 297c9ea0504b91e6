#pragma once

#include <atomic>
#include <string>

#include "base/timing.h"
#include "indexnow/key_scope.h"

namespace farrow::indexnow {

enum class KeyFileState {
    Ok,
    // The site answered with another status than 200.
    NotFound,
    // A file is there, but it does not hold the key.
    WrongContent,
    // The site sends the engines elsewhere; they do not follow.
    Redirected,
    Unreachable,
};

struct KeyFileCheck {
    KeyFileState state = KeyFileState::Unreachable;
    long status = 0;
    // Where a redirect pointed, or why the site could not be reached.
    std::string detail;
    // What the check found, in plain words for the user.
    std::string message;
};

// Fetches the scope's key file as the engines do (no redirects followed, certificates verified)
// and says whether it holds the key and nothing else. `cancel` may be null.
KeyFileCheck checkKeyFile(const KeyScope& scope, const base::Timing& timing,
                          const std::string& caFile, const std::string& userAgent,
                          const std::atomic<bool>* cancel = nullptr);

}  // namespace farrow::indexnow
