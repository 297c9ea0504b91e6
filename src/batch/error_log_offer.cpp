#include "batch/error_log_offer.h"

#include <algorithm>

namespace farrow::batch {

std::vector<std::string> errorDialogEntries(const std::vector<FailedRun>& failedRuns) {
    std::vector<std::string> entries;
    for (const FailedRun& run : failedRuns) {
        const bool listed =
            std::any_of(entries.begin(), entries.end(),
                        [&run](const std::string& e) { return e.starts_with(run.errorLogPath); });
        if (!listed) {
            entries.push_back(run.errorLogPath);
        }
    }
    return entries;
}

ErrorOffer offerErrorLogs(const std::vector<FailedRun>& failedRuns,
                          const std::string& browserChoice, const FindBrowser& findBrowser,
                          const ShowErrorsDialog& showDialog, base::Messenger& messenger) {
    if (failedRuns.empty()) {
        return ErrorOffer::NoFailures;
    }
    const std::optional<std::string> browser = findBrowser(browserChoice);
    if (!browser) {
        messenger.showMessage("Could Not Find " + browserChoice, base::MessageIcon::None);
        return ErrorOffer::BrowserMissing;
    }
    showDialog(errorDialogEntries(failedRuns), *browser);
    return ErrorOffer::Shown;
}

}  // namespace farrow::batch
