#include "batch/batch_run.h"

#include <cerrno>

#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace farrow::batch {

namespace {

std::tm localTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

void setPath(const BatchParams& params, const std::string& path) {
    if (params.setCurrentProfilePath) {
        params.setCurrentProfilePath(path);
    }
}

bool stopRequested(const BatchParams& params) {
    return params.stopRequested && params.stopRequested->load();
}

}  // namespace

BatchResult runBatch(const BatchParams& params, const RunOneProfile& runOneProfile) {
    BatchResult result;
    setPath(params, "NULL");
    const std::time_t start = params.now();
    const std::tm startLocal = localTime(start);
    result.logs = makeBatchLogNames(params.logsDir, params.errorsDir, startLocal);
    writeBatchHeads(result.logs, startLocal);

    if (!platform::fileExists(params.runFilePath)) {
        result.runFileMissing = true;
    } else if (platform::FilePtr file = platform::openFile(params.runFilePath, "rb"); !file) {
        result.runFileError = profile::FileError{errno, platform::systemReason(errno)};
    } else {
        platform::LineReader reader(file.get());
        std::string line;
        while (reader.readLine(line) && line != profile::kBatchEnd) {
            // A stopped batch starts nothing more, but the batch log names what it left out.
            if (result.stopped || stopRequested(params)) {
                result.stopped = true;
                writeNotRun(result.logs, line);
                result.profilesNotRun.push_back(line);
                continue;
            }
            setPath(params, line);
            const ProfileRunReport report = runOneProfile(ProfileRun{line, &result.logs});
            if (report.outcome == ProfileRunOutcome::Unreadable) {
                if (params.messenger && !report.loaderMessage.empty()) {
                    params.messenger->showMessage(report.loaderMessage, report.loaderIcon);
                }
                result.profilesSkipped.push_back(line);
                continue;
            }
            (report.outcome == ProfileRunOutcome::Ran ? result.profilesRun
                                                      : result.profilesNothingSubmitted)
                .push_back(line);
            writeRunEnd(result.logs);
            if (report.hadFailures && report.errorLogPath != "NULL" &&
                !report.errorLogPath.empty()) {
                result.failedRuns.push_back({report.errorLogPath, params.now()});
            }
            result.stopped = report.stopped;
        }
        if (reader.failed()) {
            result.runFileError = profile::FileError{EIO, platform::systemReason(EIO)};
        }
        setPath(params, "NULL");
        file.reset();
        platform::removeFile(params.runFilePath);
    }

    result.elapsedSeconds = static_cast<long long>(params.now() - start);
    writeBatchFooters(result.logs, result.elapsedSeconds);
    setPath(params, "NULL");
    return result;
}

}  // namespace farrow::batch
