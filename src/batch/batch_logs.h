#pragma once

#include <ctime>
#include <string>

namespace farrow::batch {

// The two HTML files kept over a whole batch. The runs of the batch copy their rows into them.
struct BatchLogNames {
    // Month, day, hour and minute of the batch's start, two digits each.
    std::string stamp;
    // "BatchLog-" + stamp + ".HTM" in the logs directory.
    std::string logPath;
    // The same name in the errors directory.
    std::string errorLogPath;
};

BatchLogNames makeBatchLogNames(const std::string& logsDir, const std::string& errorsDir,
                                const std::tm& start);

// The heads of both files: the batch error log's first, then the batch log's with its link to
// the batch error log; each piece one append.
void writeBatchHeads(const BatchLogNames& names, const std::tm& start);

// The "<TR>" line that closes one run, to the batch error log, then to the batch log.
void writeRunEnd(const BatchLogNames& names);

// The batch log's row for a profile the batch did not reach because it was stopped.
void writeNotRun(const BatchLogNames& names, const std::string& profilePath);

// The tables' ends and, in the batch log, the batch's duration. The files stay open-ended
// (no closing body or document tags), as the runs' copied rows left them.
void writeBatchFooters(const BatchLogNames& names, long long elapsedSeconds);

}  // namespace farrow::batch
