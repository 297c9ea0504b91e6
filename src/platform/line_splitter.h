#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace farrow::platform {

// Called for each line, without its line end; returns false to stop.
using LineHandler = std::function<bool(std::string_view line)>;

// Cuts text that arrives in chunks of any size into lines at "\n" (a "\r" before it is dropped).
// At most `maxLine` bytes of a line are kept: the rest of a longer line is dropped up to its end,
// and the line is handed over cut, so memory stays bounded whatever a peer sends.
class LineSplitter final {
public:
    explicit LineSplitter(std::size_t maxLine) : maxLine_(maxLine) {}

    // Hands over each line `chunk` completes; false as soon as `onLine` wants no more.
    bool take(std::string_view chunk, const LineHandler& onLine);
    // The last line, when the text did not end with a line break.
    void finish(const LineHandler& onLine);
    // Whether some line was longer than `maxLine` and handed over cut.
    bool cutAny() const { return cutAny_; }

private:
    bool deliver(std::string_view line, bool overflowed, const LineHandler& onLine);

    std::size_t maxLine_;
    // The start of the unfinished line: at most `maxLine_` + 1 bytes, room for a final "\r".
    std::string pending_;
    bool overflowed_ = false;
    bool cutAny_ = false;
};

}  // namespace farrow::platform
