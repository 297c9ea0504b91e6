#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "base/timing.h"
#include "deep/deep_frontend.h"
#include "deep/deep_run.h"

namespace farrow::ui {

class QtFrontend;

// The desktop's side of a deep submission: the retrieval window and the checklist dialog over
// `window`, message boxes and message pumping through `frontend`.
class QtDeepFrontend : public deep::DeepFrontend {
public:
    QtDeepFrontend(QtFrontend& frontend, QWidget* window);

    base::Messenger& messenger() override;
    base::MessagePump& pump() override;
    std::unique_ptr<deep::RetrievalView> openRetrievalView() override;
    std::optional<std::vector<deep::PageEntry>> choosePages(
        const std::vector<deep::ChecklistItem>& items) override;

private:
    QtFrontend& frontend_;
    QPointer<QWidget> window_;
};

// A whole deep submission over the window's dialogs: the retrieval window, its messages and the
// checklist, then `runOnePage` for each page left. nullopt when nothing was run.
std::optional<deep::DeepRunResult> runDeepFromWindow(QtFrontend& frontend, QWidget* window,
                                                     const deep::DeepRunParams& params,
                                                     const base::Timing& timing,
                                                     std::string& currentProfilePath,
                                                     const deep::RunOnePage& runOnePage);

}  // namespace farrow::ui
