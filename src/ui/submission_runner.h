#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/profile_run.h"
#include "profile/submission_profile.h"
#include "submit/build_frontend.h"
#include "submit/run_result.h"

namespace farrow::ui {

class QtFrontend;

// What a run started from the window needs of it besides the state.
struct WindowRunHooks {
    // Shows a text in the main window's status field ("BUSY", "IDLE").
    std::function<void(const std::string&)> setStatus;
    // Shows a deep profile's page in the window's fields before it is built; may be empty.
    std::function<void(const profile::SubmissionProfile&)> showPage;
    // Says which page of a deep profile is under way ("Page 3 of 14: URL"); may be empty.
    std::function<void(const std::string&)> showUnderWay;
    // Hears how each submission run ended; may be empty.
    std::function<void(const submit::RunResult&)> runEnded;
};

// What building requests asks of the window: its messages and category chooser, and its caption,
// which shows the progress and is repainted at once since the build holds the window thread.
class WindowBuildFrontend final : public submit::BuildFrontend {
public:
    WindowBuildFrontend(QWidget& window, QtFrontend& frontend);
    base::Messenger& messenger() override;
    submit::CategoryChooser& categoryChooser() override;
    std::string caption() const override;
    void setCaption(const std::string& text) override;

private:
    QWidget& window_;
    QtFrontend& frontend_;
};

// The browser lookup's environment from $BROWSER and $PATH (either may be unset).
keywords::BrowserEnvironment browserEnvironmentFrom(const char* browser, const char* path);

// The window's side of running a profile: the build's messages and category chooser, its
// caption as progress, the progress dialog (and the debug window with the verbose switch) of
// each run, and the retrieval window and checklist of a deep profile. The window keeps answering
// throughout.
class WindowProfileRun final : public app::ProfileRunFrontend {
public:
    WindowProfileRun(app::AppState& state, QWidget& mainWindow, QtFrontend& frontend,
                     WindowRunHooks hooks);
    ~WindowProfileRun() override;

    submit::BuildFrontend& buildFrontend() override;
    submit::RunFrontend& runFrontend() override;
    std::optional<std::vector<deep::PageEntry>> deepPages(
        const profile::SubmissionProfile& profile) override;
    void pageStarting(const profile::SubmissionProfile& page) override;
    void submissionEnded(const submit::RunResult& result) override;

private:
    app::AppState& state_;
    QWidget& mainWindow_;
    QtFrontend& frontend_;
    WindowRunHooks hooks_;
    WindowBuildFrontend build_;
    std::unique_ptr<submit::RunFrontend> run_;
    int pages_ = 0;
    int pageNumber_ = 0;
};

}  // namespace farrow::ui
