#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/shared_text.h"
#include "submit/debug_view.h"
#include "submit/run_result.h"
#include "submit/site_report.h"

namespace farrow::submit {

using platform::SharedText;

// The debug window's lines as the dispatcher writes them; the controller copies the ones that
// changed into the window.
class DebugLines final {
public:
    using Change = std::pair<int, std::string>;

    // Cut to `kDebugLineLength`.
    void set(int index, std::string text);
    // The lines written since `seen`, which moves on to the latest write.
    std::vector<Change> changedSince(std::uint64_t& seen) const;
    std::string line(int index) const;

private:
    mutable std::mutex mutex_;
    std::array<std::string, kDebugLineCount> lines_;
    std::array<std::uint64_t, kDebugLineCount> versions_{};
    std::uint64_t latest_ = 0;
};

// Site outcomes on their way from the dispatcher to the controller's thread.
class ReportQueue final {
public:
    void push(SiteReport report) {
        std::lock_guard lock(mutex_);
        reports_.push_back(std::move(report));
    }
    std::vector<SiteReport> takeAll() {
        std::lock_guard lock(mutex_);
        return std::exchange(reports_, {});
    }

private:
    std::mutex mutex_;
    std::vector<SiteReport> reports_;
};

// What the controller and the dispatcher share during one run. Each field has one writer: the
// controller writes `stopRequested` and `pauseRequested` and clears the two dirty flags; the
// dispatcher writes everything else.
struct RunState {
    std::atomic<bool> dispatcherDone{false};
    std::atomic<bool> displayDirty{true};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> pauseRequested{false};
    // True while the dispatcher holds on a pause, from the moment it starts timing it.
    std::atomic<bool> dispatcherPaused{false};
    std::atomic<bool> countersDirty{false};

    SharedText lastSiteText;
    SharedText activityText;

    std::atomic<int> processed{0};
    std::atomic<int> good{0};
    std::atomic<int> failed{0};

    DebugLines debugLines;
    ReportQueue reports;

    // The dispatcher's alone until `dispatcherDone`; the controller reads it afterwards.
    FailureList failureList;
};

}  // namespace farrow::submit
