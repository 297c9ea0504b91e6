#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>
#include <optional>

#include "app/startup_sequence.h"
#include "cli/command_line.h"
#include "cli/json_lines_report.h"
#include "cli/profile_loading.h"
#include "cli/terminal_frontend.h"
#include "profile/profile_check.h"
#include "profile/profile_file.h"
#include "submit/request_builder.h"

namespace farrow::cli {

namespace {

ExitCode checkProfileFile(const std::string& file, const CommandContext& context) {
    std::ostream& out = context.out;
    std::ostream& err = context.err;
    app::AppState state;
    takeCommandSettings(state, context);
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/false, /*showStages=*/false);
    profile::SubmissionProfile profile;
    if (!loadWorkspace(file, {}, state, profile, frontend)) {
        return kExitFailed;
    }
    // A warning only: such a profile can still be sent, as the user may have meant those bytes.
    for (const profile::Utf8Field& field : profile::utf8Fields(profile)) {
        err << "farrowctl: warning: " << field.label << " \"" << field.value
            << "\" is UTF-8 text; a profile holds one byte per letter, so it is sent as \""
            << bytesAsUtf8(field.value) << "\"\n";
    }
    QuietMessenger quiet;
    const std::vector<std::string> failed =
        profile::checkProfile(profile, state.lists.selected.size(), quiet);
    for (const std::string& message : failed) {
        out << message << '\n';
    }
    return failed.empty() ? kExitOk : kExitFailed;
}

ExitCode buildRequests(const std::string& file, const CommandContext& context) {
    std::ostream& out = context.out;
    std::ostream& err = context.err;
    app::AppState state;
    takeCommandSettings(state, context);
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/false, /*showStages=*/false);
    profile::SubmissionProfile profile;
    if (!loadWorkspace(file, {}, state, profile, frontend)) {
        return kExitFailed;
    }
    TerminalBuildFrontend build(frontend);
    // Nothing is sent, so the connection is not tested.
    if (app::buildRequests(state, profile, build, [] { return true; }) == 0) {
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
    check->callback([file, &context] { context.exitCode = checkProfileFile(*file, context); });
}

void addBuildCommand(CLI::App& app, CommandContext& context) {
    auto file = std::make_shared<std::string>();
    CLI::App* build = app.add_subcommand(
        "build", "print the request each site of a profile would get (JSON lines); sends nothing");
    build->add_option("FILE", *file, "a profile file (.fl2)")->required();
    build->callback([file, &context] { context.exitCode = buildRequests(*file, context); });
}

}  // namespace farrow::cli
