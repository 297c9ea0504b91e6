#include "app/run_summary.h"

namespace farrow::app {

namespace {

std::string count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void RunSummary::add(const submit::RunResult& run) {
    if (!run.ran) {
        return;
    }
    ++runs;
    sites += run.siteCount;
    good += run.good;
    failed += run.failed;
    if (run.stopped) {
        stopped = true;
        unsent += run.siteCount - run.processed;
    }
    for (const std::string* log : {&run.logPath, &run.errorLogName}) {
        if (!log->empty() && *log != "NULL") {
            logs.push_back(*log);
        }
    }
    if (!run.failureProfilePath.empty()) {
        failureProfiles.push_back(run.failureProfilePath);
    }
}

std::string summaryText(const RunSummary& s, const batch::BatchResult* batch) {
    std::string text;
    if (batch) {
        text += count(static_cast<int>(batch->profilesRun.size()), "profile", "profiles") + " run";
        if (!batch->profilesSkipped.empty()) {
            text += ", " + std::to_string(batch->profilesSkipped.size()) + " could not be read";
        }
        if (!batch->profilesNothingSubmitted.empty()) {
            text += ", " + std::to_string(batch->profilesNothingSubmitted.size()) +
                    " submitted nothing";
        }
        if (!batch->profilesNotRun.empty()) {
            text +=
                ", " + std::to_string(batch->profilesNotRun.size()) + " not reached after the stop";
        }
        text += ".\n";
    }
    if (s.runs == 0) {
        return text + "Nothing was submitted.";
    }
    text += count(s.runs, "run", "runs") + " to " + count(s.sites, "site", "sites") + ": " +
            std::to_string(s.good) + " accepted, " + std::to_string(s.failed) + " failed.";
    if (s.stopped) {
        text +=
            "\nABORT stopped the job: " + count(s.unsent, "site was", "sites were") + " not sent";
        text += s.failureProfiles.empty() ? "." : "; the failure profile holds them.";
    }
    if (!s.failureProfiles.empty()) {
        text += "\n" +
                count(static_cast<int>(s.failureProfiles.size()), "failure profile was",
                      "failure profiles were") +
                " written: load one to send its sites again.";
    }
    return text;
}

std::vector<std::string> summaryFiles(const RunSummary& s, const batch::BatchResult* batch) {
    std::vector<std::string> files = s.logs;
    files.insert(files.end(), s.failureProfiles.begin(), s.failureProfiles.end());
    if (batch) {
        for (const std::string* log : {&batch->logs.logPath, &batch->logs.errorLogPath}) {
            if (!log->empty() && *log != "NULL") {
                files.push_back(*log);
            }
        }
    }
    return files;
}

std::string profileUnderWay(int number, const std::string& path) {
    return "Profile " + std::to_string(number) + ": " + path;
}

std::string pageUnderWay(int number, int pages, const std::string& url) {
    return "Page " + std::to_string(number) + " of " + std::to_string(pages) + ": " + url;
}

}  // namespace farrow::app
