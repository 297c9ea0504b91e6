#include "cli/interrupt_scope.h"

#include <unistd.h>

#include "cli/exit_code.h"

namespace farrow::cli {

namespace {

// A signal handler reaches only process-wide state.
std::atomic<bool> stopAsked{false};
std::atomic<int> signalsSeen{0};
std::atomic<bool> lineShown{false};

extern "C" void onStopSignal(int signal) {
    if (signalsSeen.fetch_add(1) >= 1) {
        _exit(signal == SIGTERM ? kExitTerminated : kExitInterrupted);
    }
    stopAsked = true;
    // The progress line would stand still until the stop is done; write() is safe here.
    if (lineShown.exchange(false)) {
        constexpr char kErase[] = "\r\x1b[K";
        [[maybe_unused]] const ssize_t n = write(2, kErase, sizeof kErase - 1);
    }
}

}  // namespace

InterruptScope::InterruptScope() {
    stopAsked = false;
    signalsSeen = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // A read or a sleep under way goes on; the operations look at the flag themselves.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInterrupt_);
    sigaction(SIGTERM, &action, &previousTerminate_);
}

InterruptScope::~InterruptScope() {
    sigaction(SIGINT, &previousInterrupt_, nullptr);
    sigaction(SIGTERM, &previousTerminate_, nullptr);
    stopAsked = false;
}

const std::atomic<bool>& InterruptScope::requested() {
    return stopAsked;
}

void InterruptScope::setLineShown(bool shown) {
    lineShown = shown;
}

}  // namespace farrow::cli
