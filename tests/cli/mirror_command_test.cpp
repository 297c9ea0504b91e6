#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/command_line.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

TEST(MirrorCommand, WritesKeepsAndSkipsCopiesAndSaysWhich) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    ws.write("page.htm", "<html>\r\n\r\n</html>");
    ws.write("page04.htm", "older");
    std::ostringstream out, err;
    EXPECT_EQ(runCommand({"mirror", "page.htm"}, out, err), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "page01.htm: written\npage02.htm: written\npage03.htm: written\n"
              "page04.htm: kept (exists)\npage05.htm: written\n");
    EXPECT_EQ(ws.read("page05.htm"), "<html>\n\n</html>\n");
    EXPECT_EQ(ws.read("page04.htm"), "older");

    std::filesystem::create_directory(ws.file("my.site"));
    ws.write("my.site/page", "x");
    out.str("");
    EXPECT_EQ(runCommand({"mirror", "my.site/page"}, out, err), kExitFailed);
    EXPECT_TRUE(out.str().starts_with(
        "my01.site/page: skipped: cannot create my01.site/page: No such file or directory"))
        << out.str();
}

TEST(MirrorCommand, MissingPageFailsWithTheMessage) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    std::ostringstream out, err;
    EXPECT_EQ(runCommand({"mirror", "gone.htm"}, out, err), kExitFailed);
    EXPECT_EQ(err.str(), "Couldn't Find gone.htm. Aborting\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(std::filesystem::is_empty(ws.path()));
}

}  // namespace
}  // namespace farrow::cli
