#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/messenger.h"
#include "batch/batch_run.h"

namespace farrow::batch {

// The list of the "Batch Processing Error(s)" dialog: the failed runs' error logs in order, a path
// left out when a listed one already begins with it.
std::vector<std::string> errorDialogEntries(const std::vector<FailedRun>& failedRuns);

enum class ErrorOffer {
    // No run failed: no dialog.
    NoFailures,
    // The browser was not found: "Could Not Find " + the choice was shown, no dialog.
    BrowserMissing,
    Shown,
};

// Where the program of the chosen browser is, or nullopt when it cannot be found.
using FindBrowser = std::function<std::optional<std::string>(const std::string& browserChoice)>;
// Shows the errors dialog with its entries; the program path is the browser found.
using ShowErrorsDialog =
    std::function<void(const std::vector<std::string>& entries, const std::string& browserProgram)>;

// What the end of a batch offers: the errors dialog when runs failed and a browser is there.
ErrorOffer offerErrorLogs(const std::vector<FailedRun>& failedRuns,
                          const std::string& browserChoice, const FindBrowser& findBrowser,
                          const ShowErrorsDialog& showDialog, base::Messenger& messenger);

}  // namespace farrow::batch
