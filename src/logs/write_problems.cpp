#include "logs/write_problems.h"

#include <cerrno>

#include "platform/file_system.h"

namespace farrow::logs {

void WriteProblems::note(const std::string& path, int error) {
    std::lock_guard lock(mutex_);
    if (first_.empty()) {
        first_ = "Could not write " + path + ": " + platform::systemReason(error);
    }
}

std::string WriteProblems::first() const {
    std::lock_guard lock(mutex_);
    return first_;
}

void appendNoting(const std::string& path, const std::string& text, WriteProblems* problems) {
    if (!platform::appendTextToFile(path, text) && problems != nullptr) {
        problems->note(path, errno);
    }
}

}  // namespace farrow::logs
