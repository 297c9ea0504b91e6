#include <curl/curl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "cli/command_line.h"
#include "platform/file_system.h"
#include "sites/database_download.h"

namespace {

// A progress line is drawn only where it can be redrawn in place.
void readTerminal(farrow::cli::CommandSettings& settings) {
    const char* term = std::getenv("TERM");
    settings.progressLine =
        isatty(2) == 1 && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
    winsize size{};
    if (ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        settings.terminalColumns = size.ws_col;
    } else if (const char* columns = std::getenv("COLUMNS")) {
        settings.terminalColumns = std::strtoul(columns, nullptr, 10);
    }
    if (settings.terminalColumns == 0) {
        settings.terminalColumns = 80;
    }
}

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::vector<std::string> args(argv + 1, argv + argc);
    farrow::cli::CommandSettings settings;
    settings.workspace = farrow::base::Workspace(farrow::platform::currentDirectory());
    std::error_code ec;
    settings.tempDir = std::filesystem::temp_directory_path(ec).string();
    settings.databaseServer =
        farrow::sites::databaseServerFrom(std::getenv(farrow::sites::kDatabaseServerVariable));
    const char* timing = std::getenv("FARROWLANE_TIMING");
    const farrow::base::TimingOverrides overrides =
        farrow::base::applyTimingOverrides(timing ? timing : "", settings.timing);
    if (!overrides.timing) {
        std::cerr << "farrowctl: " << overrides.error << '\n';
        curl_global_cleanup();
        return farrow::cli::kExitUsage;
    }
    settings.timing = *overrides.timing;
    if (const char* caFile = std::getenv("FARROWLANE_CA_FILE")) {
        settings.caFile = caFile;
    }
    if (const char* api = std::getenv("FARROWLANE_GOOGLE_API")) {
        settings.googleApi = api;
    }
    if (const char* credentials = std::getenv("GOOGLE_APPLICATION_CREDENTIALS")) {
        settings.googleCredentials = credentials;
    }
    settings.input = &std::cin;
    readTerminal(settings);
    int rc = farrow::cli::runCommand(args, std::cout, std::cerr, settings);
    curl_global_cleanup();
    // A failed write to stdout was said already; closing it can still fail.
    const bool said = std::ferror(stdout) != 0;
    if (std::fclose(stdout) != 0 && !said) {
        std::cerr << "farrowctl: cannot write standard output: "
                  << farrow::platform::systemReason(errno) << '\n';
        rc = farrow::cli::kExitFailed;
    }
    return rc;
}
