#include "platform/program_start.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace farrow::platform {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool DetachedStarter::start(const std::string& program, const std::vector<std::string>& arguments) {
    // Everything the child needs is made before the fork: after it, in a threaded program, the
    // child may only call what is safe there (fork, setsid, execv, _exit).
    std::vector<std::string> words;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
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
        // The middle process starts the program and ends at once, so the program is adopted
        // by init and nobody has to wait for it.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::execv(program.c_str(), argv.data());
            const char failed = 1;
            [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &failed, 1);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes on a successful exec; a byte in it means the exec failed.
    char failed = 0;
    ssize_t n = 0;
    do {
        n = ::read(pipeFds[0], &failed, 1);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && n == 0;
}

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < commandLine.size()) {
        while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) {
            ++i;
        }
        const std::size_t begin = i;
        while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') {
            ++i;
        }
        if (i > begin) {
            words.emplace_back(commandLine.substr(begin, i - begin));
        }
    }
    return words;
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
