#include <curl/curl.h>

#include <QApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "sites/database_download.h"
#include "ui/main_dialog.h"
#include "ui/qt_frontend.h"

int main(int argc, char** argv) {
    // Before any thread starts: the start-up may download the sites database.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::vector<std::string> args(argv, argv + argc);
    {
        QApplication application(argc, argv);
        QApplication::setApplicationName("farrowlane");
        farrow::app::AppState state;
        state.databaseServer =
            farrow::sites::databaseServerFrom(std::getenv(farrow::sites::kDatabaseServerVariable));
        farrow::ui::QtFrontend frontend;
        farrow::ui::MainDialog dialog(state, frontend);
        if (dialog.initialise(args)) {
            dialog.exec();
        }
    }
    curl_global_cleanup();
    // The program ends with 0 however it ends, also after "Sites Database Problem.".
    return 0;
}
