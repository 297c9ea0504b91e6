#pragma once

#include <string>
#include <vector>

#include "base/messenger.h"
#include "optimizer/mirror_copies.h"
#include "optimizer/optimizer_dialogs.h"

namespace farrow::optimizer {

// The warning and the closing note, with their line breaks.
inline constexpr const char* kWarningText =
    "Some search enginges treat MIRRORED pages as SPAM, and as such reduce the visibility of, "
    "remove, or reject such sites.  Be advised that mirroring the pages on your site can have "
    "dramatic OR DISASTROUS results.  \r\n\r\n"
    "If you would rather NOT tempt fate, press NO WAY! \r\n\r"
    "If you press THAT'S FINE, you will be prompted to Select you HTML Page to Optimize";

inline constexpr const char* kDoneText =
    "The OPTIMIZATION Procedure is complete. To Utilize this feature fully, you now need to "
    "upload the generated mirror files to your web site...";
// The page chooser's type list.
inline constexpr const char* kPageFilter =
    "HTML Pages (*.htm,*.html)|*.htm;*.html|All Files (*.*)|*.*||";

// "Couldn't Find PAGE. Aborting"
std::string pageMissingMessage(const std::string& page);

enum class OptimizeOutcome {
    // The click left the box unticked.
    NotChecked,
    Declined,
    Cancelled,
    PageMissing,
    Done,
};

struct OptimizeResult {
    OptimizeOutcome outcome = OptimizeOutcome::NotChecked;
    // Whether the "Optimize" box is to be ticked afterwards.
    bool boxChecked = false;
    std::string page;
    std::vector<MirrorCopy> copies;
};

// A click on the "Optimize" box, which `boxChecked` says it left ticked or not: the warning,
// the page chooser, the five mirror copies and the closing note.
OptimizeResult optimizePage(bool boxChecked, OptimizerDialogs& dialogs, base::Messenger& messenger);

}  // namespace farrow::optimizer
