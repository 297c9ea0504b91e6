#include "cli/profile_loading.h"

#include "app/startup_sequence.h"
#include "cli/command_line.h"
#include "profile/profile_file.h"

namespace farrow::cli {

void StderrMessenger::showMessage(const std::string& text, base::MessageIcon) {
    err_ << "farrowctl: " << text << '\n';
}

std::optional<profile::SubmissionProfile> readProfile(const std::string& file,
                                                      const CommandContext& context) {
    sites::SiteTable table;
    sites::SiteLists lists;
    profile::SubmissionProfile loaded;
    profile::NoProfileDialogs dialogs;
    StderrMessenger messenger(context.err);
    const std::string path = file == "NULL" ? "./NULL" : file;
    if (profile::loadProfile(path, profile::SiteSelection{table, lists, false}, loaded, dialogs,
                             messenger)
            .outcome != profile::FileOutcome::Done) {
        return std::nullopt;
    }
    return loaded;
}

void takeCommandSettings(app::AppState& state, const CommandContext& context) {
    state.timing = context.timing;
    state.workspace = context.workspace;
    state.tempDir = context.tempDir;
}

bool loadWorkspace(const std::string& file, const std::vector<std::string>& switchWords,
                   app::AppState& state, profile::SubmissionProfile& profile,
                   TerminalFrontend& frontend) {
    std::vector<std::string> argv = {"farrowctl"};
    argv.insert(argv.end(), switchWords.begin(), switchWords.end());
    app::loadBranding(state, frontend);
    app::runStartupSequence(state, argv, frontend);
    app::finishStartup(state);
    // "NULL" as a path would mean "ask the user".
    state.currentProfilePath = file == "NULL" ? "./NULL" : file;
    profile::NoProfileDialogs dialogs;
    return profile::loadProfile(state.currentProfilePath, app::siteSelection(state), profile,
                                dialogs, frontend)
               .outcome == profile::FileOutcome::Done;
}

}  // namespace farrow::cli
