#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/command_line.h"
#include "profile/profile_file.h"
#include "support/search_console_fixture.h"

namespace farrow::cli {
namespace {

using namespace std::chrono_literals;

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class GoogleCommandTest : public testing::Test {
protected:
    GoogleCommandTest() {
        console.service->addProperty(console.site(), "siteOwner");
        profile::SubmissionProfile p;
        p.url = console.site() + "site/index.htm";
        p.title = "Home page";
        console.dir.write("site.fl2", profile::formatProfile(p, {}));
        settings.workspace = console.dir.workspace();
        settings.googleApi = console.api();
        settings.timing.googleRetryWait = 1ms;
        settings.timing.googleInspectPace = 0ms;
        settings.input = &input;
    }

    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return runCommand(args, out, err, settings);
    }

    std::string profile() const { return console.dir.file("site.fl2"); }
    std::string page(const std::string& name) const { return console.site() + "site/" + name; }

    test::SearchConsoleFixture console;
    CommandSettings settings;
    std::istringstream input;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(GoogleCommandTest, ChecksSubmitsInspectsAndRecordsWithoutShowingASecret) {
    std::string all;
    ASSERT_EQ(run({"google", "check", profile()}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("The property that covers " + page("index.htm") + ": " +
                             console.site() + " with permission siteOwner"),
              std::string::npos)
        << out.str();
    all += out.str() + err.str();

    const std::string report = console.dir.file("report.jsonl");
    ASSERT_EQ(run({"google", "sitemap", "submit", profile(), "--sitemap",
                   console.site() + "sitemap.xml", "--report", report}),
              kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("submitted: " + console.site() + "sitemap.xml"), std::string::npos);
    all += out.str() + err.str();

    input.str(page("index.htm") + "\n" + page("old-offers.htm") + "\n" + page("cakes.htm") + "\n");
    ASSERT_EQ(run({"google", "inspect", profile(), "--urls", "-", "--report", report}), kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("PASS  Submitted and indexed  " + page("index.htm")),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("FAIL  Not found (404)  " + page("old-offers.htm")),
              std::string::npos);
    EXPECT_NE(out.str().find("Google: 1 indexed, 2 not indexed, 0 not inspected"),
              std::string::npos);
    EXPECT_NE(out.str().find("  not indexed: Discovered - currently not indexed: 1"),
              std::string::npos);
    all += out.str() + err.str();

    std::istringstream lines(fileText(report));
    std::vector<nlohmann::json> events;
    for (std::string line; std::getline(lines, line);) {
        events.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0]["event"], "google-sitemap");
    EXPECT_TRUE(events[0]["submitted"].is_number());
    EXPECT_EQ(events[2]["event"], "google-inspection");
    EXPECT_EQ(events[3]["pageFetchState"], "NOT_FOUND");
    EXPECT_EQ(events[4]["indexingState"], nullptr);
    EXPECT_EQ(events[5]["event"], "end");
    EXPECT_EQ(events[5]["notIndexed"], 2);

    settings.googleApi = "http://127.0.0.1:1";
    ASSERT_EQ(run({"google", "history"}), kExitOk);
    EXPECT_NE(out.str().find(" UTC  sitemap  submitted  " + console.site() + "sitemap.xml\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find(" UTC  inspect  NEUTRAL  Discovered - currently not indexed  " +
                             page("cakes.htm") + "\n"),
              std::string::npos);
    all += out.str() + fileText(report) + fileText(console.dir.file("indexnow.db")) +
           fileText(console.dir.file("indexnow.db-wal"));

    const std::string& key = console.service->account().privateKeyPem;
    const std::string keyPart = key.substr(key.find('\n') + 1, 40);
    EXPECT_EQ(all.find(keyPart), std::string::npos);
    EXPECT_EQ(all.find("ya29."), std::string::npos);
}

TEST_F(GoogleCommandTest, ExitCodesTellSetUpFromUsageFromAPartRun) {
    ::chmod(console.credentials().c_str(), 0644);
    EXPECT_EQ(run({"google", "check", profile()}), kExitOk);
    EXPECT_NE(err.str().find("chmod 600 " + console.credentials()), std::string::npos);

    EXPECT_EQ(run({"google", "check", profile(), "--credentials", "/nonexistent/key.json"}),
              kExitFailed);
    EXPECT_NE(err.str().find("GOOGLE_APPLICATION_CREDENTIALS"), std::string::npos);
    EXPECT_EQ(run({"google", "inspect", profile(), "--property", "sc-domain:other.example"}),
              kExitFailed);
    EXPECT_EQ(run({"google", "inspect", profile(), "--max", "0"}), kExitUsage);

    input.str(page("index.htm") + "\n" + page("cakes.htm") + "\n" + page("breads.htm") + "\n");
    const std::size_t tokens = console.service->tokensIssued();
    EXPECT_EQ(run({"google", "inspect", profile(), "--urls", "-", "--dry-run"}), kExitOk);
    EXPECT_NE(out.str().find("Dry run: 3 URLs to inspect in " + console.site() +
                             " (the URL prefix of the profile's URL"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(console.service->tokensIssued(), tokens);
    EXPECT_EQ(console.service->inspections(), 0u);

    settings.timing.googleDailyInspections = 2;
    input.clear();
    input.seekg(0);
    EXPECT_EQ(run({"google", "inspect", profile(), "--urls", "-"}), 3);
    EXPECT_NE(out.str().find("is spent: 1 URLs are left to inspect"), std::string::npos)
        << out.str();
    input.clear();
    input.seekg(0);
    EXPECT_EQ(run({"google", "inspect", profile(), "--urls", "-", "--max", "1", "--property",
                   console.site()}),
              3);
}

}  // namespace
}  // namespace farrow::cli
