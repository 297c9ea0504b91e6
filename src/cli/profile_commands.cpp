#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <optional>

#include "app/startup_sequence.h"
#include "cli/command_line.h"
#include "cli/terminal_frontend.h"
#include "profile/profile_check.h"
#include "profile/profile_file.h"
#include "submit/request_builder.h"

namespace farrow::cli {

namespace {

// farrowctl loads profiles only in direct mode and never shows a chooser.
class NoDialogs final : public profile::ProfileDialogs {
public:
    std::optional<std::string> chooseSaveFile(const profile::FileChooserOptions&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseOpenFile(const profile::FileChooserOptions&) override {
        return std::nullopt;
    }
    bool confirmOverwrite(const std::string&) override { return false; }
};

class QuietMessenger final : public app::Messenger {
public:
    void showMessage(const std::string&, app::MessageIcon) override {}
};

// The build step on a terminal: messages go to stderr, the caption stays in memory, and the
// category chooser is closed without a choice.
class TerminalBuildFrontend final : public submit::BuildFrontend, public submit::CategoryChooser {
public:
    explicit TerminalBuildFrontend(app::Messenger& messenger) : messenger_(messenger) {}
    app::Messenger& messenger() override { return messenger_; }
    submit::CategoryChooser& categoryChooser() override { return *this; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override { caption_ = text; }
    std::optional<std::string> chooseCategory(const std::string&,
                                              const std::vector<std::string>&) override {
        return std::nullopt;
    }

private:
    app::Messenger& messenger_;
    std::string caption_;
};

// Start-up as the window runs it, then the profile loaded directly, as a batch run loads it.
bool loadWorkspace(const std::string& file, app::AppState& state,
                   profile::SubmissionProfile& profile, TerminalFrontend& frontend) {
    app::loadBranding(state, frontend);
    app::runStartupSequence(state, {"farrowctl"}, frontend);
    app::finishStartup(state);
    // "NULL" as a path would mean "ask the user".
    state.currentProfilePath = file == "NULL" ? "./NULL" : file;
    NoDialogs dialogs;
    return profile::loadProfile(state, profile, dialogs, frontend).outcome ==
           profile::FileOutcome::Done;
}

// Texts are bytes of a single-byte character set: each byte becomes the character of that code.
std::string bytesAsUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

int checkProfileFile(const std::string& file, std::ostream& out, std::ostream& err) {
    app::AppState state;
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/false, /*showStages=*/false);
    profile::SubmissionProfile profile;
    if (!loadWorkspace(file, state, profile, frontend)) {
        return kExitFailed;
    }
    QuietMessenger quiet;
    const std::vector<std::string> failed =
        profile::checkProfile(profile, state.lists.selected.size(), quiet);
    for (const std::string& message : failed) {
        out << message << '\n';
    }
    return failed.empty() ? kExitOk : kExitFailed;
}

int buildRequests(const std::string& file, std::ostream& out, std::ostream& err) {
    app::AppState state;
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/false, /*showStages=*/false);
    profile::SubmissionProfile profile;
    if (!loadWorkspace(file, state, profile, frontend)) {
        return kExitFailed;
    }
    TerminalBuildFrontend build(frontend);
    // Nothing is sent, so the connection is not tested.
    if (submit::buildRequestList(state, profile, build, [] { return true; }) == 0) {
        return kExitFailed;
    }
    for (const submit::SiteRequest& r : state.requestList) {
        nlohmann::ordered_json line;
        line["siteName"] = bytesAsUtf8(r.siteName);
        line["targetUrl"] = bytesAsUtf8(r.targetUrl);
        line["payload"] = bytesAsUtf8(r.payload);
        line["method"] = bytesAsUtf8(r.method);
        line["takesCategory"] = r.takesCategory;
        line["category"] = bytesAsUtf8(r.category);
        line["referer"] = bytesAsUtf8(r.referer);
        out << line.dump() << '\n';
    }
    return kExitOk;
}

}  // namespace

void addProfileCommands(CLI::App& app, CommandContext& context) {
    CLI::App* profile = app.add_subcommand("profile", "work on a saved profile");
    profile->require_subcommand(1);
    auto file = std::make_shared<std::string>();
    CLI::App* check = profile->add_subcommand(
        "check", "print each failing check of a profile (.fl2); exit 1 if any failed");
    check->add_option("FILE", *file, "a profile file (.fl2)")->required();
    check->callback(
        [file, &context] { context.exitCode = checkProfileFile(*file, context.out, context.err); });
}

void addBuildCommand(CLI::App& app, CommandContext& context) {
    auto file = std::make_shared<std::string>();
    CLI::App* build = app.add_subcommand(
        "build", "print the request each site of a profile would get (JSON lines); sends nothing");
    build->add_option("FILE", *file, "a profile file (.fl2)")->required();
    build->callback(
        [file, &context] { context.exitCode = buildRequests(*file, context.out, context.err); });
}

}  // namespace farrow::cli
