#include "support/quick_run.h"

#include <fstream>
#include <sstream>

#include "platform/file_system.h"

namespace farrow::test {

using namespace std::chrono_literals;

submit::RunParams quickRunParams(const TempWorkspace& ws, const std::string& url) {
    submit::RunParams params;
    platform::makeDirectory(ws.file("LOGS"));
    platform::makeDirectory(ws.file("ERRORS"));
    params.profile.url = url;
    params.logsDir = ws.file("LOGS");
    params.errorsDir = ws.file("ERRORS");
    base::Timing& t = params.timing;
    t.controllerPass = 2ms;
    t.controllerWait = 1ms;
    t.dispatcherPass = 2ms;
    t.dispatcherHarvestPause = 0ms;
    t.dispatcherRefillPause = 0ms;
    t.controllerEndNap = 0ms;
    t.workerPoll = 1ms;
    return params;
}

std::string wholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

}  // namespace farrow::test
