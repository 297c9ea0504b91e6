// The batch run file (BATCH.TMP) as the batch reads it: one profile path a line up to
// "DATAEND". Each listed profile "runs" at once, with failures for every other one, so that the
// batch logs get every kind of row; the logs are removed after each input. Inputs are cut to
// 1 KiB: longer ones only add rows of the same kinds, each written by opening its log again.
#include <algorithm>
#include <cstdio>
#include <string>

#include "batch/batch_run.h"
#include "fuzz_input.h"

using namespace farrow;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kLongest = 1024;
    fuzz::writeInput(fuzz::asText(data, std::min(size, kLongest)));
    fuzz::QuietMessenger messenger;
    batch::BatchParams params;
    params.runFilePath = fuzz::inputPath();
    params.logsDir = fuzz::inputDir();
    params.errorsDir = fuzz::inputDir();
    params.now = [] { return std::time_t{1765000000}; };
    params.setCurrentProfilePath = [](const std::string&) {};
    params.messenger = &messenger;
    int runs = 0;
    const batch::BatchResult result =
        batch::runBatch(params, [&runs](const batch::ProfileRun& run) {
            batch::ProfileRunReport report;
            if (++runs % 3 == 0) {
                report.outcome = batch::ProfileRunOutcome::Unreadable;
                report.loaderMessage = " The File " + run.profilePath + " could not be opened";
            } else {
                report.hadFailures = runs % 2 == 0;
                report.errorLogPath = run.profilePath;
            }
            return report;
        });
    std::remove(result.logs.logPath.c_str());
    std::remove(result.logs.errorLogPath.c_str());
    std::remove(fuzz::inputPath().c_str());
    return 0;
}
