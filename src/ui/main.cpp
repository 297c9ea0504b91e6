#include <curl/curl.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "base/version.h"
#include "platform/file_system.h"
#include "sites/database_download.h"
#include "ui/main_dialog.h"
#include "ui/qt_frontend.h"
#include "ui/submission_runner.h"

namespace {

constexpr const char* kUsage =
    "usage: farrowlane [SWITCHES]\n"
    "       farrowlane --help | --version\n"
    "\n"
    "Opens the window on the files of the current directory (the workspace).\n"
    "\n"
    "Options:\n"
    "  --help           print this help and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Switches (whole words, case-sensitive; other words are ignored):\n"
    "  /VERBOSE, /TEST  show the debug window during a run, warn about sites of a profile\n"
    "                   that cannot be selected, and write LOGS/FRRWLOG.WRI\n"
    "  /SITELOG         write every site record read\n"
    "  /HTML            keep every reply in LOGS/HTMLDUMP.WRI\n"
    "  /LOG             accepted; changes nothing\n"
    "  /VUZODURI        all of the above, the requests sent added to the reply file, and no\n"
    "                   download of the sites database even after \"Check Now\"\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered on the terminal before anything of the window exists, so they work without a
    // display. Every other argument is a switch word of the start-up, or ignored.
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--version") {
            std::cout << "farrowlane " << farrow::base::kVersion << '\n';
            return 0;
        }
        if (std::string(argv[i]) == "--help") {
            std::cout << kUsage;
            return std::cout.flush() ? 0 : 1;
        }
    }
    // Before any thread starts: the start-up may download the sites database.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::vector<std::string> args(argv, argv + argc);
    {
        QApplication application(argc, argv);
        QApplication::setApplicationName("farrowlane");
        farrow::app::AppState state;
        state.databaseServer =
            farrow::sites::databaseServerFrom(std::getenv(farrow::sites::kDatabaseServerVariable));
        state.browserEnvironment =
            farrow::ui::browserEnvironmentFrom(std::getenv("BROWSER"), std::getenv("PATH"));
        if (const char* caFile = std::getenv("FARROWLANE_CA_FILE")) {
            state.caFile = caFile;
        }
        if (const char* api = std::getenv("FARROWLANE_GOOGLE_API")) {
            state.googleApi = api;
        }
        if (const char* credentials = std::getenv("GOOGLE_APPLICATION_CREDENTIALS")) {
            state.googleCredentials = credentials;
        }
        state.workspace = farrow::base::Workspace(farrow::platform::currentDirectory());
        std::error_code ec;
        state.tempDir = std::filesystem::temp_directory_path(ec).string();
        farrow::ui::QtFrontend frontend;
        const char* timing = std::getenv("FARROWLANE_TIMING");
        const farrow::base::TimingOverrides overrides =
            farrow::base::applyTimingOverrides(timing ? timing : "", state.timing);
        if (overrides.timing) {
            state.timing = *overrides.timing;
        } else {
            // A bad setting is reported, and the program goes on with the product's limits.
            frontend.showMessage(overrides.error, farrow::base::MessageIcon::Exclamation);
        }
        farrow::ui::MainDialog dialog(state, frontend);
        if (dialog.initialise(args)) {
            dialog.exec();
        }
    }
    curl_global_cleanup();
    // The program ends with 0 however it ends, also after "Sites Database Problem.".
    return 0;
}
