#pragma once

#include <cstddef>
#include <mutex>
#include <streambuf>
#include <string>

namespace farrow::cli {

class CommandContext;

// The one line of long work on stderr, redrawn in place: only when stderr is a terminal that
// draws so (not TERM=dumb), cut to the terminal's width, taken away before anything else is
// written to stdout or stderr and when it ends, and no longer drawn once a stop was asked.
class ProgressLine final {
public:
    explicit ProgressLine(const CommandContext& context);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(const std::string& text);
    void erase();

private:
    void eraseLocked();

    const CommandContext& context_;
    std::streambuf* terminal_;
    std::size_t columns_;
    std::mutex mutex_;
    bool shown_ = false;
};

// `text` cut to at most `columns` characters of UTF-8 (or single bytes), never inside one.
std::string fittedToColumns(const std::string& text, std::size_t columns);

}  // namespace farrow::cli
