// farrowlane-sandbox: simulated target sites, a demo web site, announcement endpoints and a
// mail sink on 127.0.0.1, with a workspace whose sites database points at them, for rehearsing
// whole runs offline.
#include <CLI/CLI.hpp>

#include <signal.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "base/version.h"
#include "sandbox/demo_key.h"
#include "sandbox/indexnow_endpoint.h"
#include "sandbox/sandbox_server.h"
#include "sandbox/sandbox_sites.h"
#include "sandbox/target_behaviour.h"
#include "sandbox/workspace_writer.h"

namespace {

using farrow::sandbox::SandboxServer;

// Waits for SIGINT or SIGTERM, or until `seconds` have passed when it is above 0. The signals
// are blocked in every thread (set before any starts) and taken here synchronously.
void serveUntilStopped(const sigset_t& signals, double seconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds));
    for (;;) {
        const timespec slice{0, 100'000'000};
        if (::sigtimedwait(&signals, nullptr, &slice) > 0) {
            return;
        }
        if (seconds > 0 && std::chrono::steady_clock::now() >= end) {
            return;
        }
    }
}

void printWhereEverythingIs(const SandboxServer& server,
                            const farrow::sandbox::WrittenWorkspace& workspace) {
    const std::string web = "http://127.0.0.1:" + std::to_string(server.httpPort());
    const std::string secure = "https://127.0.0.1:" + std::to_string(server.httpsPort());
    std::cout << "Sandbox web server: " << web << "/ and " << secure << "/ (every route on both)\n";
    for (const farrow::sandbox::TargetRoute& route : farrow::sandbox::targetRoutes()) {
        std::cout << "  target " << web << route.path << " " << route.label << '\n';
    }
    std::cout
        << "  search page " << web << farrow::sandbox::kSearchPath << "?q=WORDS\n"
        << "  demo site " << web << farrow::sandbox::kSiteStartPage << '\n'
        << "  demo site's key file " << web << '/' << farrow::sandbox::demoKeyFileName() << '\n'
        << "  announcement endpoint " << secure << farrow::sandbox::kIndexNowPath << '\n'
        << "  announcement endpoint, busy (429) " << secure << farrow::sandbox::kIndexNowBusyPath
        << '\n'
        << "Sandbox mail sink: 127.0.0.1:" << server.mailPort() << " (refuses mailboxes "
        << "beginning with \"" << farrow::sandbox::kRefusedMailbox << "\"; messages kept in "
        << server.mailSink().folder().string() << ")\n"
        << "Workspace: " << workspace.sitesFile.parent_path().string() << '\n'
        << "  sites database " << workspace.sitesFile.string() << " ("
        << farrow::sandbox::sandboxSites().size() << " target sites)\n"
        << "  branding " << workspace.brandingFile.string() << '\n'
        << "  settings " << workspace.settingsFile.string() << '\n'
        << "  demo profile " << workspace.profileFile.string() << '\n'
        << "  key " << workspace.keyFile.string() << " (published as "
        << workspace.publishedKeyFile.string() << ")\n"
        << "  CA file " << workspace.authorityFile.string()
        << " (FARROWLANE_CA_FILE for the HTTPS server)\n"
        << "  Search Console credentials "
        << (workspace.sitesFile.parent_path() / farrow::sandbox::kGoogleCredentialsName).string()
        << " (" << server.googleAccount().clientEmail << ")\n"
        << "Sandbox Search Console: " << server.googleApi()
        << " (FARROWLANE_GOOGLE_API), tokens at " << server.googleTokenUri() << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "farrowlane-sandbox: simulated target sites, a demo web site and a mail sink on "
        "127.0.0.1, and a workspace that submits to them"};
    farrow::sandbox::SandboxSettings settings;
    std::filesystem::path workspace = "sandbox-workspace";
    std::string mailbox;
    double seconds = 0;
    int slowStep = static_cast<int>(settings.routes.slowStep.count());
    app.add_option("--http-port", settings.httpPort, "port of the web server (0: a free port)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--https-port", settings.httpsPort,
                   "port of the web server over HTTPS (0: a free port)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--mail-port", settings.mailPort, "port of the mail sink (0: a free port)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--workspace", workspace, "folder to write the workspace into")
        ->capture_default_str();
    app.add_option("--mailbox", mailbox, "folder for the mail taken (default: WORKSPACE/MAILBOX)");
    app.add_option("--for", seconds, "serve this many seconds, then stop (0: until stopped)")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--slow-step", slowStep,
                   "milliseconds between the pieces of the slow target's answer")
        ->check(CLI::Range(0, 60000))
        ->capture_default_str();
    app.add_option("--google-quota", settings.searchConsole.quota,
                   "URL inspections the Search Console answers per property before 429")
        ->capture_default_str();
    app.add_option("--google-minute-quota", settings.searchConsole.minuteQuota,
                   "URL inspections the Search Console answers per property within a minute "
                   "before 429")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.set_version_flag("--version", std::string("farrowlane-sandbox ") + farrow::base::kVersion,
                         "print the version and exit");
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // Bad usage ends with 2, as farrowctl's does, with the usage beside the complaint.
        std::cerr << "farrowlane-sandbox: " << e.what() << "\n\n" << app.help();
        return 2;
    }
    settings.routes.slowStep = std::chrono::milliseconds(slowStep);
    settings.mailbox = mailbox.empty() ? workspace / "MAILBOX" : std::filesystem::path(mailbox);

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // A shell starts background programs with SIGINT ignored, and an ignored signal never
    // becomes pending; with the default action restored it waits, blocked, for sigtimedwait.
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SandboxServer server(settings, std::cout);
    if (!server.valid()) {
        std::cerr << "farrowlane-sandbox: " << server.error() << '\n';
        return 1;
    }
    const farrow::sandbox::WrittenWorkspace written = farrow::sandbox::writeWorkspace(
        {std::filesystem::absolute(workspace), server.httpPort(), server.mailPort(),
         server.authorityPem(), server.httpsPort()});
    if (!written.ok) {
        std::cerr << "farrowlane-sandbox: " << written.error << '\n';
        return 1;
    }
    if (!farrow::sandbox::writeCredentials(
            std::filesystem::absolute(workspace) / farrow::sandbox::kGoogleCredentialsName,
            server.googleAccount(), server.googleTokenUri())) {
        std::cerr << "farrowlane-sandbox: cannot write "
                  << (workspace / farrow::sandbox::kGoogleCredentialsName).string() << '\n';
        return 1;
    }
    server.start();
    printWhereEverythingIs(server, written);
    if (seconds > 0) {
        std::cout << "Ready; serving for " << seconds << " seconds." << std::endl;
    } else {
        std::cout << "Ready; serving until stopped (Ctrl-C)." << std::endl;
    }
    serveUntilStopped(signals, seconds);
    server.stop();
    std::cout << "Stopped; " << server.mailSink().keptCount() << " mail(s) kept." << std::endl;
    return 0;
}
