#pragma once

#include <string>
#include <vector>

#include "batch/batch_run.h"
#include "submit/run_result.h"

namespace farrow::app {

// What the runs of one long job (a deep profile's pages, a batch's profiles) added up to, for
// the summary the window shows when the job is over.
struct RunSummary {
    int runs = 0;
    int sites = 0;
    int good = 0;
    int failed = 0;
    // Sites an ABORT left unstarted; the failure profile of that run holds them.
    int unsent = 0;
    bool stopped = false;
    // Each run's submission log and error log, in the order the runs ended.
    std::vector<std::string> logs;
    std::vector<std::string> failureProfiles;

    void add(const submit::RunResult& run);
};

// The summary's words: the counts, what a stop left unsent, and for a batch (when given) which
// profiles ran, were skipped or were not reached.
std::string summaryText(const RunSummary& summary, const batch::BatchResult* batch = nullptr);

// The files the summary names, for the user to open: logs, failure profiles, batch logs.
std::vector<std::string> summaryFiles(const RunSummary& summary,
                                      const batch::BatchResult* batch = nullptr);

// The line that says what runs: "Profile 2: FILE" or "Page 3 of 14: URL".
std::string profileUnderWay(int number, const std::string& path);
std::string pageUnderWay(int number, int pages, const std::string& url);

}  // namespace farrow::app
