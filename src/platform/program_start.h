#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace farrow::platform {

// Starts a program without waiting for it. The desktop and the command line use the detached
// starter; tests record what would have been started.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // `program` is a path; `arguments` follow it (without the program itself). False when the
    // program could not be started.
    virtual bool start(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// Starts the program in a process of its own that is nobody's child but init's: nothing waits
// for it and it leaves no zombie behind.
class DetachedStarter final : public ProgramStarter {
public:
    bool start(const std::string& program, const std::vector<std::string>& arguments) override;
};

// The words of a command line, split at blanks (runs of spaces and tabs), as a spawn that takes
// one command line hands them to the program.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The full path of `name` on the search path `pathVariable` (colon-separated, as $PATH), or of
// `name` itself when it holds a "/"; only executable regular files count.
std::optional<std::string> findProgram(const std::string& name, const std::string& pathVariable);

}  // namespace farrow::platform
