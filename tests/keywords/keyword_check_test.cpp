#include "keywords/keyword_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST_F(CheckFixture, StartsTheBrowserOnTheSearchWithTheKeywordAsTyped) {
    check.selectedEngine = "Finder";
    check.keyword = "blue widgets";
    EXPECT_EQ(checkKeyword(check, table, env, starter, messenger), CheckOutcome::Started);
    ASSERT_EQ(starter.starts.size(), 1u);
    EXPECT_EQ(starter.starts[0].first, ws.file("firefox"));
    EXPECT_EQ(starter.starts[0].second,
              (std::vector<std::string>{"http://finder.example/?q=blue", "widgets"}));
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
    platform::DetachedStarter starter;
    EXPECT_TRUE(starter.start("/bin/sh", {"-c", "echo hi > " + ws.file("out")}));
    EXPECT_FALSE(starter.start(ws.file("missing"), {}));
}

}  // namespace
}  // namespace farrow::keywords
