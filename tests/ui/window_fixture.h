#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "support/fake_frontend.h"
#include "support/temp_workspace.h"
#include "ui/main_dialog.h"
#include "ui/qt_frontend.h"

namespace farrow::ui::test {

// The desktop front end with its modal questions answered by script and its message boxes
// recorded instead of shown.
class ScriptedFrontend final : public QtFrontend {
public:
    bool askCheckForUpdates() override;
    bool confirmExit(bool fieldsChanged) override {
        ++exitQuestions;
        exitToldOfChanges = fieldsChanged;
        return realExitPrompt ? QtFrontend::confirmExit(fieldsChanged) : exitAnswer;
    }
    void showAbout(const base::Branding& branding, const QIcon&) override {
        aboutShownFor.push_back(branding.productName);
    }
    std::optional<std::string> chooseSaveFile(const profile::FileChooserOptions&) override {
        return nextSaveFile;
    }
    std::optional<std::string> chooseOpenFile(const profile::FileChooserOptions&) override {
        return nextOpenFile;
    }
    bool confirmOverwrite(const std::string&) override { return true; }
    std::optional<std::string> chooseCategory(const std::string& caption,
                                              const std::vector<std::string>& lines) override {
        chooserCalls.push_back({caption, lines});
        return categoryAnswer;
    }

    std::vector<std::string> texts() const;

    // The real update question is asked (and answered by a timer) when set.
    bool realUpdatePrompt = false;
    // Otherwise the update question is answered "Check Now" when set, "Skip" when not.
    bool checkForUpdates = false;
    bool exitAnswer = false;
    // The real exit question is shown, for the test to answer.
    bool realExitPrompt = false;
    int updateQuestions = 0;
    int exitQuestions = 0;
    bool exitToldOfChanges = false;
    std::vector<std::string> aboutShownFor;
    std::optional<std::string> nextSaveFile;
    std::optional<std::string> nextOpenFile;
    std::optional<std::string> categoryAnswer;
    std::vector<std::pair<std::string, std::vector<std::string>>> chooserCalls;
    std::vector<farrow::test::RecordedMessage> messages;
    // The messages as the boxes would have shown them.
    QStringList shownTexts;
    bool allMessagesOnWindowThread = true;

protected:
    void showMessageBox(const QString& text, base::MessageIcon icon) override;
};

// The texts of a list widget's entries, top to bottom.
std::vector<std::string> listTexts(const QListWidget* list);
// The paths of a list of file paths, top to bottom.
std::vector<std::string> listedPaths(const QListWidget* list);

// A user's click on the middle of `widget`, delivered to its window as the window system
// delivers it, so a window that a modal one blocks does not get it. True when the press
// reached the widget.
bool userClick(QWidget* widget);

// Clicks the button named `buttonName` of the next modal dialog once it is open.
void answerNextModal(const QString& buttonName);

// An encoded line of "sites.enc" for an invented site.
std::string siteLine(const std::string& name, bool keywordSearch = false,
                     const std::vector<std::string>& categories = {});

// An encoded line of "sites.enc" for a site that takes the URL by GET at `submitUrl`.
std::string targetLine(const std::string& name, const std::string& submitUrl);

// A catalogue whose line N reads "Caption N", with the given number of lines.
std::string numberedCatalogue(int lines);

// A workspace with branding, an optional catalogue and sites, and the main window made on it.
class WindowTest : public testing::Test {
protected:
    void writeWorkspace(const std::vector<std::string>& sites, int catalogueLines = 52);
    // Runs the window's start-up; the update question is answered as `frontend` says ("Skip").
    void startWindow(std::vector<std::string> argv = {"farrowlane"});

    template <typename T>
    T* find(const char* name) {
        T* widget = dialog->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    farrow::test::TempWorkspace workspace;
    app::AppState state;
    ScriptedFrontend frontend;
    std::unique_ptr<MainDialog> dialog;
};

}  // namespace farrow::ui::test
