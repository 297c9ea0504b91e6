#include "ui/main_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>

#include "app/startup_sequence.h"
#include "app/user_settings.h"
#include "batch/error_log_offer.h"
#include "deep/deep_run.h"
#include "keywords/keyword_check.h"
#include "optimizer/page_optimizer.h"
#include "platform/file_system.h"
#include "platform/program_start.h"
#include "profile/batch_session_file.h"
#include "profile/profile_file.h"
#include "submit/request_builder.h"
#include "submit/save_profile_action.h"
#include "ui/batch_dialog.h"
#include "ui/batch_errors_dialog.h"
#include "ui/latin1.h"
#include "ui/qt_deep_frontend.h"
#include "ui/qt_frontend.h"
#include "ui/qt_optimizer_dialogs.h"
#include "ui/submission_runner.h"

namespace farrow::ui {

namespace {

constexpr const char* kIconFile = "icon.ico";
constexpr const char* kPictureFile = "SImage.flb";
constexpr std::size_t kFirstPageCaption = 46;

QString qs(const std::string& text) {
    return toQt(text);
}

std::string text(const QLineEdit* edit) {
    return fromQt(edit->text());
}

// The caption line of a label, button, check box or group.
void setCaption(QObject* control, const QString& caption) {
    if (auto* l = qobject_cast<QLabel*>(control)) {
        l->setText(caption);
    } else if (auto* b = qobject_cast<QAbstractButton*>(control)) {
        b->setText(caption);
    } else if (auto* g = qobject_cast<QGroupBox*>(control)) {
        g->setTitle(caption);
    }
}

std::vector<std::size_t> highlightedRows(const QListWidget* list) {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    return rows;
}

int selectedRow(const QListWidget* list) {
    const QModelIndexList rows = list->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// Shows the model's entries. With `keepHighlights`, entries that stay keep their highlight, as
// they do in a list box that gains or loses other entries, so a category site stays chosen while
// sites are moved; otherwise nothing is highlighted afterwards.
void fillList(QListWidget* widget, const sites::SortedList& model, bool keepHighlights = true) {
    QStringList highlighted;
    if (keepHighlights) {
        for (const QListWidgetItem* item : widget->selectedItems()) {
            highlighted.append(item->text());
        }
    }
    const QListWidgetItem* current = widget->currentItem();
    const QString currentText = current ? current->text() : QString();

    QStringList entries;
    entries.reserve(static_cast<qsizetype>(model.size()));
    for (const std::string& entry : model.entries()) {
        entries.append(qs(entry));
    }
    const QSignalBlocker block(widget);
    widget->clear();
    widget->addItems(entries);
    for (int row = 0; row < widget->count(); ++row) {
        QListWidgetItem* item = widget->item(row);
        if (highlighted.removeOne(item->text())) {
            if (item->text() == currentText && !widget->currentItem()) {
                widget->setCurrentItem(item, QItemSelectionModel::NoUpdate);
            }
            item->setSelected(true);
        }
    }
}

}  // namespace

MainDialog::MainDialog(app::AppState& state, QtFrontend& frontend, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state),
      frontend_(frontend),
      selection_(state.siteTable, state.lists, frontend) {
    setObjectName("mainDialog");
    if (platform::fileExists(kIconFile)) {
        icon_ = QIcon(kIconFile);
    }
    buildControls();
    connectActions();
    frontend_.setMainWindow(this);
}

MainDialog::~MainDialog() {
    frontend_.setMainWindow(nullptr);
}

void MainDialog::connectActions() {
    connect(tabBar_, &QTabBar::currentChanged, this, &MainDialog::switchPage);
    connect(exitButton_, &QPushButton::clicked, this, &MainDialog::onExit);
    connect(helpButton_, &QPushButton::clicked, this, [this] { frontend_.openHelp(); });
    connect(aboutAction_, &QAction::triggered, this, &MainDialog::onAbout);
    connect(saveSettingsButton_, &QPushButton::clicked, this, &MainDialog::onSaveSettings);

    connect(addSelectedButton_, &QPushButton::clicked, this, &MainDialog::onAddSelected);
    connect(addAllButton_, &QPushButton::clicked, this, &MainDialog::onAddAll);
    connect(removeSelectedButton_, &QPushButton::clicked, this, &MainDialog::onRemoveSelected);
    connect(removeAllButton_, &QPushButton::clicked, this, &MainDialog::onRemoveAll);
    connect(categorySitesList_, &QListWidget::itemSelectionChanged, this,
            &MainDialog::onCategorySiteChanged);
    connect(categoriesList_, &QListWidget::itemSelectionChanged, this,
            &MainDialog::onCategoryChanged);

    connect(buildGoButton_, &QPushButton::clicked, this, &MainDialog::onBuildAndGo);
    connect(saveProfileButton_, &QPushButton::clicked, this, &MainDialog::onSaveProfile);
    connect(loadProfileButton_, &QPushButton::clicked, this, &MainDialog::onLoadProfile);
    connect(batchButton_, &QPushButton::clicked, this, &MainDialog::onBatchSubmission);
    connect(optimizeCheck_, &QCheckBox::clicked, this, &MainDialog::onOptimize);
    connect(checkButton_, &QPushButton::clicked, this, &MainDialog::onCheckKeyword);
}

bool MainDialog::initialise(const std::vector<std::string>& argv) {
    setCursor(Qt::WaitCursor);
    app::loadBranding(state_, frontend_);
    const QString product = qs(state_.branding.productName);
    frontend_.setMessageTitle(
        state_.branding.productName == "NULL" ? QCoreApplication::applicationName() : product);
    loadPicture();
    if (const auto captions = app::readCaptionCatalogue(state_.workspace.captionsFile())) {
        applyCaptions(*captions);
    }
    aboutAction_->setText("About: " + product);
    setWindowIcon(icon_);

    for (const char* browser : app::kBrowserChoices) {
        browserList_->addItem(browser);
    }
    browserList_->setCurrentIndex(-1);
    state_.statusText = "Initializing";
    refreshStatus();
    urlField_->setText("http://");
    const std::string startValues[] = {state_.branding.productName, app::kProductVersion,
                                       app::kReleaseDate, state_.branding.vendorLine,
                                       state_.branding.vendorName};
    for (std::size_t i = 0; i < startLines_.size(); ++i) {
        startLines_[i]->setText(qs(startValues[i]));
    }
    pages_->setCurrentIndex(0);

    const app::StartupOutcome outcome = app::runStartupSequence(state_, argv, frontend_);
    if (!outcome.ok) {
        unsetCursor();
        return false;
    }
    showStartupValues(outcome.settingsFileExisted);
    refreshSiteLists();

    app::finishStartup(state_);
    refreshStatus();
    setWindowTitle(qs(app::mainCaption(state_)));
    unsetCursor();
    return true;
}

void MainDialog::loadPicture() {
    QPixmap picture;
    if (!platform::fileExists(kPictureFile) || !picture.load(kPictureFile, "BMP")) {
        return;
    }
    // Shown at its own size; only a picture larger than its place is scaled down to fit.
    if (picture.width() > picture_->width() || picture.height() > picture_->height()) {
        picture = picture.scaled(picture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    picture_->setPixmap(picture);
}

void MainDialog::applyCaptions(const app::CaptionCatalogue& captions) {
    // Line N of the catalogue names the control at index N - 1; unused lines stay null.
    std::array<QObject*, kFirstPageCaption - 1> controls{};
    for (std::size_t i = 0; i < personalLabels_.size(); ++i) {
        controls[i] = personalLabels_[i];
    }
    for (std::size_t i = 0; i < contactLabels_.size(); ++i) {
        controls[7 + i] = contactLabels_[i];
    }
    const std::pair<std::size_t, QObject*> rest[] = {
        {20, titleLabel_},         {21, noteText_},        {22, adultText_},
        {23, keywordLabel_},       {24, personalGroup_},   {26, browserGroup_},
        {27, saveSettingsButton_}, {29, contactGroup_},    {30, addAllButton_},
        {31, addSelectedButton_},  {32, removeAllButton_}, {33, removeSelectedButton_},
        {34, keywordsGroup_},      {35, noteGroup_},       {36, loadProfileButton_},
        {37, saveProfileButton_},  {38, buildGoButton_},   {40, smartMatchCheck_},
        {41, checkButton_},        {43, actionsGroup_},    {44, deepCheck_},
        {45, batchButton_}};
    for (const auto& [line, control] : rest) {
        controls[line - 1] = control;
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i]) {
            setCaption(controls[i], qs(captions[i]));
        }
    }
    const QSignalBlocker block(tabBar_);
    for (std::size_t line = kFirstPageCaption; line <= app::kCaptionLines; ++line) {
        tabBar_->addTab(qs(captions[line - 1]));
    }
    tabBar_->setCurrentIndex(0);
}

void MainDialog::showStartupValues(bool settingsFileExisted) {
    if (!settingsFileExisted) {
        return;
    }
    resetPersonalFields();
    browserList_->setCurrentIndex(app::browserIndexFor(state_.userSettings.browserChoice));
}

void MainDialog::resetPersonalFields() {
    const app::UserSettings& s = state_.userSettings;
    const std::string* values[] = {&s.userFirstName, &s.userMiddleName, &s.userLastName,
                                   &s.userEmail};
    for (std::size_t i = 0; i < personalFields_.size(); ++i) {
        personalFields_[i]->setText(qs(*values[i]));
    }
}

void MainDialog::refreshSiteLists() {
    fillList(availableList_, state_.lists.available);
    fillList(selectedList_, state_.lists.selected);
    fillList(categorySitesList_, state_.lists.categorySites);
    fillList(keywordCheckList_, state_.lists.keywordCheck);
    refreshCategories();
}

void MainDialog::refreshCategories() {
    // A highlight carried over from another site would show a choice its record does not hold,
    // so the list is made anew from the highlighted category site, or emptied without one.
    const int site = selectedRow(categorySitesList_);
    int chosen = -1;
    if (site < 0) {
        state_.lists.categories.clear();
    } else {
        chosen = selection_.showCategories(site);
    }
    fillList(categoriesList_, state_.lists.categories, false);
    if (chosen >= 0) {
        const QSignalBlocker block(categoriesList_);
        categoriesList_->setCurrentRow(chosen);
    }
}

void MainDialog::clearCategorySite() {
    const QSignalBlocker block(categorySitesList_);
    categorySitesList_->clearSelection();
    categorySitesList_->setCurrentItem(nullptr);
}

void MainDialog::refreshStatus() {
    statusField_->setText(qs(state_.statusText));
    statusField_->setToolTip(QString());
}

void MainDialog::switchPage(int index) {
    if (index < 0 || index >= kPageCount) {
        return;
    }
    pages_->setCurrentIndex(index);
    // Unsaved edits of the personal fields are dropped on every page change.
    resetPersonalFields();
    refreshStatus();
}

void MainDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void MainDialog::onExit() {
    if (busy_) {
        return;
    }
    if (!frontend_.confirmExit()) {
        return;
    }
    state_.siteTable.clear();
    state_.requestList.clear();
    accept();
}

void MainDialog::onAbout() {
    frontend_.showAbout(state_.branding, icon_);
}

void MainDialog::onSaveSettings() {
    app::UserSettings& s = state_.userSettings;
    std::string* values[] = {&s.userFirstName, &s.userMiddleName, &s.userLastName, &s.userEmail};
    for (std::size_t i = 0; i < personalFields_.size(); ++i) {
        *values[i] = text(personalFields_[i]);
    }
    const int browser = browserList_->currentIndex();
    s.browserChoice = browser < 0 ? app::kBrowserChoices[0] : app::kBrowserChoices[browser];
    app::writeConfiguration(s, state_.workspace.settingsFile());
    frontend_.showMessage(
        "New Configuration Written!  You will need to close the program and restart for changes "
        "to take effect.",
        base::MessageIcon::Information);
}

void MainDialog::onAddSelected() {
    if (busy_) {
        return;
    }
    selection_.addSelected(highlightedRows(availableList_));
    refreshSiteLists();
}

void MainDialog::onAddAll() {
    if (busy_) {
        return;
    }
    selection_.addAll(highlightedRows(availableList_));
    refreshSiteLists();
}

void MainDialog::onRemoveSelected() {
    if (busy_) {
        return;
    }
    selection_.removeSelected(highlightedRows(selectedList_));
    refreshSiteLists();
}

void MainDialog::onRemoveAll() {
    if (busy_) {
        return;
    }
    selection_.removeAll();
    refreshSiteLists();
}

void MainDialog::onCategorySiteChanged() {
    refreshCategories();
}

void MainDialog::onCategoryChanged() {
    selection_.rememberCategory(selectedRow(categorySitesList_), selectedRow(categoriesList_));
}

profile::SubmissionProfile MainDialog::readProfile() const {
    profile::SubmissionProfile p;
    p.url = text(urlField_);
    p.title = text(titleField_);
    p.description = fromQt(descriptionField_->text());
    p.lastName = text(lastNameField_);
    p.firstName = text(firstNameField_);
    p.email = text(emailField_);
    p.company = text(companyField_);
    p.street1 = text(street1Field_);
    p.street2 = text(street2Field_);
    p.city = text(cityField_);
    p.state = text(stateField_);
    p.postalCode = text(postalCodeField_);
    p.province = text(provinceField_);
    p.phone = text(phoneField_);
    p.fax = text(faxField_);
    for (std::size_t i = 0; i < p.keywords.size(); ++i) {
        p.keywords[i] = text(keywordFields_[i]);
    }
    p.adult = adultCheck_->isChecked();
    p.smartMatch = smartMatchCheck_->isChecked();
    p.deep = deepCheck_->isChecked();
    for (const std::string& name : state_.lists.selected.entries()) {
        profile::SelectedSite site{name, false, std::string()};
        if (const sites::SiteRecord* record = state_.siteTable.find(name)) {
            site.takesCategory = record->isComplex == 1;
            if (site.takesCategory) {
                site.category = record->chosenCategory;
            }
        }
        p.selectedSites.push_back(std::move(site));
    }
    return p;
}

void MainDialog::writeProfile(const profile::SubmissionProfile& p) {
    writeProfileFields(p);
    profile::applySelectedSites(app::siteSelection(state_), p.selectedSites, frontend_);
    clearCategorySite();
    refreshSiteLists();
}

void MainDialog::writeProfileFields(const profile::SubmissionProfile& p) {
    const std::pair<QLineEdit*, const std::string*> fields[] = {{urlField_, &p.url},
                                                                {titleField_, &p.title},
                                                                {lastNameField_, &p.lastName},
                                                                {firstNameField_, &p.firstName},
                                                                {emailField_, &p.email},
                                                                {companyField_, &p.company},
                                                                {street1Field_, &p.street1},
                                                                {street2Field_, &p.street2},
                                                                {cityField_, &p.city},
                                                                {stateField_, &p.state},
                                                                {postalCodeField_, &p.postalCode},
                                                                {provinceField_, &p.province},
                                                                {phoneField_, &p.phone},
                                                                {faxField_, &p.fax}};
    for (const auto& [edit, value] : fields) {
        edit->setText(qs(*value));
    }
    descriptionField_->setPlainText(qs(p.description));
    for (std::size_t i = 0; i < p.keywords.size(); ++i) {
        keywordFields_[i]->setText(qs(p.keywords[i]));
    }
    adultCheck_->setChecked(p.adult);
    smartMatchCheck_->setChecked(p.smartMatch);
    deepCheck_->setChecked(p.deep);
}

namespace {

// What building requests asks of the window: its messages and category chooser, and its caption,
// which shows the progress and is repainted at once since the build holds the window thread.
class WindowBuildFrontend final : public submit::BuildFrontend {
public:
    WindowBuildFrontend(QWidget& window, QtFrontend& frontend)
        : window_(window), frontend_(frontend) {}
    base::Messenger& messenger() override { return frontend_; }
    submit::CategoryChooser& categoryChooser() override { return frontend_; }
    std::string caption() const override { return fromQt(window_.windowTitle()); }
    void setCaption(const std::string& text) override {
        window_.setWindowTitle(toQt(text));
        window_.repaint();
    }

private:
    QWidget& window_;
    QtFrontend& frontend_;
};

}  // namespace

void MainDialog::onBuildAndGo() {
    if (busy_) {
        return;
    }
    // Every action that starts a run or changes the profile waits for "IDLE": a second run
    // cannot start inside this one's waits, nor Exit free the requests under the dispatcher.
    busy_ = true;
    if (deepCheck_->isChecked()) {
        state_.runStopped = false;
        runDeepFromWindow(frontend_, this, deep::DeepRunParams{readProfile()}, state_.timing,
                          state_.currentProfilePath,
                          [this](const profile::SubmissionProfile& page) {
                              urlField_->setText(toQt(page.url));
                              titleField_->setText(toQt(page.title));
                              if (!buildAndRun(page)) {
                                  return deep::PageRunOutcome::ValidationFailed;
                              }
                              if (state_.runStopped.exchange(false)) {
                                  return deep::PageRunOutcome::Aborted;
                              }
                              return deep::PageRunOutcome::Submitted;
                          });
    } else {
        buildAndRun(readProfile());
    }
    busy_ = false;
}

bool MainDialog::buildAndRun(const profile::SubmissionProfile& profile) {
    WindowBuildFrontend build(*this, frontend_);
    const int count = app::buildRequests(state_, profile, build, connectionTest_);
    if (count == 0) {
        return false;
    }
    if (runStarter_) {
        runStarter_(profile, count);
        return true;
    }
    WindowRunHooks hooks;
    hooks.setStatus = [this](const std::string& text) {
        statusField_->setText(qs(text));
        statusField_->setToolTip(QString());
        statusField_->repaint();
    };
    lastRun_ = runFromWindow(state_, profile, count, *this, frontend_, hooks);
    return true;
}

void MainDialog::reject() {
    if (!busy_) {
        QDialog::reject();
    }
}

void MainDialog::onSaveProfile() {
    if (busy_) {
        return;
    }
    WindowBuildFrontend build(*this, frontend_);
    // The requests of an earlier build are dropped with those this one makes.
    state_.requestList.clear();
    const profile::SubmissionProfile profile = readProfile();
    submit::saveProfileAfterBuild(app::buildParams(state_, profile), build, frontend_,
                                  connectionTest_);
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
        clearCategorySite();
        refreshSiteLists();
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
                platform::DetachedStarter starter;
                keywords::showDocument(choice, log, state_.browserEnvironment, starter, frontend_);
            });
        },
        frontend_);
    state_.currentProfilePath = "NULL";
    busy_ = false;
}

batch::ProfileRunReport MainDialog::runBatchProfile(const batch::ProfileRun& run) {
    batch::ProfileRunReport report;
    state_.batchLogPath = run.batchLogs->logPath;
    state_.batchErrorLogPath = run.batchLogs->errorLogPath;
    profile::SubmissionProfile loaded = readProfile();
    // The current profile path names the file, so the loader reads it without asking; it has
    // shown its own message when the file cannot be read.
    if (profile::loadProfile(state_.currentProfilePath, app::siteSelection(state_), loaded,
                             frontend_, frontend_)
            .outcome != profile::FileOutcome::Done) {
        report.outcome = batch::ProfileRunOutcome::Unreadable;
        return report;
    }
    writeProfileFields(loaded);
    clearCategorySite();
    refreshSiteLists();
    lastRun_ = {};
    if (loaded.deep) {
        const std::string batchPath = state_.currentProfilePath;
        runDeepFromWindow(frontend_, this, deep::DeepRunParams{loaded}, state_.timing,
                          state_.currentProfilePath,
                          [this, &report](const profile::SubmissionProfile& page) {
                              const bool ran = buildAndRun(page);
                              report.hadFailures = report.hadFailures || lastRun_.failed > 0;
                              if (lastRun_.failed > 0) {
                                  report.errorLogPath = lastRun_.errorLogName;
                              }
                              if (!ran) {
                                  return deep::PageRunOutcome::ValidationFailed;
                              }
                              return state_.runStopped ? deep::PageRunOutcome::Aborted
                                                       : deep::PageRunOutcome::Submitted;
                          });
        state_.currentProfilePath = batchPath;
    } else {
        buildAndRun(loaded);
        report.hadFailures = lastRun_.failed > 0;
        if (report.hadFailures) {
            report.errorLogPath = lastRun_.errorLogName;
        }
    }
    report.stopped = state_.runStopped;
    return report;
}

void MainDialog::onOptimize() {
    if (busy_) {
        // The click has already flipped the box; put it back.
        optimizeCheck_->setChecked(!optimizeCheck_->isChecked());
        return;
    }
    QtOptimizerDialogs dialogs(this);
    optimizeCheck_->setChecked(
        optimizer::optimizePage(optimizeCheck_->isChecked(), dialogs, frontend_).boxChecked);
}

void MainDialog::onCheckKeyword() {
    keywords::KeywordCheck check;
    check.browserChoice = state_.userSettings.browserChoice;
    if (const int row = selectedRow(keywordCheckList_); row >= 0) {
        check.selectedEngine = fromQt(keywordCheckList_->item(row)->text());
    }
    check.keyword = text(keywordField_);
    platform::DetachedStarter starter;
    keywords::checkKeyword(check, state_.siteTable, state_.browserEnvironment, starter, frontend_);
}

}  // namespace farrow::ui
