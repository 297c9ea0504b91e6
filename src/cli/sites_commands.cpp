#include <cerrno>
#include <cstdio>

#include "app/startup_sequence.h"
#include "cli/command_line.h"
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
int convertLines(const std::string& path, std::ostream& out, std::ostream& err, Convert convert) {
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

int dumpSites(std::ostream& out, std::ostream& err) {
    if (!platform::fileExists(sites::kSitesFile)) {
        err << "farrowctl: there is no " << sites::kSitesFile << " in "
            << platform::currentDirectory() << '\n';
        return kExitFailed;
    }
    // Only the reading steps of start-up: a dump must not create folders or settings, nor
    // delete the trace of an earlier run.
    app::AppState state;
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/false, /*showStages=*/false);
    app::loadBranding(state, frontend);
    sites::readSitesFile(state, nullptr, frontend);
    for (const sites::SiteRecord& record : state.siteTable) {
        out << logs::formatSiteRecordDump(record, record.isComplex);
    }
    out << state.siteTable.size() << " Sites\n";
    return frontend.messageCount() == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int sitesCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 2 && args[0] == "decode") {
        return convertLines(args[1], out, err,
                            [](const std::string& l) { return sites::decodeSiteLine(l); });
    }
    if (args.size() == 2 && args[0] == "encode") {
        return convertLines(args[1], out, err,
                            [](const std::string& l) { return sites::encodeSiteLine(l); });
    }
    if (args.size() == 1 && args[0] == "dump") {
        return dumpSites(out, err);
    }
    return kExitUsage;
}

int updateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::string& databaseServer) {
    std::vector<std::string> argv = {"farrowctl"};
    for (const std::string& a : args) {
        if (a != "/VUZODURI") {
            return kExitUsage;
        }
        argv.push_back(a);
    }
    app::AppState state;
    state.databaseServer = databaseServer;
    TerminalFrontend frontend(out, err, /*checkForUpdates=*/true, /*showStages=*/true);
    app::loadBranding(state, frontend);
    app::StartupOutcome outcome = app::runStartupSequence(state, argv, frontend);
    if (!outcome.ok) {
        return kExitFailed;
    }
    out << state.siteTable.size() << " Sites\n";
    return kExitOk;
}

}  // namespace farrow::cli
