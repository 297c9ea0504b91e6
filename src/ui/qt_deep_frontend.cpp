#include "ui/qt_deep_frontend.h"

#include "ui/deep_checklist_dialog.h"
#include "ui/deep_retrieval_window.h"
#include "ui/latin1.h"
#include "ui/qt_frontend.h"

namespace farrow::ui {

namespace {

class RetrievalWindowView final : public deep::RetrievalView {
public:
    explicit RetrievalWindowView(QWidget* parent) : window_(parent) { window_.showCentred(); }
    void showText(const std::string& text) override { window_.setUrlText(toQt(text)); }
    void showPagesRead(int pages) override { window_.setPagesRead(pages); }
    bool stopRequested() const override { return window_.stopRequested(); }

private:
    DeepRetrievalWindow window_;
};

}  // namespace

QtDeepFrontend::QtDeepFrontend(QtFrontend& frontend, QWidget* window)
    : frontend_(frontend), window_(window) {}

base::Messenger& QtDeepFrontend::messenger() {
    return frontend_;
}

base::MessagePump& QtDeepFrontend::pump() {
    return frontend_;
}

std::unique_ptr<deep::RetrievalView> QtDeepFrontend::openRetrievalView() {
    return std::make_unique<RetrievalWindowView>(window_);
}

std::optional<std::vector<deep::PageEntry>> QtDeepFrontend::choosePages(
    const std::vector<deep::ChecklistItem>& items) {
    DeepChecklistDialog dialog(items, window_);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.pages();
}

std::optional<deep::DeepRunResult> runDeepFromWindow(QtFrontend& frontend, QWidget* window,
                                                     const deep::DeepRunParams& params,
                                                     const base::Timing& timing,
                                                     std::string& currentProfilePath,
                                                     const deep::RunOnePage& runOnePage) {
    QtDeepFrontend deepFrontend(frontend, window);
    return deep::deepSubmission(params, timing, deepFrontend, currentProfilePath, runOnePage);
}

}  // namespace farrow::ui
