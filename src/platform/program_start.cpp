#include "platform/program_start.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace farrow::platform {

namespace {

// The start check looks at the program this often (milliseconds).
constexpr int kCheckSliceMs = 10;
// What the middle process writes into the pipe when the program did not start or ended badly.
constexpr char kExecFailed = 1;
constexpr char kEndedBadly = 2;

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool DetachedStarter::start(const std::string& program, const std::vector<std::string>& arguments) {
    // Everything the child needs is made before the fork: after it, in a threaded program, the
    // child may only call what is safe there (fork, setsid, execv, waitpid, poll, write, _exit).
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const long checks = std::max<long>(0, startCheck_.count() / kCheckSliceMs);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        // The middle process starts the program, watches it for the start check and then ends,
        // so the program is adopted by init and nobody has to wait for it.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::execv(program.c_str(), argv.data());
            const char failed = kExecFailed;
            [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &failed, 1);
            ::_exit(127);
        }
        if (grandchild < 0) {
            ::_exit(1);
        }
        for (long i = 0; i < checks; ++i) {
            int status = 0;
            const pid_t ended = ::waitpid(grandchild, &status, WNOHANG);
            if (ended == grandchild) {
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                    const char failed = kEndedBadly;
                    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &failed, 1);
                }
                break;
            }
            if (ended < 0 && errno != EINTR) {
                break;
            }
            ::poll(nullptr, 0, kCheckSliceMs);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    // The pipe closes when the middle process ends; a byte in it means the program failed.
    bool failed = false;
    for (;;) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        const int ready = ::poll(&readable, 1, pump_ ? kCheckSliceMs : -1);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready > 0) {
            char byte = 0;
            const ssize_t n = ::read(pipeFds[0], &byte, 1);
            if (n == 0) {
                break;
            }
            failed = failed || n > 0;
            if (n < 0 && errno != EINTR) {
                break;
            }
        }
        if (pump_) {
            pump_->pumpMessages();
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && !failed;
}

std::optional<std::string> findProgram(const std::string& name, const std::string& pathVariable) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string::npos) {
        return isExecutableFile(name) ? std::optional<std::string>(name) : std::nullopt;
    }
    std::size_t begin = 0;
    while (begin <= pathVariable.size()) {
        std::size_t colon = pathVariable.find(':', begin);
        if (colon == std::string::npos) {
            colon = pathVariable.size();
        }
        std::string dir = pathVariable.substr(begin, colon - begin);
        // An empty entry means the current directory, which is not searched on purpose.
        if (!dir.empty()) {
            const std::string candidate = dir + "/" + name;
            if (isExecutableFile(candidate)) {
                return candidate;
            }
        }
        begin = colon + 1;
    }
    return std::nullopt;
}

}  // namespace farrow::platform
