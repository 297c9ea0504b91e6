#include "ui/submission_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <utility>

#include "keywords/keyword_check.h"
#include "platform/program_start.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"
#include "ui/latin1.h"
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

keywords::BrowserEnvironment browserEnvironmentFrom(const char* browser, const char* path) {
    return {browser ? browser : "", path ? path : ""};
}

submit::RunResult runFromWindow(app::AppState& state, const profile::SubmissionProfile& profile,
                                int siteCount, QWidget& mainWindow, QtFrontend& frontend,
                                const WindowRunHooks& hooks) {
    submit::RunParams params = app::takeRunParams(state, profile, siteCount);

    QtRunFrontend runFrontend(state, mainWindow, frontend, hooks);
    base::SystemClock clock;
    submit::RunResult result = submit::runSubmission(std::move(params), runFrontend,
                                                     submit::makeExchangeTransport(), clock);
    mainWindow.setWindowTitle(toQt(app::mainCaption(state)));
    return result;
}

}  // namespace farrow::ui
