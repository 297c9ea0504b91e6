#include <curl/curl.h>

#include <iostream>

#include "cli/command_line.h"

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    std::vector<std::string> args(argv + 1, argv + argc);
    int rc = farrow::cli::runCommand(args, std::cout, std::cerr);
    curl_global_cleanup();
    return rc;
}
