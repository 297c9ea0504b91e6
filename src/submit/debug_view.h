#pragma once

#include <string>

namespace farrow::submit {

// Lines 0 to 14 describe one worker slot each, line 15 the write flag ("Write %2d").
inline constexpr int kDebugLineCount = 16;
// A line holds at most this many characters; longer ones are cut.
inline constexpr std::size_t kDebugLineLength = 255;

// The "Submission Thread Debug Window", shown only with the verbose switch. The dispatcher
// writes its lines into the run's shared record; the controller copies the lines that changed
// into this view on its passes. Called only on the thread that runs the controller.
class DebugView {
public:
    virtual ~DebugView() = default;
    virtual void show() = 0;
    virtual void setLine(int index, const std::string& text) = 0;
    virtual void refresh() = 0;
};

}  // namespace farrow::submit
