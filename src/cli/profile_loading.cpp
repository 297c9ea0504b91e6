#include "cli/profile_loading.h"

#include "app/startup_sequence.h"
#include "cli/command_line.h"
#include "platform/file_system.h"
#include "profile/profile_file.h"
#include "sites/database_download.h"

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

bool requireSitesFile(const base::Workspace& workspace, base::Messenger& messenger) {
    if (platform::fileExists(workspace.sitesFile())) {
        return true;
    }
    messenger.showMessage("There is no " + std::string(sites::kSitesFile) + " in " +
                              workspace.root() + ": run farrowctl in a workspace (see the README)",
                          base::MessageIcon::Stop);
    return false;
}

bool loadWorkspace(const std::string& file, const std::vector<std::string>& switchWords,
                   app::AppState& state, profile::SubmissionProfile& profile,
                   TerminalFrontend& frontend) {
    if (!requireSitesFile(state.workspace, frontend)) {
        return false;
    }
    // "NULL" as a path would mean "ask the user".
    const std::string path = file == "NULL" ? "./NULL" : file;
    {
        // Read once without the sites first: a profile that cannot be used is said before
        // start-up writes anything.
        sites::SiteTable table;
        sites::SiteLists lists;
        profile::SubmissionProfile unused;
        profile::NoProfileDialogs dialogs;
        if (profile::loadProfile(path, profile::SiteSelection{table, lists, false}, unused, dialogs,
                                 frontend)
                .outcome != profile::FileOutcome::Done) {
            return false;
        }
    }
    std::vector<std::string> argv = {"farrowctl"};
    argv.insert(argv.end(), switchWords.begin(), switchWords.end());
    app::loadBranding(state, frontend);
    app::runStartupSequence(state, argv, frontend);
    app::finishStartup(state);
    state.currentProfilePath = path;
    profile::NoProfileDialogs dialogs;
    return profile::loadProfile(state.currentProfilePath, app::siteSelection(state), profile,
                                dialogs, frontend)
               .outcome == profile::FileOutcome::Done;
}

}  // namespace farrow::cli
