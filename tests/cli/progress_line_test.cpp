#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "cli/command_context.h"
#include "cli/interrupt_scope.h"

namespace farrow::cli {
namespace {

constexpr const char* kErase = "\r\x1b[K";

struct Terminal {
    explicit Terminal(bool drawn, std::size_t columns = 20) {
        settings.progressLine = drawn;
        settings.terminalColumns = columns;
    }
    CommandSettings settings;
    std::ostringstream out, err;
    CommandContext context{out, err, settings};
};

TEST(ProgressLine, FitsTheWidthAndLeavesBeforeAnyOtherLine) {
    Terminal terminal(true);
    {
        ProgressLine line(terminal.context);
        line.show("12 read, 3 waiting  http://example.test/a/long/path");
        // One column is left free, so the terminal does not wrap.
        EXPECT_EQ(terminal.err.str(), std::string(kErase) + "12 read, 3 waiting ");
        terminal.err.str("");
        terminal.context.out << "a result\n";
        terminal.context.err << "farrowctl: a message\n";
        EXPECT_EQ(terminal.out.str(), "a result\n");
        EXPECT_EQ(terminal.err.str(), std::string(kErase) + "farrowctl: a message\n");
        line.show("13 read");
        terminal.err.str("");
    }
    // Gone when the work ends.
    EXPECT_EQ(terminal.err.str(), kErase);
}

TEST(ProgressLine, IsNotDrawnOffATerminalNorAfterAStop) {
    Terminal dumb(false);
    {
        ProgressLine line(dumb.context);
        line.show("1 read");
    }
    EXPECT_EQ(dumb.err.str(), "");

    Terminal terminal(true);
    InterruptScope interrupts;
    ProgressLine line(terminal.context);
    std::raise(SIGTERM);
    ASSERT_TRUE(InterruptScope::requested());
    line.show("2 read");
    EXPECT_EQ(terminal.err.str(), "");
}

TEST(ProgressLine, CutsBetweenCharactersNeverInsideOne) {
    EXPECT_EQ(fittedToColumns("d\xc3\xa9j\xc3\xa0 vu", 4), "d\xc3\xa9j\xc3\xa0");
    EXPECT_EQ(fittedToColumns("d\xc3\xa9j\xc3\xa0 vu", 2), "d\xc3\xa9");
    EXPECT_EQ(fittedToColumns("short", 40), "short");
}

}  // namespace
}  // namespace farrow::cli
