#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/caption_catalogue.h"
#include "app/profile_run.h"
#include "app/run_summary.h"
#include "batch/batch_run.h"
#include "platform/internet_connection.h"
#include "profile/submission_profile.h"
#include "sites/selection_model.h"
#include "ui/run_summary_window.h"

class QStackedWidget;
class QTabBar;

namespace farrow::ui {

class CategoryPage;
class ContactPage;
class ControlColumn;
class KeywordCheckPage;
class ProfilePage;
class QtFrontend;
class SelectionPage;
class SettingsPage;
class SiteTextPage;
class StartPage;

// The program's only top-level window: seven pages on the left (the tab bar chooses which one
// is shown) and a column of controls on the right that is always visible. Each page holds its
// own controls; the window reads and writes the profile through them, runs the actions their
// buttons ask for, and shows the application state's site lists on the pages after each change.
class MainDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPageCount = 7;

    MainDialog(app::AppState& state, QtFrontend& frontend, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Everything that must happen before the user can work: branding, picture, captions, the
    // start-up sequence with its dialogs, "READY" and the caption. False when the database
    // update failed and the program must end.
    bool initialise(const std::vector<std::string>& argv);

    // The profile as the window holds it; the selected sites are listed as a saved profile lists
    // them, each with its category flag and remembered category.
    profile::SubmissionProfile readProfile() const;
    // Puts a profile into the window: every text field and switch, and the selection, which
    // replaces the current one the way a loaded profile does.
    void writeProfile(const profile::SubmissionProfile& profile);

    sites::SelectionModel& selection() { return selection_; }
    // Replaces the test for a live Internet connection that building requests begins with.
    void setConnectionTest(platform::ConnectionTest test) { connectionTest_ = std::move(test); }
    // The folder the help page is looked for from; the executable's by default.
    void setProgramFolder(const QString& folder) { programFolder_ = folder; }
    // What "Build + GO!" does with the requests it built; by default it submits them.
    using RunStarter = std::function<void(const profile::SubmissionProfile&, int siteCount)>;
    void setRunStarter(RunStarter starter) { runStarter_ = std::move(starter); }
    // Shows the list models in the list widgets again, after any change to the models.
    void refreshSiteLists();
    // Shows the status text of the application state in the status field.
    void refreshStatus();

protected:
    // The title bar's close box and Escape ask the exit question as "Exit" does, so one stray
    // key cannot lose what was typed; while a run is in progress both are ignored.
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildControls();
    void connectActions();

    void applyCaptions(const app::CaptionCatalogue& captions);
    // Puts the text fields and switches of `profile` into the controls; the selection is left.
    void writeProfileFields(const profile::SubmissionProfile& profile);
    // Shows the categories of the highlighted category site with its remembered category
    // highlighted; empty when no category site is highlighted.
    void refreshCategories();

    // The profile as it was last loaded or saved, to tell the exit question whether it changed.
    void rememberProfile();
    bool profileChanged() const;

    void switchPage(int index);
    void onExit();
    void onAbout();
    // Shows the help page in the user's browser, as the other pages the window opens are shown.
    void onHelp();
    void onSaveSettings();
    // Runs one change of the selection and shows the lists again; nothing while a run is busy.
    void changeSelection(const std::function<void()>& change);
    void onCategoryChanged();

    void onBuildAndGo();
    // Runs `profile` (deep or not); with `showPages` the fields show each deep page in turn.
    app::ProfileRunResult runProfile(const profile::SubmissionProfile& profile, bool showPages);
    // Loads and runs one profile of a batch, deep or not, and says how it went.
    batch::ProfileRunReport runBatchProfile(const batch::ProfileRun& run);
    // Ends a run, a deep run or a batch with what its runs added up to and the files they wrote.
    void showRunSummary(const QString& title, const batch::BatchResult* batch);
    // The summary window of a job that has ended, in place of the one shown before; the caller
    // shows it, or runs it modal when the program ends after it.
    RunSummaryWindow* makeSummary(const QString& title, const std::string& text,
                                  const std::vector<std::string>& files);
    void showUnderWay(const std::string& page);
    void onSaveProfile();
    void onLoadProfile();
    // The actions that later versions build; each is the one place its work plugs in.
    void onBatchSubmission();
    void onOptimize();
    void onCheckKeyword();
    // Announces the site to the engines that take URL pings, in a dialog of its own.
    void onIndexNow();
    // Audits the site of the pages in a window of its own and opens the audit in the browser.
    void onSiteAudit();

    app::AppState& state_;
    QtFrontend& frontend_;
    sites::SelectionModel selection_;
    platform::ConnectionTest connectionTest_ = platform::attemptInternetConnection;
    QIcon icon_;
    QString programFolder_;

    ControlColumn* column_ = nullptr;
    QTabBar* tabBar_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    StartPage* startPage_ = nullptr;
    SettingsPage* settingsPage_ = nullptr;
    ContactPage* contactPage_ = nullptr;
    SiteTextPage* siteTextPage_ = nullptr;
    SelectionPage* selectionPage_ = nullptr;
    CategoryPage* categoryPage_ = nullptr;
    KeywordCheckPage* keywordCheckPage_ = nullptr;
    // In tab order.
    std::array<ProfilePage*, kPageCount> pageList_{};
    // A run is in progress: the actions that start runs or change the profile do nothing.
    bool busy_ = false;
    // The exit question was answered "OK": the close that follows is let through.
    bool exiting_ = false;
    std::string rememberedProfile_;
    // The runs of the job under way; and the profile a batch is at.
    app::RunSummary summary_;
    int batchProfileNumber_ = 0;
    std::string batchProfileLine_;
    QPointer<RunSummaryWindow> summaryWindow_;
    RunStarter runStarter_;
};

}  // namespace farrow::ui
