#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/branding.h"
#include "app/startup_frontend.h"
#include "profile/profile_dialogs.h"
#include "submit/category_chooser.h"

class QIcon;

namespace farrow::ui {

// Qt's type list for a chooser: "Farrowlane Profiles (*.fl2);;All Files (*)".
QString qtFileFilters(const profile::FileChooserOptions& options);

// The desktop's side of the core's interfaces: message boxes, message pumping, the
// initialisation window and the update question, the profile file choosers and the category
// chooser, plus the main window's own modal questions. The modal steps are virtual so that tests
// can answer them.
class QtFrontend : public app::StartupFrontend,
                   public base::Messenger,
                   public base::MessagePump,
                   public profile::ProfileDialogs,
                   public submit::CategoryChooser {
public:
    QtFrontend() = default;
    QtFrontend(const QtFrontend&) = delete;
    QtFrontend& operator=(const QtFrontend&) = delete;

    base::Messenger& messenger() override { return *this; }
    base::MessagePump& pump() override { return *this; }
    std::unique_ptr<base::InitView> createInitView() override;
    bool askCheckForUpdates() override;
    void refreshMainWindow() override;

    // Callable from any thread: a worker thread waits until the window thread, which is
    // pumping messages at that time, has shown the box and it was dismissed.
    void showMessage(const std::string& text, base::MessageIcon icon) final;
    void pumpMessages() override;

    std::optional<std::string> chooseSaveFile(const profile::FileChooserOptions& options) override;
    std::optional<std::string> chooseOpenFile(const profile::FileChooserOptions& options) override;
    bool confirmOverwrite(const std::string& path) override;
    std::optional<std::string> chooseCategory(const std::string& caption,
                                              const std::vector<std::string>& lines) override;

    // "Exit Prompt": true for "OK"; `fieldsChanged` adds that the profile's fields changed since
    // they were last loaded or saved.
    virtual bool confirmExit(bool fieldsChanged);
    virtual void showAbout(const base::Branding& branding, const QIcon& icon);

    // The window that message boxes and prompts belong to once it is on screen.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    void setMessageTitle(const QString& title) { messageTitle_ = title; }

protected:
    // Shows one message box; always called on the window thread.
    virtual void showMessageBox(const QString& text, base::MessageIcon icon);
    QWidget* dialogParent() const;

private:
    QPointer<QWidget> mainWindow_;
    QString messageTitle_;
};

}  // namespace farrow::ui
