#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace farrow::test {

// Runs `body` in a child process whose files may grow to `limit` bytes at most, as on a disk
// that fills up (a write that reaches the limit falls short, then fails with EFBIG). Returns the
// child's exit status: 0 when `body` returned true, 1 when false, -1 when it did not exit.
template <typename Body>
int withFileSizeLimit(rlim_t limit, Body body) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
        _exit(body() ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace farrow::test
