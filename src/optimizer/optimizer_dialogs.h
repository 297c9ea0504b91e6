#pragma once

#include <optional>
#include <string>

#include "profile/profile_dialogs.h"

namespace farrow::optimizer {

// The modal steps of the page optimizer. The desktop shows its dialogs; tests script them.
class OptimizerDialogs {
public:
    virtual ~OptimizerDialogs() = default;
    // "Optimization Warning" with `text`: true only when the user leaves it by "That's Fine".
    virtual bool confirmMirroring(const std::string& text) = 0;
    // An open-file chooser whose typed name need not exist; nullopt when the user cancels.
    virtual std::optional<std::string> choosePage(const profile::FileChooserOptions& options) = 0;
    // "Optimization Done" with `text`, until the user dismisses it.
    virtual void showDone(const std::string& text) = 0;
};

}  // namespace farrow::optimizer
