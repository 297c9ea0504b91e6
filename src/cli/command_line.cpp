#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <fstream>
#include <memory>

#include "base/version.h"

namespace farrow::cli {

namespace {

constexpr const char* kDescription =
    "Works on the files of the current directory, as the desktop program does.";

std::shared_ptr<CLI::Formatter> formatter() {
    auto f = std::make_shared<CLI::Formatter>();
    f->label("Usage", "usage");
    f->label("SUBCOMMAND", "COMMAND");
    f->label("SUBCOMMANDS", "COMMANDS");
    f->column_width(24);
    return f;
}

// Lists the subcommands of `command` and of theirs under "Commands".
void nameCommandGroups(CLI::App& command) {
    for (CLI::App* sub : command.get_subcommands([](CLI::App*) { return true; })) {
        sub->group("Commands");
        nameCommandGroups(*sub);
    }
}

// The first word that is no command where one is expected, or nullptr; `parent` is left at the
// command it was expected under, and `path` names the commands above that one.
const std::string* unknownCommand(const std::vector<std::string>& args, CLI::App*& parent,
                                  std::string& path) {
    for (const std::string& word : args) {
        const auto subs = parent->get_subcommands([](CLI::App*) { return true; });
        if (subs.empty() || word.starts_with("-")) {
            return nullptr;
        }
        auto it = std::find_if(subs.begin(), subs.end(),
                               [&](CLI::App* sub) { return sub->get_name() == word; });
        if (it == subs.end()) {
            return &word;
        }
        path += (path.empty() ? "" : " ") + parent->get_name();
        parent = *it;
    }
    return nullptr;
}

}  // namespace

// Opens the report: none, stdout ("-"), or a file appended to. False when it cannot be opened.
bool openReport(const std::string& path, std::ostream& out, std::ofstream& file,
                std::ostream*& report, std::ostream& err) {
    report = nullptr;
    if (path == "-") {
        report = &out;
    } else if (!path.empty()) {
        file.open(path, std::ios::app | std::ios::binary);
        if (!file) {
            err << "farrowctl: cannot write the report \"" << path << "\"\n";
            return false;
        }
        report = &file;
    }
    return true;
}

void addSwitchWords(CLI::App& command, std::vector<std::string>& words,
                    const std::vector<std::string>& accepted) {
    command.add_option("SWITCHES", words, "switch words: " + CLI::detail::join(accepted, " "))
        ->check(CLI::IsMember(accepted));
}

int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const CommandSettings& settings) {
    CLI::App app(kDescription, "farrowctl");
    app.formatter(formatter());
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("farrowctl ") + base::kVersion,
                         "print the version and exit");
    CommandContext context{out,
                           err,
                           settings.databaseServer,
                           settings.timing,
                           settings.connectionTest,
                           settings.workspace,
                           settings.tempDir,
                           settings.caFile,
                           settings.input,
                           settings.googleApi,
                           settings.googleCredentials};
    addSitesCommands(app, context);
    addUpdateCommand(app, context);
    addProfileCommands(app, context);
    addBuildCommand(app, context);
    addMirrorCommand(app, context);
    addSubmitCommand(app, context);
    addDeepCommand(app, context);
    addBatchCommand(app, context);
    addIndexNowCommands(app, context);
    addCrawlCommand(app, context);
    addGoogleCommands(app, context);

    nameCommandGroups(app);

    CLI::App* parent = &app;
    std::string path;
    if (const std::string* word = unknownCommand(args, parent, path)) {
        err << "farrowctl: unknown command \"" << *word << "\"\n\n" << parent->help(path);
        return kExitUsage;
    }
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return kExitOk;
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kExitOk;
    } catch (const CLI::ParseError& e) {
        // The help of the command that was being read, so that the usage is right beside the
        // complaint.
        err << "farrowctl: " << e.what() << "\n\n" << app.help();
        return kExitUsage;
    }
    return context.exitCode;
}

}  // namespace farrow::cli
