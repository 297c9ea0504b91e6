#include "optimizer/page_optimizer.h"

#include "platform/file_system.h"

namespace farrow::optimizer {

std::string pageMissingMessage(const std::string& page) {
    return "Couldn't Find " + page + ". Aborting";
}

OptimizeResult optimizePage(bool boxChecked, OptimizerDialogs& dialogs,
                            base::Messenger& messenger) {
    OptimizeResult result;
    if (!boxChecked) {
        return result;
    }
    if (!dialogs.confirmMirroring(kWarningText)) {
        result.outcome = OptimizeOutcome::Declined;
        return result;
    }
    result.boxChecked = true;
    const std::optional<std::string> page = dialogs.choosePage({kPageFilter, ""});
    if (!page) {
        result.outcome = OptimizeOutcome::Cancelled;
        return result;
    }
    result.page = *page;
    if (!platform::fileExists(result.page)) {
        messenger.showMessage(pageMissingMessage(result.page), base::MessageIcon::None);
        result.outcome = OptimizeOutcome::PageMissing;
        return result;
    }
    result.copies = writeMirrorCopies(result.page);
    dialogs.showDone(kDoneText);
    result.outcome = OptimizeOutcome::Done;
    return result;
}

}  // namespace farrow::optimizer
