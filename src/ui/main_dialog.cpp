#include "ui/main_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>

#include "app/startup_sequence.h"
#include "app/user_settings.h"
#include "batch/error_log_offer.h"
#include "keywords/keyword_check.h"
#include "optimizer/page_optimizer.h"
#include "platform/file_system.h"
#include "platform/program_start.h"
#include "profile/batch_session_file.h"
#include "profile/profile_file.h"
#include "sites/database_download.h"
#include "submit/save_profile_action.h"
#include "ui/batch_dialog.h"
#include "ui/batch_errors_dialog.h"
#include "ui/category_page.h"
#include "ui/contact_page.h"
#include "ui/control_column.h"
#include "ui/help_file.h"
#include "ui/indexnow_dialog.h"
#include "ui/keyword_check_page.h"
#include "ui/latin1.h"
#include "ui/page_controls.h"
#include "ui/qt_frontend.h"
#include "ui/qt_optimizer_dialogs.h"
#include "ui/selection_page.h"
#include "ui/settings_page.h"
#include "ui/site_audit_window.h"
#include "ui/site_text_page.h"
#include "ui/start_page.h"
#include "ui/submission_runner.h"

namespace farrow::ui {

namespace {

constexpr std::size_t kFirstPageCaption = 46;
constexpr int kPageMargin = 10;
constexpr int kColumnGap = 12;

// Wide enough for the long names of dated sitemaps and workspace folders.
constexpr QSize kFileChooserSize{860, 540};

QString qs(const std::string& text) {
    return toQt(text);
}

// A file chooser of the IndexNow dialog; empty when the user cancels.
std::string chosenFile(QWidget* parent, QFileDialog::AcceptMode mode, const QString& caption,
                       const QString& at, const QString& filter) {
    QFileDialog chooser(parent, caption, at, filter);
    chooser.setAcceptMode(mode);
    chooser.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    chooser.resize(kFileChooserSize);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return {};
    }
    return pathFromQt(chooser.selectedFiles().front());
}

}  // namespace

MainDialog::MainDialog(app::AppState& state, QtFrontend& frontend, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state),
      frontend_(frontend),
      selection_(state.siteTable, state.lists, frontend),
      programFolder_(QCoreApplication::applicationDirPath()) {
    setObjectName("mainDialog");
    // The workspace's files, wherever the program was started from.
    if (const std::string icon = state_.workspace.iconFile(); platform::fileExists(icon)) {
        icon_ = QIcon(pathToQt(icon));
    }
    buildControls();
    connectActions();
    frontend_.setMainWindow(this);
}

MainDialog::~MainDialog() {
    frontend_.setMainWindow(nullptr);
}

void MainDialog::buildControls() {
    tabBar_ = new QTabBar(this);
    tabBar_->setObjectName("pageTabs");
    tabBar_->setExpanding(false);
    tabBar_->setDrawBase(false);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName("pages");
    startPage_ = new StartPage;
    settingsPage_ = new SettingsPage;
    contactPage_ = new ContactPage;
    siteTextPage_ = new SiteTextPage;
    selectionPage_ = new SelectionPage;
    categoryPage_ = new CategoryPage;
    keywordCheckPage_ = new KeywordCheckPage;
    pageList_ = {startPage_,     settingsPage_, contactPage_,     siteTextPage_,
                 selectionPage_, categoryPage_, keywordCheckPage_};
    for (ProfilePage* p : pageList_) {
        pages_->addWidget(p);
    }
    auto* pageFrame = new QFrame(this);
    pageFrame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* frameLayout = new QVBoxLayout(pageFrame);
    frameLayout->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    frameLayout->addWidget(pages_);
    pages_->setFixedSize(kPageWidth, kPageHeight);

    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(tabBar_);
    left->addWidget(pageFrame);

    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
    top->setSpacing(kColumnGap);
    top->addLayout(left);
    column_ = new ControlColumn(this);
    addAction(column_->aboutAction());
    setContextMenuPolicy(Qt::ActionsContextMenu);
    top->addWidget(column_);
    top->setSizeConstraint(QLayout::SetFixedSize);
    // Enter in a field must not press a button behind the user's back (it used to reach "Exit").
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

void MainDialog::connectActions() {
    connect(tabBar_, &QTabBar::currentChanged, this, &MainDialog::switchPage);
    connect(column_, &ControlColumn::exitClicked, this, &MainDialog::onExit);
    connect(column_, &ControlColumn::helpClicked, this, &MainDialog::onHelp);
    connect(column_->aboutAction(), &QAction::triggered, this, &MainDialog::onAbout);
    connect(settingsPage_, &SettingsPage::saveSettingsClicked, this, &MainDialog::onSaveSettings);

    connect(selectionPage_, &SelectionPage::addSelectedClicked, this, [this] {
        changeSelection([this] { selection_.addSelected(selectionPage_->highlightedAvailable()); });
    });
    connect(selectionPage_, &SelectionPage::addAllClicked, this, [this] {
        changeSelection([this] { selection_.addAll(selectionPage_->highlightedAvailable()); });
    });
    connect(selectionPage_, &SelectionPage::removeSelectedClicked, this, [this] {
        changeSelection(
            [this] { selection_.removeSelected(selectionPage_->highlightedSelected()); });
    });
    connect(selectionPage_, &SelectionPage::removeAllClicked, this,
            [this] { changeSelection([this] { selection_.removeAll(); }); });
    connect(categoryPage_, &CategoryPage::categorySiteChanged, this,
            &MainDialog::refreshCategories);
    connect(categoryPage_, &CategoryPage::categoryChanged, this, &MainDialog::onCategoryChanged);

    connect(categoryPage_, &CategoryPage::buildAndGoClicked, this, &MainDialog::onBuildAndGo);
    connect(categoryPage_, &CategoryPage::saveProfileClicked, this, &MainDialog::onSaveProfile);
    connect(categoryPage_, &CategoryPage::loadProfileClicked, this, &MainDialog::onLoadProfile);
    connect(column_, &ControlColumn::batchClicked, this, &MainDialog::onBatchSubmission);
    connect(column_, &ControlColumn::indexNowClicked, this, &MainDialog::onIndexNow);
    connect(column_, &ControlColumn::siteAuditClicked, this, &MainDialog::onSiteAudit);
    connect(column_, &ControlColumn::optimizeClicked, this, &MainDialog::onOptimize);
    connect(keywordCheckPage_, &KeywordCheckPage::checkClicked, this, &MainDialog::onCheckKeyword);
}

bool MainDialog::initialise(const std::vector<std::string>& argv) {
    setCursor(Qt::WaitCursor);
    app::loadBranding(state_, frontend_);
    const QString product = qs(state_.branding.productName);
    frontend_.setMessageTitle(
        state_.branding.productName == "NULL" ? QCoreApplication::applicationName() : product);
    startPage_->showPicture(state_.workspace.pictureFile());
    if (const auto captions = app::readCaptionCatalogue(state_.workspace.captionsFile())) {
        applyCaptions(*captions);
    }
    column_->setProductName(product);
    setWindowIcon(icon_);

    state_.statusText = "Initializing";
    refreshStatus();
    contactPage_->setUrl("http://");
    startPage_->showLines({state_.branding.productName, app::kProductVersion, app::kReleaseDate,
                           state_.branding.vendorLine, state_.branding.vendorName});
    pages_->setCurrentIndex(0);

    const app::StartupOutcome outcome = app::runStartupSequence(state_, argv, frontend_);
    if (!outcome.ok) {
        unsetCursor();
        if (outcome.download) {
            // After the messages that end the program: the server and the reason, which they
            // do not name. The program ends once it is closed. The main window is not up, so
            // it stands where the start-up's windows stood.
            RunSummaryWindow* failed =
                makeSummary("Database Update Failed",
                            sites::updateText(*outcome.download, state_.databaseServer), {});
            failed->move(failed->screen()->availableGeometry().center() - failed->rect().center());
            failed->exec();
        }
        return false;
    }
    if (outcome.download) {
        // Shown once the main window is up, so that it is not hidden behind it.
        QTimer::singleShot(
            0, this, [this, text = sites::updateText(*outcome.download, state_.databaseServer)] {
                makeSummary("Database Update Done", text, {})->show();
            });
    }
    if (outcome.settingsFileExisted) {
        settingsPage_->load(state_.userSettings);
    }
    refreshSiteLists();

    app::finishStartup(state_);
    refreshStatus();
    setWindowTitle(qs(app::mainCaption(state_)));
    rememberProfile();
    unsetCursor();
    return true;
}

void MainDialog::applyCaptions(const app::CaptionCatalogue& captions) {
    // Line N of the catalogue names one control; each page sets the lines of its own.
    for (ProfilePage* p : pageList_) {
        p->applyCaptions(captions);
    }
    column_->applyCaptions(captions);
    const QSignalBlocker block(tabBar_);
    for (std::size_t line = kFirstPageCaption; line <= app::kCaptionLines; ++line) {
        tabBar_->addTab(qs(captions[line - 1]));
    }
    tabBar_->setCurrentIndex(0);
}

void MainDialog::refreshSiteLists() {
    selectionPage_->showLists(state_.lists.available, state_.lists.selected);
    categoryPage_->showCategorySites(state_.lists.categorySites);
    keywordCheckPage_->showSites(state_.lists.keywordCheck);
    refreshCategories();
}

void MainDialog::refreshCategories() {
    // A highlight carried over from another site would show a choice its record does not hold,
    // so the list is made anew from the highlighted category site, or emptied without one.
    const int site = categoryPage_->categorySiteRow();
    int chosen = -1;
    if (site < 0) {
        state_.lists.categories.clear();
    } else {
        chosen = selection_.showCategories(site);
    }
    categoryPage_->showCategories(state_.lists.categories, chosen);
}

void MainDialog::refreshStatus() {
    column_->showStatus(qs(state_.statusText));
}

void MainDialog::switchPage(int index) {
    if (index < 0 || index >= kPageCount) {
        return;
    }
    pages_->setCurrentIndex(index);
    // Unsaved edits of the personal fields are dropped on every page change.
    settingsPage_->resetPersonalFields(state_.userSettings);
    refreshStatus();
}

void MainDialog::rememberProfile() {
    const profile::SubmissionProfile p = readProfile();
    rememberedProfile_ = profile::formatProfile(p, p.selectedSites);
}

bool MainDialog::profileChanged() const {
    const profile::SubmissionProfile p = readProfile();
    return profile::formatProfile(p, p.selectedSites) != rememberedProfile_;
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    event->ignore();
    onExit();
}

void MainDialog::reject() {
    onExit();
}

void MainDialog::onExit() {
    if (busy_ || exiting_) {
        return;
    }
    if (!frontend_.confirmExit(profileChanged())) {
        return;
    }
    exiting_ = true;
    state_.siteTable.clear();
    state_.requestList.clear();
    accept();
}

void MainDialog::onAbout() {
    frontend_.showAbout(state_.branding, icon_);
}

void MainDialog::onHelp() {
    const QString path = findHelpFile(programFolder_);
    if (path.isEmpty()) {
        frontend_.showMessage(
            "The help file " + std::string(kHelpFileName) + " could not be found.",
            base::MessageIcon::Exclamation);
        return;
    }
    platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
    keywords::showDocument(state_.userSettings.browserChoice, pathFromQt(path),
                           state_.browserEnvironment, starter, frontend_);
}

void MainDialog::onSaveSettings() {
    settingsPage_->save(state_.userSettings);
    const std::string path = state_.workspace.settingsFile();
    if (const base::Error error = app::writeConfiguration(state_.userSettings, path)) {
        // Saying it was written would leave the user believing in settings that are lost.
        frontend_.showMessage("Could not write the settings \"" + path + "\": " + error.reason,
                              base::MessageIcon::Exclamation);
        return;
    }
    frontend_.showMessage(
        "New Configuration Written!  You will need to close the program and restart for changes "
        "to take effect.",
        base::MessageIcon::Information);
}

void MainDialog::changeSelection(const std::function<void()>& change) {
    if (busy_) {
        return;
    }
    change();
    refreshSiteLists();
}

void MainDialog::onCategoryChanged() {
    selection_.rememberCategory(categoryPage_->categorySiteRow(), categoryPage_->categoryRow());
}

profile::SubmissionProfile MainDialog::readProfile() const {
    profile::SubmissionProfile p;
    for (const ProfilePage* page : pageList_) {
        page->save(p);
    }
    p.deep = column_->deepChecked();
    p.selectedSites = profile::selectedSiteEntries(state_.siteTable, state_.lists.selected);
    return p;
}

void MainDialog::writeProfile(const profile::SubmissionProfile& p) {
    writeProfileFields(p);
    profile::applySelectedSites(app::siteSelection(state_), p.selectedSites, frontend_);
    categoryPage_->clearCategorySite();
    refreshSiteLists();
    rememberProfile();
}

void MainDialog::writeProfileFields(const profile::SubmissionProfile& p) {
    for (ProfilePage* page : pageList_) {
        page->load(p);
    }
    column_->setDeepChecked(p.deep);
}

void MainDialog::onBuildAndGo() {
    if (busy_) {
        return;
    }
    // Every action that starts a run or changes the profile waits for "IDLE": a second run
    // cannot start inside this one's waits, nor Exit free the requests under the dispatcher.
    busy_ = true;
    const profile::SubmissionProfile own = readProfile();
    summary_ = {};
    if (own.deep) {
        state_.runStopped = false;
    }
    const app::ProfileRunResult ran = runProfile(own, /*showPages=*/true);
    if (own.deep) {
        // The fields showed each page in turn; a later save or run must take the user's own.
        contactPage_->setUrl(own.url);
        siteTextPage_->setTitle(own.title);
        showUnderWay({});
    }
    if (ran.submitted()) {
        showRunSummary(own.deep ? "Deep Submission Done" : "Submission Done", nullptr);
    }
    busy_ = false;
}

app::ProfileRunResult MainDialog::runProfile(const profile::SubmissionProfile& profile,
                                             bool showPages) {
    WindowRunHooks hooks;
    hooks.setStatus = [this](const std::string& text) {
        column_->showStatus(qs(text), /*now=*/true);
    };
    hooks.showUnderWay = [this](const std::string& page) { showUnderWay(page); };
    hooks.runEnded = [this](const submit::RunResult& r) { summary_.add(r); };
    if (showPages) {
        hooks.showPage = [this](const profile::SubmissionProfile& page) {
            contactPage_->setUrl(page.url);
            siteTextPage_->setTitle(page.title);
        };
    }
    WindowProfileRun run(state_, *this, frontend_, std::move(hooks));
    app::ProfileRunParams params{profile, profile.deep, connectionTest_, {}};
    if (runStarter_) {
        params.submission = [this](const profile::SubmissionProfile& built, int siteCount) {
            runStarter_(built, siteCount);
            submit::RunResult ran;
            ran.ran = true;
            return ran;
        };
    }
    return app::runProfile(state_, params, run);
}

void MainDialog::onSaveProfile() {
    if (busy_) {
        return;
    }
    WindowBuildFrontend build(*this, frontend_);
    // The requests of an earlier build are dropped with those this one makes.
    state_.requestList.clear();
    const profile::SubmissionProfile profile = readProfile();
    const std::optional<profile::FileResult> saved = submit::saveProfileAfterBuild(
        app::buildParams(state_, profile), build, frontend_, connectionTest_);
    if (saved && saved->outcome == profile::FileOutcome::Done) {
        rememberProfile();
    }
    refreshSiteLists();
    refreshStatus();
}

void MainDialog::onLoadProfile() {
    if (busy_) {
        return;
    }
    profile::SubmissionProfile loaded = readProfile();
    const profile::FileResult result = profile::loadProfile(
        state_.currentProfilePath, app::siteSelection(state_), loaded, frontend_, frontend_);
    if (result.outcome == profile::FileOutcome::Done) {
        writeProfileFields(loaded);
        // The loaded selection starts with no category site chosen, as after removing all
        // sites and adding them again.
        categoryPage_->clearCategorySite();
        refreshSiteLists();
        rememberProfile();
    }
}

void MainDialog::onBatchSubmission() {
    if (busy_) {
        return;
    }
    const std::string runFile = state_.workspace.batchRunFile();
    if (!openBatchDialog(this, state_.batchList, frontend_, frontend_, runFile)) {
        state_.currentProfilePath = "NULL";
        return;
    }
    busy_ = true;
    state_.runStopped = false;
    summary_ = {};
    batchProfileNumber_ = 0;
    batch::BatchParams params;
    params.runFilePath = runFile;
    params.logsDir = state_.logsDir;
    params.errorsDir = state_.errorsDir;
    params.setCurrentProfilePath = [this](const std::string& p) { state_.currentProfilePath = p; };
    params.messenger = &frontend_;
    const batch::BatchResult result = batch::runBatch(
        params, [this](const batch::ProfileRun& run) { return runBatchProfile(run); });
    state_.batchLogPath = "NULL";
    state_.batchErrorLogPath = "NULL";
    const std::string choice = state_.userSettings.browserChoice;
    batch::offerErrorLogs(
        result.failedRuns, choice,
        [this](const std::string& c) {
            return keywords::findBrowser(c, state_.browserEnvironment);
        },
        [this, &choice](const std::vector<std::string>& entries, const std::string&) {
            showBatchErrorsDialog(this, entries, [this, &choice](const std::string& log) {
                platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
                keywords::showDocument(choice, log, state_.browserEnvironment, starter, frontend_);
            });
        },
        frontend_);
    state_.currentProfilePath = "NULL";
    batchProfileLine_.clear();
    showUnderWay({});
    showRunSummary("Batch Submission Done", &result);
    busy_ = false;
}

void MainDialog::showUnderWay(const std::string& page) {
    std::string text = batchProfileLine_;
    if (!page.empty()) {
        text += (text.empty() ? "" : "\n") + page;
    }
    column_->showUnderWay(qs(text));
}

void MainDialog::showRunSummary(const QString& title, const batch::BatchResult* batch) {
    makeSummary(title, app::summaryText(summary_, batch), app::summaryFiles(summary_, batch))
        ->show();
}

RunSummaryWindow* MainDialog::makeSummary(const QString& title, const std::string& text,
                                          const std::vector<std::string>& files) {
    if (summaryWindow_) {
        summaryWindow_->close();
    }
    summaryWindow_ = new RunSummaryWindow(
        title, text, files,
        [this](const std::string& path) {
            platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
            keywords::showDocument(state_.userSettings.browserChoice, path,
                                   state_.browserEnvironment, starter, frontend_);
        },
        this);
    return summaryWindow_;
}

batch::ProfileRunReport MainDialog::runBatchProfile(const batch::ProfileRun& run) {
    state_.batchLogPath = run.batchLogs->logPath;
    state_.batchErrorLogPath = run.batchLogs->errorLogPath;
    batchProfileLine_ = app::profileUnderWay(++batchProfileNumber_, run.profilePath);
    showUnderWay({});
    profile::SubmissionProfile loaded = readProfile();
    // The current profile path names the file, so the loader reads it without asking; it has
    // shown its own message when the file cannot be read.
    if (profile::loadProfile(state_.currentProfilePath, app::siteSelection(state_), loaded,
                             frontend_, frontend_)
            .outcome != profile::FileOutcome::Done) {
        batch::ProfileRunReport unreadable;
        unreadable.outcome = batch::ProfileRunOutcome::Unreadable;
        return unreadable;
    }
    writeProfileFields(loaded);
    categoryPage_->clearCategorySite();
    refreshSiteLists();
    rememberProfile();
    return app::batchReport(runProfile(loaded, /*showPages=*/false));
}

void MainDialog::onOptimize() {
    if (busy_) {
        // The click has already flipped the box; put it back.
        column_->setOptimizeChecked(!column_->optimizeChecked());
        return;
    }
    QtOptimizerDialogs dialogs(this);
    column_->setOptimizeChecked(
        optimizer::optimizePage(column_->optimizeChecked(), dialogs, frontend_).boxChecked);
}

void MainDialog::onCheckKeyword() {
    keywords::KeywordCheck check;
    check.browserChoice = state_.userSettings.browserChoice;
    check.selectedEngine = keywordCheckPage_->selectedEngine();
    check.keyword = keywordCheckPage_->keyword();
    platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
    keywords::checkKeyword(check, state_.siteTable, state_.browserEnvironment, starter, frontend_);
}

void MainDialog::onIndexNow() {
    if (busy_) {
        return;
    }
    busy_ = true;
    const profile::SubmissionProfile profile = readProfile();
    IndexNowSetup setup;
    setup.siteUrl = profile.url;
    setup.siteTitle = profile.title;
    setup.workspace = state_.workspace;
    setup.timing = state_.timing;
    setup.caFile = state_.caFile;
    setup.googleApi = state_.googleApi;
    setup.googleCredentials = state_.googleCredentials;
    // Offered as the error log of a run is.
    setup.askShowLog = [](QWidget* parent) {
        QMessageBox box(QMessageBox::Question, "Announcement Done",
                        "The announcement is done.  Do you want to display its log?",
                        QMessageBox::NoButton, parent);
        box.setObjectName("showAnnouncementLogBox");
        QPushButton* yes = box.addButton("YES!", QMessageBox::YesRole);
        box.addButton("Nope, not now.", QMessageBox::NoRole);
        box.exec();
        return box.clickedButton() == yes;
    };
    setup.askReplaceKey = [](QWidget* parent, const std::string& key) {
        QMessageBox box(QMessageBox::Question, "Replace Key",
                        toQt("The workspace already has the key " + key +
                             ".  Do you want to replace it with a new one?"),
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setObjectName("replaceKeyBox");
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    setup.showLog = [this](const std::string& log) {
        platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
        keywords::showDocument(state_.userSettings.browserChoice, log, state_.browserEnvironment,
                               starter, frontend_);
    };
    const QString sitemapDefault =
        pathToQt((std::filesystem::path(state_.workspace.root()) / "sitemap.xml")
                     .lexically_normal()
                     .string());
    setup.chooseSitemapSave = [sitemapDefault](QWidget* parent) {
        return chosenFile(parent, QFileDialog::AcceptSave, "Save sitemap", sitemapDefault,
                          "Sitemaps (*.xml);;All files (*)");
    };
    setup.chooseSitemapFile = [sitemapDefault](QWidget* parent) {
        return chosenFile(parent, QFileDialog::AcceptOpen, "Announce a sitemap", sitemapDefault,
                          "Sitemaps (*.xml *.xml.gz *.gz);;All files (*)");
    };
    const QString workspaceFolder = pathToQt(state_.workspace.root());
    setup.chooseCredentialsFile = [workspaceFolder](QWidget* parent) {
        return chosenFile(parent, QFileDialog::AcceptOpen, "The service account's key file",
                          workspaceFolder, "Key files (*.json);;All files (*)");
    };
    IndexNowDialog dialog(std::move(setup), this);
    dialog.exec();
    busy_ = false;
}

void MainDialog::onSiteAudit() {
    if (busy_) {
        return;
    }
    busy_ = true;
    SiteAuditSetup setup;
    setup.siteUrl = readProfile().url;
    setup.workspace = state_.workspace;
    setup.timing = state_.timing;
    setup.caFile = state_.caFile;
    setup.showAudit = [this](const std::string& path) {
        platform::DetachedStarter starter(state_.timing.browserStartCheck, &frontend_);
        keywords::showDocument(state_.userSettings.browserChoice, path, state_.browserEnvironment,
                               starter, frontend_);
    };
    SiteAuditWindow window(std::move(setup), this);
    window.exec();
    busy_ = false;
}

}  // namespace farrow::ui
