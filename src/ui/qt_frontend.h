#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/branding.h"
#include "app/startup_frontend.h"

class QIcon;

namespace farrow::ui {

// The desktop's side of the core's interfaces: message boxes, message pumping, the
// initialisation window and the update question, plus the main window's own modal questions.
// The modal steps are virtual so that tests can answer them.
class QtFrontend : public app::StartupFrontend, public app::Messenger, public app::MessagePump {
public:
    QtFrontend() = default;
    QtFrontend(const QtFrontend&) = delete;
    QtFrontend& operator=(const QtFrontend&) = delete;

    app::Messenger& messenger() override { return *this; }
    app::MessagePump& pump() override { return *this; }
    std::unique_ptr<app::InitView> createInitView() override;
    bool askCheckForUpdates() override;
    void refreshMainWindow() override;

    // Callable from any thread: a worker thread waits until the window thread, which is
    // pumping messages at that time, has shown the box and it was dismissed.
    void showMessage(const std::string& text, app::MessageIcon icon) final;
    void pumpMessages() override;

    // "Exit Prompt": true for "OK".
    virtual bool confirmExit();
    virtual void showAbout(const app::Branding& branding, const QIcon& icon);
    // Opens the help page with the desktop's default handler; says so when it cannot.
    virtual void openHelp();

    // The window that message boxes and prompts belong to once it is on screen.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    void setMessageTitle(const QString& title) { messageTitle_ = title; }

protected:
    // Shows one message box; always called on the window thread.
    virtual void showMessageBox(const QString& text, app::MessageIcon icon);
    QWidget* dialogParent() const;

private:
    QPointer<QWidget> mainWindow_;
    QString messageTitle_;
};

}  // namespace farrow::ui
