#include "submit/run_state.h"

namespace farrow::submit {

void DebugLines::set(int index, std::string text) {
    if (index < 0 || index >= kDebugLineCount) {
        return;
    }
    if (text.size() > kDebugLineLength) {
        text.resize(kDebugLineLength);
    }
    std::lock_guard lock(mutex_);
    if (lines_[index] == text && versions_[index] != 0) {
        return;
    }
    lines_[index] = std::move(text);
    versions_[index] = ++latest_;
}

std::vector<DebugLines::Change> DebugLines::changedSince(std::uint64_t& seen) const {
    std::vector<Change> changes;
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kDebugLineCount; ++i) {
        if (versions_[i] > seen) {
            changes.emplace_back(i, lines_[i]);
        }
    }
    seen = latest_;
    return changes;
}

std::string DebugLines::line(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && index < kDebugLineCount ? lines_[index] : std::string();
}

}  // namespace farrow::submit
