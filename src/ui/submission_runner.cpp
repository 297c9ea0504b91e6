#include "ui/submission_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <utility>

#include "app/run_summary.h"
#include "keywords/keyword_check.h"
#include "platform/program_start.h"
#include "ui/latin1.h"
#include "ui/qt_deep_frontend.h"
#include "ui/qt_frontend.h"
#include "ui/run_windows.h"

namespace farrow::ui {

namespace {

// Waits of a run on the window thread: the event loop runs on for the time asked, so the
// windows repaint and the buttons answer while the run waits.
class QtRunPump final : public submit::RunPump {
public:
    void pumpMessages() override { QCoreApplication::processEvents(); }
    void pumpFor(base::Millis duration) override {
        QEventLoop loop;
        QTimer::singleShot(duration, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

class QtRunFrontend final : public submit::RunFrontend {
public:
    QtRunFrontend(app::AppState& state, QWidget& mainWindow, QtFrontend& frontend,
                  const WindowRunHooks& hooks)
        : state_(state), mainWindow_(mainWindow), frontend_(frontend), hooks_(hooks) {}

    base::Messenger& messenger() override { return frontend_; }
    submit::RunPump& pump() override { return pump_; }
    void setStatus(const std::string& text) override {
        state_.statusText = text;
        hooks_.setStatus(text);
    }
    void setMainCaption(const std::string& text) override {
        mainWindow_.setWindowTitle(toQt(text));
    }
    void refreshMain() override { mainWindow_.repaint(); }
    // The main window runs modal, so a window without it as parent would get no clicks: ABORT
    // and Pause could not be pressed.
    std::unique_ptr<submit::ProgressView> createProgressView() override {
        return std::make_unique<ProgressDialog>(&mainWindow_);
    }
    std::unique_ptr<submit::DebugView> createDebugView() override {
        return std::make_unique<DebugWindow>(&mainWindow_);
    }
    bool askShowErrorLog() override {
        QMessageBox box(QMessageBox::Question, "Errors Found....",
                        "Errors were found during submission.  Do you want to display the error "
                        "log?",
                        QMessageBox::NoButton, &mainWindow_);
        box.setObjectName("errorsFoundBox");
        QPushButton* yes = box.addButton("YES!", QMessageBox::YesRole);
        box.addButton("Nope, not now.", QMessageBox::NoRole);
        box.exec();
        return box.clickedButton() == yes;
    }
    void showErrorLog(const std::string& errorLogName) override {
        platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
        keywords::showDocument(state_.userSettings.browserChoice, errorLogName,
                               state_.browserEnvironment, starter, frontend_);
    }
    void siteFinished(const submit::SiteReport&) override {}

private:
    app::AppState& state_;
    QWidget& mainWindow_;
    QtFrontend& frontend_;
    const WindowRunHooks& hooks_;
    QtRunPump pump_;
};

}  // namespace

WindowBuildFrontend::WindowBuildFrontend(QWidget& window, QtFrontend& frontend)
    : window_(window), frontend_(frontend) {}

base::Messenger& WindowBuildFrontend::messenger() {
    return frontend_;
}

submit::CategoryChooser& WindowBuildFrontend::categoryChooser() {
    return frontend_;
}

std::string WindowBuildFrontend::caption() const {
    return fromQt(window_.windowTitle());
}

void WindowBuildFrontend::setCaption(const std::string& text) {
    window_.setWindowTitle(toQt(text));
    window_.repaint();
}

keywords::BrowserEnvironment browserEnvironmentFrom(const char* browser, const char* path) {
    return {browser ? browser : "", path ? path : ""};
}

WindowProfileRun::WindowProfileRun(app::AppState& state, QWidget& mainWindow, QtFrontend& frontend,
                                   WindowRunHooks hooks)
    : state_(state),
      mainWindow_(mainWindow),
      frontend_(frontend),
      hooks_(std::move(hooks)),
      build_(mainWindow, frontend),
      run_(std::make_unique<QtRunFrontend>(state, mainWindow, frontend, hooks_)) {}

WindowProfileRun::~WindowProfileRun() = default;

submit::BuildFrontend& WindowProfileRun::buildFrontend() {
    return build_;
}

submit::RunFrontend& WindowProfileRun::runFrontend() {
    return *run_;
}

std::optional<std::vector<deep::PageEntry>> WindowProfileRun::deepPages(
    const profile::SubmissionProfile& profile) {
    QtDeepFrontend deepFrontend(frontend_, &mainWindow_);
    auto pages = deep::choosePages(deep::DeepRunParams{profile}, state_.timing, deepFrontend);
    pages_ = pages ? static_cast<int>(pages->size()) : 0;
    pageNumber_ = 0;
    return pages;
}

void WindowProfileRun::pageStarting(const profile::SubmissionProfile& page) {
    if (hooks_.showPage) {
        hooks_.showPage(page);
    }
    if (hooks_.showUnderWay) {
        hooks_.showUnderWay(app::pageUnderWay(++pageNumber_, pages_, page.url));
    }
}

void WindowProfileRun::submissionEnded(const submit::RunResult& result) {
    mainWindow_.setWindowTitle(toQt(app::mainCaption(state_)));
    if (hooks_.runEnded) {
        hooks_.runEnded(result);
    }
}

}  // namespace farrow::ui
