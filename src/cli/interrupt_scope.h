#pragma once

#include <atomic>
#include <csignal>

namespace farrow::cli {

// While it lives, the first SIGINT or SIGTERM asks the command to stop, as its own stop does
// (ABORT for a run, the end of a crawl or an announcement), so a Ctrl-C and a `systemctl stop`
// end alike, with whole logs; a second one ends the process at once with kExitInterrupted or
// kExitTerminated. The handlers are put back as they were when it ends.
class InterruptScope final {
public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

    // Set by the first signal until the scope ends; what a core operation's `cancel` points at.
    static const std::atomic<bool>& requested();

    // Whether the signal handler must take a progress line off stderr.
    static void setLineShown(bool shown);

private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};

}  // namespace farrow::cli
