#include "support/fake_run_frontend.h"

namespace farrow::test {

std::tm ManualClock::toLocal(base::TimePoint t) const {
    const std::time_t s = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&s, &tm);
    return tm;
}

base::TimePoint fixedStart() {
    // 2004-03-07 09:05:00 UTC
    return base::TimePoint(std::chrono::seconds(1078650300));
}

submit::TransportOutcome ScriptedTransport::send(const submit::SiteRequest& request,
                                                 const submit::TransportSettings&) {
    std::unique_lock lock(mutex_);
    sent_.push_back(request.siteName);
    released_.wait(lock, [&] { return !held_[request.siteName]; });
    auto it = scripts_.find(request.siteName);
    if (it != scripts_.end()) {
        return it->second;
    }
    submit::TransportOutcome ok;
    ok.responseCode = 200;
    ok.reply = "Thank you";
    return ok;
}

void ScriptedTransport::script(const std::string& siteName, submit::TransportOutcome outcome) {
    std::lock_guard lock(mutex_);
    scripts_[siteName] = std::move(outcome);
}

void ScriptedTransport::hold(const std::string& siteName) {
    std::lock_guard lock(mutex_);
    held_[siteName] = true;
}

void ScriptedTransport::release(const std::string& siteName) {
    {
        std::lock_guard lock(mutex_);
        held_[siteName] = false;
    }
    released_.notify_all();
}

std::vector<std::string> ScriptedTransport::sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::unique_ptr<submit::ProgressView> FakeRunFrontend::createProgressView() {
    if (failProgress) {
        return nullptr;
    }
    progress.destroyed = false;
    return std::make_unique<FakeProgressView>(progress);
}

std::unique_ptr<submit::DebugView> FakeRunFrontend::createDebugView() {
    if (failDebug) {
        return nullptr;
    }
    return std::make_unique<FakeDebugView>(debugLines);
}

void FakeRunFrontend::pumpFor(base::Millis d) {
    ++pumps;
    if (onPump) {
        onPump(*this);
    }
    std::this_thread::sleep_for(std::min(d, base::Millis(2)));
}

}  // namespace farrow::test
