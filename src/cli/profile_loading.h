#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "base/messenger.h"
#include "base/workspace.h"
#include "cli/terminal_frontend.h"
#include "profile/profile_dialogs.h"
#include "profile/submission_profile.h"
#include "submit/build_frontend.h"
#include "submit/category_chooser.h"

namespace farrow::cli {

// Messages on stderr, each after the program's name.
class StderrMessenger final : public base::Messenger {
public:
    explicit StderrMessenger(std::ostream& err) : err_(err) {}
    void showMessage(const std::string& text, base::MessageIcon) override;

private:
    std::ostream& err_;
};

class QuietMessenger final : public base::Messenger {
public:
    void showMessage(const std::string&, base::MessageIcon) override {}
};

// The build step on a terminal: messages go to stderr, the caption stays in memory, and the
// category chooser is closed without a choice.
class TerminalBuildFrontend final : public submit::BuildFrontend, public submit::CategoryChooser {
public:
    explicit TerminalBuildFrontend(base::Messenger& messenger) : messenger_(messenger) {}
    base::Messenger& messenger() override { return messenger_; }
    submit::CategoryChooser& categoryChooser() override { return *this; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override { caption_ = text; }
    std::optional<std::string> chooseCategory(const std::string&,
                                              const std::vector<std::string>&) override {
        return std::nullopt;
    }

private:
    base::Messenger& messenger_;
    std::string caption_;
};

// True when the workspace holds its sites file; otherwise says so ("There is no sites.enc in
// FOLDER: …"), so that a command run from another folder stops before it creates anything there.
bool requireSitesFile(const base::Workspace& workspace, base::Messenger& messenger);

// Start-up as the window runs it (with the switch words given), then the profile loaded
// directly, as a batch run loads it. A missing sites file or a profile that cannot be read ends
// it before start-up, which makes the workspace's folders and settings.
bool loadWorkspace(const std::string& file, const std::vector<std::string>& switchWords,
                   app::AppState& state, profile::SubmissionProfile& profile,
                   TerminalFrontend& frontend);

class CommandContext;
class JsonLinesReport;

// A profile read for its URL and title alone, without a sites database: its sites do not
// matter to the commands that only read the site. Empty (the reason on stderr) when unreadable.
std::optional<profile::SubmissionProfile> readProfile(const std::string& file,
                                                      const CommandContext& context);

// Gives a command's state what the command line and `main` set: the workspace, the temporary
// folder and the timing.
void takeCommandSettings(app::AppState& state, const CommandContext& context);

}  // namespace farrow::cli
