#pragma once

#include <mutex>
#include <string>

namespace farrow::logs {

// The first log append of a run that did not reach its file (a full disk, a folder gone), kept
// so that the run can go on and say so once at its end. Written from any thread.
class WriteProblems final {
public:
    // Notes the failed append to `path` with the system's error number, unless one was noted.
    void note(const std::string& path, int error);
    // "Could not write PATH: reason" for the first failure, or empty.
    std::string first() const;

private:
    mutable std::mutex mutex_;
    std::string first_;
};

// Appends as `platform::appendTextToFile` does and notes a failure in `problems` (may be null).
void appendNoting(const std::string& path, const std::string& text, WriteProblems* problems);

}  // namespace farrow::logs
