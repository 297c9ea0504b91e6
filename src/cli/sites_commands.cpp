#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "app/startup_sequence.h"
#include "cli/command_line.h"
#include "cli/profile_loading.h"
#include "cli/terminal_frontend.h"
#include "logs/site_record_dump.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"
#include "sites/database_download.h"
#include "sites/site_line_codec.h"
#include "sites/sites_file_reader.h"

namespace farrow::cli {

namespace {

// Prints every line of `path` through `convert`.
template <typename Convert>
ExitCode convertLines(const std::string& path, std::ostream& out, std::ostream& err,
                      Convert convert) {
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        err << "farrowctl: cannot open \"" << path << "\": " << platform::systemReason(errno)
            << '\n';
        return kExitFailed;
    }
    platform::LineReader reader(file.get());
    std::string line;
    while (reader.readLine(line)) {
        out << convert(line) << '\n';
    }
    if (reader.failed()) {
        err << "farrowctl: error reading \"" << path << "\"\n";
        return kExitFailed;
    }
    return kExitOk;
}

// Encodes every line of `path`, but only when every character of every line can be stored:
// a line the encoding would corrupt is named with its line and column, and nothing is written.
ExitCode encodeLines(const std::string& path, std::ostream& out, std::ostream& err) {
    platform::FilePtr file = platform::openFile(path, "rb");
    if (!file) {
        err << "farrowctl: cannot open \"" << path << "\": " << platform::systemReason(errno)
            << '\n';
        return kExitFailed;
    }
    platform::LineReader reader(file.get());
    std::vector<std::string> lines;
    std::string line;
    bool refused = false;
    while (reader.readLine(line)) {
        if (const std::optional<std::size_t> at = sites::firstUnstorable(line)) {
            err << "farrowctl: \"" << path << "\" line " << lines.size() + 1 << ", column "
                << *at + 1 << ": character code "
                << static_cast<int>(static_cast<unsigned char>(line[*at]))
                << " cannot be stored (only codes " << sites::kLowestStoredCode << " to "
                << sites::kHighestStoredCode << ")\n";
            refused = true;
        }
        lines.push_back(line);
    }
    if (reader.failed()) {
        err << "farrowctl: error reading \"" << path << "\"\n";
        return kExitFailed;
    }
    if (refused) {
        err << "farrowctl: nothing was encoded\n";
        return kExitFailed;
    }
    for (const std::string& plain : lines) {
        out << sites::encodeSiteLine(plain) << '\n';
    }
    return kExitOk;
}

ExitCode dumpSites(const base::Workspace& workspace, std::ostream& out, std::ostream& err) {
    StderrMessenger messenger(err);
    if (!requireSitesFile(workspace, messenger)) {
        return kExitFailed;
    }
    // Only the reading steps of start-up: a dump must not create folders or settings, nor
    // delete the trace of an earlier run.
    app::AppState state;
    state.workspace = workspace;
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/false, /*showStages=*/false);
    app::loadBranding(state, frontend);
    app::readSites(state, nullptr, frontend);
    for (const sites::SiteRecord& record : state.siteTable) {
        out << logs::formatSiteRecordDump(record, record.isComplex);
    }
    out << state.siteTable.size() << " Sites\n";
    return frontend.messageCount() == 0 ? kExitOk : kExitFailed;
}

ExitCode updateDatabase(const std::vector<std::string>& words, const base::Workspace& workspace,
                        std::ostream& out, std::ostream& err, const std::string& databaseServer) {
    std::vector<std::string> argv = {"farrowctl"};
    argv.insert(argv.end(), words.begin(), words.end());
    app::AppState state;
    state.databaseServer = databaseServer;
    state.workspace = workspace;
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/true, /*showStages=*/true);
    app::loadBranding(state, frontend);
    app::StartupOutcome outcome = app::runStartupSequence(state, argv, frontend);
    if (outcome.download && outcome.download->error.failed()) {
        // The window's message names neither the server nor the reason; a terminal user needs
        // both to act.
        err << "farrowctl: " << sites::updateText(*outcome.download, databaseServer) << '\n';
    }
    if (!outcome.ok) {
        return kExitFailed;
    }
    if (outcome.download) {
        out << sites::updateText(*outcome.download, databaseServer) << '\n';
    }
    out << state.siteTable.size() << " Sites\n";
    return kExitOk;
}

}  // namespace

void addSitesCommands(CLI::App& app, CommandContext& context) {
    CLI::App* sites = app.add_subcommand("sites", "read and write the sites database");
    sites->require_subcommand(1);

    auto decodeFile = std::make_shared<std::string>();
    CLI::App* decode =
        sites->add_subcommand("decode", "print each line of an encoded sites file as plain text");
    decode->add_option("FILE", *decodeFile, "an encoded sites file")->required();
    decode->callback([decodeFile, &context] {
        context.exitCode =
            convertLines(*decodeFile, context.out, context.err,
                         [](const std::string& l) { return sites::decodeSiteLine(l); });
    });

    auto encodeFile = std::make_shared<std::string>();
    CLI::App* encode =
        sites->add_subcommand("encode",
                              "print each plain line of FILE encoded for sites.enc; a file with a "
                              "character outside codes 30 to 127 is refused, naming its line and "
                              "column");
    encode->add_option("FILE", *encodeFile, "a plain text file")->required();
    encode->callback([encodeFile, &context] {
        context.exitCode = encodeLines(*encodeFile, context.out, context.err);
    });

    sites->add_subcommand("dump", "print every site record read from sites.enc, then the count")
        ->callback([&context] {
            context.exitCode = dumpSites(context.workspace, context.out, context.err);
        });
}

void addUpdateCommand(CLI::App& app, CommandContext& context) {
    auto words = std::make_shared<std::vector<std::string>>();
    CLI::App* update =
        app.add_subcommand("update", "check the database server for a newer sites.enc");
    addSwitchWords(*update, *words, {"/VUZODURI"});
    update->callback([words, &context] {
        context.exitCode = updateDatabase(*words, context.workspace, context.out, context.err,
                                          context.databaseServer);
    });
}

}  // namespace farrow::cli
