#include <curl/curl.h>

#include <cstdlib>
#include <iostream>

#include "cli/command_line.h"
#include "sites/database_download.h"

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string databaseServer =
        farrow::sites::databaseServerFrom(std::getenv(farrow::sites::kDatabaseServerVariable));
    int rc = farrow::cli::runCommand(args, std::cout, std::cerr, databaseServer);
    curl_global_cleanup();
    return rc;
}
