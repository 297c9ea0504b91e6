#pragma once
// Small helpers the benchmarks share: memory figures and timed child processes.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "base/messenger.h"
#include "submit/progress_view.h"
#include "submit/run_frontend.h"
#include "submit/run_pump.h"

namespace farrow::bench {

// The process's peak resident memory so far, in kB (VmHWM).
inline long peakRssKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

struct ChildRun {
    int exitCode = -1;
    double seconds = 0;
    // The child's peak resident memory, in kB.
    long maxRssKb = 0;
    // The processor time the child used, user and system.
    double cpuSeconds = 0;
};

// Runs `argv` in `dir` with `env` added to this process's environment, its output thrown away,
// and times it from the start to its exit.
inline ChildRun runChild(const std::vector<std::string>& argv, const std::string& dir,
                         const std::vector<std::string>& env = {}) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) {
            _exit(127);
        }
        for (const std::string& e : env) {
            putenv(const_cast<char*>(e.c_str()));
        }
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ChildRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxRssKb = usage.ru_maxrss;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

class QuietMessenger final : public base::Messenger {
public:
    void showMessage(const std::string& text, base::MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
};

class NullProgress final : public submit::ProgressView {
public:
    void setCaption(const std::string&) override {}
    void setLastSite(const std::string&) override {}
    void setBarRange(int) override {}
    void setBarPosition(int) override {}
    void setTotal(const std::string&) override {}
    void setGood(const std::string&) override {}
    void setFailure(const std::string&) override {}
    void setFailRate(const std::string&) override {}
    void show() override {}
    void refresh() override {}
    bool abortDown() const override { return false; }
    bool pauseDown() const override { return false; }
};

// A run with no windows: every wait sleeps.
class HeadlessFrontend final : public submit::RunFrontend, public submit::RunPump {
public:
    base::Messenger& messenger() override { return quiet_; }
    submit::RunPump& pump() override { return *this; }
    void setStatus(const std::string&) override {}
    void setMainCaption(const std::string&) override {}
    void refreshMain() override {}
    std::unique_ptr<submit::ProgressView> createProgressView() override {
        return std::make_unique<NullProgress>();
    }
    std::unique_ptr<submit::DebugView> createDebugView() override { return nullptr; }
    bool askShowErrorLog() override { return false; }
    void showErrorLog(const std::string&) override {}
    void siteFinished(const submit::SiteReport&) override {}
    void pumpMessages() override {}
    void pumpFor(base::Millis d) override { std::this_thread::sleep_for(d); }

private:
    QuietMessenger quiet_;
};

}  // namespace farrow::bench
