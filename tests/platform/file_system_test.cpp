#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include <map>
#include <sstream>
#include <thread>
#include <vector>

#include "support/file_size_limit.h"
#include "support/temp_workspace.h"

namespace farrow::platform {
namespace {

TEST(AppendTextToFile, CreatesThenAppends) {
    test::TempWorkspace ws;
    EXPECT_TRUE(appendTextToFile(ws.file("log.txt"), "one\n"));
    EXPECT_TRUE(appendTextToFile(ws.file("log.txt"), "two\n"));
    EXPECT_EQ(ws.read("log.txt"), "one\ntwo\n");
    // A file that cannot be opened is skipped without a fuss, but the caller hears of it.
    EXPECT_FALSE(appendTextToFile(ws.file("no/such/folder/log.txt"), "lost\n"));
}

TEST(AppendTextToFile, ConcurrentAppendsNeverInterleave) {
    test::TempWorkspace ws;
    constexpr int kThreads = 16;
    constexpr int kLines = 200;
    // Long texts, so that a torn write would show.
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, path = ws.file("shared.txt")] {
            const std::string body(3000, static_cast<char>('a' + t));
            for (int i = 0; i < kLines; ++i) {
                appendTextToFile(path, std::to_string(t) + ":" + body + "\n");
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    std::istringstream in(ws.read("shared.txt"));
    std::map<int, int> counts;
    std::string line;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        ASSERT_NE(colon, std::string::npos);
        const int t = std::stoi(line.substr(0, colon));
        ASSERT_EQ(line.substr(colon + 1), std::string(3000, static_cast<char>('a' + t)));
        ++counts[t];
    }
    ASSERT_EQ(counts.size(), static_cast<std::size_t>(kThreads));
    for (const auto& [t, n] : counts) {
        EXPECT_EQ(n, kLines) << "thread " << t;
    }
}

TEST(AppendTextToFile, ARowThatDoesNotFitIsTakenBackWhole) {
    test::TempWorkspace ws;
    const std::string path = ws.file("log.htm");
    ASSERT_TRUE(appendTextToFile(path, "<TR><TD>SUCCESSFUL:<TD>S00093\n"));
    const std::string row = "<TR><TD>SUCCESSFUL:<TD>S00094-ok-GENERAL-DIRECTORY\n";
    const rlim_t room = ws.read("log.htm").size() + row.size() / 2;
    EXPECT_EQ(test::withFileSizeLimit(
                  room, [&] { return !appendTextToFile(path, row) && errno == EFBIG; }),
              0);
    EXPECT_EQ(ws.read("log.htm"), "<TR><TD>SUCCESSFUL:<TD>S00093\n");
}

TEST(WholeFiles, AFileThatDoesNotFitLeavesTheOldOneAndNoTemporary) {
    test::TempWorkspace ws;
    const std::string path = ws.file("p.fl2");
    ASSERT_TRUE(writeWholeFile(path, "old profile\n"));
    EXPECT_EQ(
        test::withFileSizeLimit(8, [&] { return !writeWholeFile(path, std::string(100, 'x')); }),
        0);
    EXPECT_EQ(test::withFileSizeLimit(
                  8, [&] { return !createWholeFile(ws.file("new.fl2"), std::string(100, 'x')); }),
              0);
    EXPECT_EQ(ws.read("p.fl2"), "old profile\n");
    EXPECT_FALSE(createWholeFile(path, "never over an existing file"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ws.read("p.fl2"), "old profile\n");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ws.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"p.fl2"});
}

TEST(FileSystem, DirectoriesAndSizes) {
    test::TempWorkspace ws;
    EXPECT_TRUE(makeDirectory(ws.file("LOGS")));
    EXPECT_TRUE(makeDirectory(ws.file("LOGS")));
    EXPECT_FALSE(fileExists(ws.file("LOGS")));
    EXPECT_FALSE(fileSize(ws.file("absent")).has_value());
    ws.write("five", "12345");
    EXPECT_EQ(fileSize(ws.file("five")), 5u);
    removeFile(ws.file("five"));
    removeFile(ws.file("five"));
    EXPECT_FALSE(fileExists(ws.file("five")));
    EXPECT_EQ(joinPath("/a/b", "c.txt"), "/a/b/c.txt");
}

}  // namespace
}  // namespace farrow::platform
