#include "keywords/keyword_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/fake_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::keywords {
namespace {

class RecordingStarter final : public platform::ProgramStarter {
public:
    bool start(const std::string& program, const std::vector<std::string>& arguments) override {
        starts.push_back({program, arguments});
        return true;
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> starts;
};

struct CheckFixture : ::testing::Test {
    CheckFixture() {
        ws.write("firefox", "#!/bin/sh\n");
        ::chmod(ws.file("firefox").c_str(), 0755);
        env.searchPath = "/nonexistent:" + ws.path().string();
        sites::SiteRecord engine;
        engine.fields.fill(" ");
        engine.fields[sites::kName] = "Finder";
        engine.fields[sites::kSearchUrl] = "http://finder.example/?q=";
        table.append(engine);
        check.browserChoice = "Netscape Navigator";
    }
    test::TempWorkspace ws;
    BrowserEnvironment env;
    sites::SiteTable table;
    KeywordCheck check;
    RecordingStarter starter;
    test::FakeMessenger messenger;
};

TEST_F(CheckFixture, StartsTheBrowserOnTheSearchWithTheKeywordAsOneArgument) {
    check.selectedEngine = "Finder";
    check.keyword = "blue widgets";
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::Started);
    ASSERT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(starter.starts[0].first, ws.file("firefox"));
    EXPECT_EQ(starter.starts[0].second,
              (std::vector<std::string>{"http://finder.example/?q=blue%20widgets"}));
}

// The engine is asked for exactly what was typed: the characters a query gives a meaning to, and
// every byte of a letter beyond ASCII, are encoded; the search address itself is left as it is.
TEST_F(CheckFixture, TheKeywordReachesTheEngineAsTyped) {
    check.selectedEngine = "Finder";
    const std::pair<std::string, std::string> cases[] = {
        {"sour dough & rye", "sour%20dough%20%26%20rye"},
        {"c# + c++ = 100%", "c%23%20%2B%20c%2B%2B%20%3D%20100%25"},
        {"caf\xe9", "caf%E9"},
        {"a%20b", "a%2520b"},
    };
    for (const auto& [keyword, query] : cases) {
        check.keyword = keyword;
        starter.starts.clear();
        EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::Started);
        ASSERT_EQ(starter.starts.size(), 1u);
        EXPECT_EQ(starter.starts[0].second,
                  (std::vector<std::string>{"http://finder.example/?q=" + query}))
            << keyword;
    }
}

struct TargetCase {
    const char* target;
    bool webAddress;
    const char* argument;
};

class BrowserTargetTest : public testing::TestWithParam<TargetCase> {};

TEST_P(BrowserTargetTest, IsOneArgumentThatIsNoOption) {
    EXPECT_EQ(browserTarget(GetParam().target, GetParam().webAddress), GetParam().argument);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, BrowserTargetTest,
    testing::Values(
        TargetCase{"http://e.test/?q=sourdough bread", true, "http://e.test/?q=sourdough%20bread"},
        TargetCase{"http://e.test/?q=a\tb\nc", true, "http://e.test/?q=a%09b%0Ac"},
        TargetCase{"--screenshot /tmp/x?q=bread", true, "./--screenshot%20/tmp/x?q=bread"},
        TargetCase{" --screenshot", true, "%20--screenshot"},
        TargetCase{"/home/ann/My Sites/ERRORS/E1.HTM", false, "/home/ann/My Sites/ERRORS/E1.HTM"},
        TargetCase{"-rf My.HTM", false, "./-rf My.HTM"},
        TargetCase{"https://h/a b.htm", false, "https://h/a%20b.htm"},
        TargetCase{"C d:x.htm", false, "C d:x.htm"}));

// A browser that records the arguments it was given, one per line, and then ends with `rc`.
std::string fakeBrowser(test::TempWorkspace& ws, const std::string& name, int rc) {
    ws.write(name, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                       ws.file(name + ".args") + "\"\nexit " + std::to_string(rc) + "\n");
    ::chmod(ws.file(name).c_str(), 0755);
    return ws.file(name);
}

// The program really started, with a start check long enough that a failing browser is seen;
// a browser that ends at once makes the check end at once too.
TEST(BrowserStart, TheDocumentReachesTheBrowserAsOneArgument) {
    test::TempWorkspace ws;
    BrowserEnvironment env{fakeBrowser(ws, "browser", 0), ""};
    platform::DetachedStarter starter(std::chrono::seconds(20));
    test::FakeMessenger messenger;
    const std::string log = ws.file("My Sites") + "/ERRORS/E1.HTM";
    EXPECT_EQ(showDocument("Internet Explorer", log, env, starter, messenger),
              CheckOutcome::Started);
    EXPECT_EQ(ws.read("browser.args"), log + "\n");
    EXPECT_TRUE(messenger.texts().empty());
}

TEST(BrowserStart, ABrowserThatFailsAtOnceIsReportedLikeAMissingOne) {
    test::TempWorkspace ws;
    BrowserEnvironment env{fakeBrowser(ws, "browser", 1), ""};
    platform::DetachedStarter starter(std::chrono::seconds(20));
    test::FakeMessenger messenger;
    EXPECT_EQ(showDocument("Netscape Navigator", "/logs/E1.HTM", env, starter, messenger),
              CheckOutcome::StartFailed);
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"Could Not Find Netscape Navigator"});
}

TEST_F(CheckFixture, ADocumentIgnoresTheSelection) {
    EXPECT_EQ(showDocument("Netscape Navigator", "/logs/err.HTM", env, starter, messenger),
              CheckOutcome::Started);
    EXPECT_EQ(starter.starts.at(0).second, std::vector<std::string>{"/logs/err.HTM"});
    EXPECT_TRUE(messenger.texts().empty());
}

TEST_F(CheckFixture, RefusalsAreToldAndStartNothing) {
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::NoEngine);
    check.selectedEngine = "Finder";
    check.keyword = std::string(4095, 'k');
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::TooLong);
    check.browserChoice = "Internet Explorer";
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::NoBrowser);
    EXPECT_TRUE(starter.starts.empty());
    const auto texts = messenger.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "You Must Select to check against...");
    EXPECT_EQ(texts[2], "Could Not Find Internet Explorer");
}

TEST_F(CheckFixture, TheCommandLineMayHoldExactly4095Characters) {
    check.selectedEngine = "Finder";
    const std::size_t fixed = ws.file("firefox").size() + 1 + 25;
    check.keyword = std::string(kMaxCommandLine - fixed, 'k');
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::Started);
    check.keyword += "k";
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::TooLong);
}

TEST_F(CheckFixture, TheBrowserVariableStandsForEitherChoice) {
    env.browserVariable = "firefox";
    EXPECT_EQ(findBrowser("Internet Explorer", env), ws.file("firefox"));
    EXPECT_FALSE(findBrowser("Lynx", env));
}

TEST(DetachedStarter, StartsAProgramAndReportsOneThatCannotStart) {
    test::TempWorkspace ws;
    platform::DetachedStarter starter(std::chrono::milliseconds(0));
    EXPECT_TRUE(starter.start("/bin/sh", {"-c", "echo hi > " + ws.file("out")}));
    EXPECT_FALSE(starter.start(ws.file("missing"), {}));
}

}  // namespace
}  // namespace farrow::keywords
