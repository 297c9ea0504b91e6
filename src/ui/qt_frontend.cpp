#include "ui/qt_frontend.h"

#include <QApplication>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QThread>

#include "ui/about_window.h"
#include "ui/category_chooser_dialog.h"
#include "ui/exit_prompt.h"
#include "ui/init_window.h"
#include "ui/latin1.h"
#include "ui/update_prompt.h"

namespace farrow::ui {

namespace {

class InitWindowView final : public base::InitView {
public:
    void show() override { window_.showCentred(); }
    void setStage(const std::string& text) override { window_.setStage(toQt(text)); }
    void showLoaded() override { window_.showLoaded(); }
    void setLoadedCount(const std::string& text) override { window_.setLoadedCount(toQt(text)); }

private:
    InitWindow window_;
};

QMessageBox::Icon boxIcon(base::MessageIcon icon) {
    switch (icon) {
        case base::MessageIcon::Stop:
            return QMessageBox::Critical;
        case base::MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case base::MessageIcon::Information:
            return QMessageBox::Information;
        case base::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString qtFileFilters(const profile::FileChooserOptions& options) {
    QStringList filters;
    for (const profile::FileFilter& f : options.filters()) {
        // Qt reads "*.*" literally, which would hide every file without a dot under "All Files".
        QStringList patterns = toQt(f.pattern).split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern.trimmed() == "*.*") {
                pattern = "*";
            }
        }
        QString label = toQt(f.label);
        if (const qsizetype open = label.lastIndexOf('('); open > 0 && label.endsWith(')')) {
            label.truncate(open);
        }
        filters << label.trimmed() + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

std::unique_ptr<base::InitView> QtFrontend::createInitView() {
    return std::make_unique<InitWindowView>();
}

bool QtFrontend::askCheckForUpdates() {
    UpdatePrompt prompt(dialogParent());
    return prompt.exec() == QDialog::Accepted;
}

void QtFrontend::refreshMainWindow() {
    if (mainWindow_) {
        mainWindow_->update();
    }
}

void QtFrontend::showMessage(const std::string& text, base::MessageIcon icon) {
    const QString qtext = messageToQt(text);
    if (QThread::currentThread() == qApp->thread()) {
        showMessageBox(qtext, icon);
        return;
    }
    QMetaObject::invokeMethod(
        qApp, [&] { showMessageBox(qtext, icon); }, Qt::BlockingQueuedConnection);
}

void QtFrontend::pumpMessages() {
    QCoreApplication::processEvents();
}

namespace {

std::optional<std::string> chosenPath(const QString& path) {
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return pathFromQt(path);
}

}  // namespace

std::optional<std::string> QtFrontend::chooseSaveFile(const profile::FileChooserOptions& options) {
    // The caller adds the extension and asks about overwriting, so the chooser does neither.
    return chosenPath(QFileDialog::getSaveFileName(dialogParent(), QString(), QString(),
                                                   qtFileFilters(options), nullptr,
                                                   QFileDialog::DontConfirmOverwrite));
}

std::optional<std::string> QtFrontend::chooseOpenFile(const profile::FileChooserOptions& options) {
    return chosenPath(
        QFileDialog::getOpenFileName(dialogParent(), QString(), QString(), qtFileFilters(options)));
}

bool QtFrontend::confirmOverwrite(const std::string& path) {
    return QMessageBox::question(dialogParent(), messageTitle_,
                                 pathToQt(path) + " already exists.\nDo you want to replace it?") ==
           QMessageBox::Yes;
}

std::optional<std::string> QtFrontend::chooseCategory(const std::string& caption,
                                                      const std::vector<std::string>& lines) {
    CategoryChooserDialog chooser(caption, lines, dialogParent());
    chooser.exec();
    return chooser.choice();
}

bool QtFrontend::confirmExit(bool fieldsChanged) {
    ExitPrompt prompt(fieldsChanged, dialogParent());
    return prompt.exec() == QDialog::Accepted;
}

void QtFrontend::showAbout(const base::Branding& branding, const QIcon& icon) {
    AboutWindow about(branding, icon, dialogParent());
    about.exec();
}

void QtFrontend::showMessageBox(const QString& text, base::MessageIcon icon) {
    QMessageBox box(boxIcon(icon), messageTitle_, text, QMessageBox::Ok, dialogParent());
    box.exec();
}

QWidget* QtFrontend::dialogParent() const {
    return mainWindow_ && mainWindow_->isVisible() ? mainWindow_.data() : nullptr;
}

}  // namespace farrow::ui
