#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "submit/run_frontend.h"
#include "submit/transport.h"
#include "submit/worker_launcher.h"
#include "support/fake_frontend.h"

namespace farrow::test {

// A clock that moves only when told; its calendar times are UTC.
class ManualClock final : public base::Clock {
public:
    explicit ManualClock(base::TimePoint start) : now_(start) {}
    base::TimePoint now() const override { return now_.load(); }
    std::tm toLocal(base::TimePoint t) const override;
    void advance(std::chrono::milliseconds d) { now_.store(now_.load() + d); }

private:
    std::atomic<base::TimePoint> now_;
};

// 7 March 2004, 09:05:00 UTC.
base::TimePoint fixedStart();

// Answers each site as scripted by its name; unscripted sites get an accepted reply. A site
// may be held until `release` is called for it.
class ScriptedTransport final : public submit::Transport {
public:
    submit::TransportOutcome send(const submit::SiteRequest& request,
                                  const submit::TransportSettings& settings) override;
    void script(const std::string& siteName, submit::TransportOutcome outcome);
    void hold(const std::string& siteName);
    void release(const std::string& siteName);
    std::vector<std::string> sent() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, submit::TransportOutcome> scripts_;
    std::map<std::string, bool> held_;
    std::vector<std::string> sent_;
};

// Keeps the worker bodies; the test runs them when it chooses, on its own thread. `onLaunch`,
// when set, runs after each launch with the number of launches so far (a test presses ABORT or
// Pause in the middle of a pass with it).
class DeferredLauncher final : public submit::WorkerLauncher {
public:
    std::jthread launch(std::function<void()> body) override {
        bodies.push_back(std::move(body));
        if (onLaunch) {
            onLaunch(bodies.size());
        }
        return {};
    }
    std::vector<std::function<void()>> bodies;
    std::function<void(std::size_t)> onLaunch;
};

// Starts workers on threads of their own, except the `refused`-th start (counting from 1),
// which fails as a system out of threads does.
class RefusingLauncher final : public submit::WorkerLauncher {
public:
    explicit RefusingLauncher(std::size_t refused) : refused_(refused) {}
    std::jthread launch(std::function<void()> body) override {
        if (++launches_ == refused_) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                    "thread");
        }
        return std::jthread(std::move(body));
    }

private:
    std::size_t refused_;
    std::size_t launches_ = 0;
};

class FakeProgressView final : public submit::ProgressView {
public:
    struct Shared {
        std::vector<std::string> texts;  // "field: text", in order
        std::atomic<bool> abort{false};
        std::atomic<bool> pause{false};
        int barMaximum = -1;
        int barPosition = -1;
        bool destroyed = false;
        std::mutex mutex;
        void add(const std::string& field, const std::string& text) {
            std::lock_guard lock(mutex);
            texts.push_back(field + ": " + text);
        }
    };
    explicit FakeProgressView(Shared& shared) : s_(shared) {}
    ~FakeProgressView() override { s_.destroyed = true; }
    void setCaption(const std::string& t) override { s_.add("caption", t); }
    void setLastSite(const std::string& t) override { s_.add("lastSite", t); }
    void setBarRange(int m) override { s_.barMaximum = m; }
    void setBarPosition(int p) override { s_.barPosition = p; }
    void setTotal(const std::string& t) override { s_.add("total", t); }
    void setGood(const std::string& t) override { s_.add("good", t); }
    void setFailure(const std::string& t) override { s_.add("failure", t); }
    void setFailRate(const std::string& t) override { s_.add("failRate", t); }
    void show() override {}
    void refresh() override {}
    bool abortDown() const override { return s_.abort; }
    bool pauseDown() const override { return s_.pause; }

private:
    Shared& s_;
};

class FakeDebugView final : public submit::DebugView {
public:
    explicit FakeDebugView(std::vector<std::string>& lines) : lines_(lines) {
        lines_.assign(submit::kDebugLineCount, "");
    }
    void show() override {}
    void setLine(int i, const std::string& t) override { lines_[i] = t; }
    void refresh() override {}

private:
    std::vector<std::string>& lines_;
};

// Records what a run showed; `onPump` runs in every wait, so a test can press ABORT or Pause
// at a chosen moment. The waits really sleep, briefly.
class FakeRunFrontend final : public submit::RunFrontend, public submit::RunPump {
public:
    base::Messenger& messenger() override { return messenger_; }
    submit::RunPump& pump() override { return *this; }
    void setStatus(const std::string& t) override { statuses.push_back(t); }
    void setMainCaption(const std::string& t) override { captions.push_back(t); }
    void refreshMain() override {}
    std::unique_ptr<submit::ProgressView> createProgressView() override;
    std::unique_ptr<submit::DebugView> createDebugView() override;
    bool askShowErrorLog() override {
        ++questions;
        return answerYes;
    }
    void showErrorLog(const std::string& path) override { shownLogs.push_back(path); }
    void siteFinished(const submit::SiteReport& r) override { reports.push_back(r); }
    void pumpMessages() override { ++pumps; }
    void pumpFor(base::Millis d) override;

    FakeMessenger& fakeMessenger() { return messenger_; }

    FakeProgressView::Shared progress;
    std::vector<std::string> debugLines;
    bool failProgress = false;
    bool failDebug = false;
    bool answerYes = false;
    int questions = 0;
    int pumps = 0;
    std::vector<std::string> statuses;
    std::vector<std::string> captions;
    std::vector<std::string> shownLogs;
    std::vector<submit::SiteReport> reports;
    std::function<void(FakeRunFrontend&)> onPump;

private:
    FakeMessenger messenger_;
};

}  // namespace farrow::test
