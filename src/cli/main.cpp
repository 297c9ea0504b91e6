#include <curl/curl.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "cli/command_line.h"
#include "platform/file_system.h"
#include "sites/database_download.h"

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
    int rc = farrow::cli::runCommand(args, std::cout, std::cerr, settings);
    curl_global_cleanup();
    return rc;
}
