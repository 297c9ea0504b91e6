#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "base/message_pump.h"

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
// for it and it leaves no zombie behind. For `startCheck` after the start the program is
// watched: one that ends with an error (or a signal) by then counts as not started, one that
// ends well or still runs counts as started. `pump`, when given, is called while that watch
// lasts, so the windows stay alive.
class DetachedStarter final : public ProgramStarter {
public:
    explicit DetachedStarter(std::chrono::milliseconds startCheck,
                             base::MessagePump* pump = nullptr)
        : startCheck_(startCheck), pump_(pump) {}
    bool start(const std::string& program, const std::vector<std::string>& arguments) override;

private:
    std::chrono::milliseconds startCheck_;
    base::MessagePump* pump_;
};

// The full path of `name` on the search path `pathVariable` (colon-separated, as $PATH), or of
// `name` itself when it holds a "/"; only executable regular files count.
std::optional<std::string> findProgram(const std::string& name, const std::string& pathVariable);

}  // namespace farrow::platform
