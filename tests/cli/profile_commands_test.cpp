#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "cli/command_line.h"
#include "sites/site_line_codec.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

std::string siteLine(const std::string& name, const std::string& method,
                     const std::string& categories = "") {
    std::vector<std::string> f(34, " ");
    f[0] = name;
    f[2] = "http://" + name + ".test/add";
    f[3] = method;
    f[17] = method == "GET" ? "?t=" : "t";
    f[31] = "ref";
    std::string plain;
    for (const std::string& v : f) {
        plain += v + "|";
    }
    if (!categories.empty()) {
        plain += "[COMPLEX]|x|&c=|" + categories;
    }
    return sites::encodeSiteLine(plain) + "\n";
}

std::string profileText(const std::string& title, const std::vector<std::string>& sites) {
    std::string text = "[Farrowlane Release Profile Storage]\r\nhttp://my.site\r\n" + title +
                       "\r\n\r\nLee\r\nAnn\r\na@my.site\r\nCo\r\n";
    for (int i = 0; i < 6; ++i) {
        text += "\r\n";
    }
    text += "555\r\n\r\nzebra\r\n";
    for (int i = 0; i < 15; ++i) {
        text += "\r\n";
    }
    text += "SAFE\r\nSAFE\r\nSHALLOW\r\n";
    for (const std::string& s : sites) {
        text += s + "\r\n";
    }
    return text + "DATAEND\r\n";
}

class ProfileCommandsTest : public testing::Test {
protected:
    ProfileCommandsTest() {
        workspace.write("sites.enc", siteLine("postsite", "POST") +
                                         siteLine("getsite", "GET", "Arts|Music|NULL"));
    }

    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return runCommand(args, out, err);
    }

    test::TempWorkspace workspace;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ProfileCommandsTest, CheckPrintsEachFailedCheck) {
    workspace.write("good.fl2", profileText("Mine", {"postsite"}));
    EXPECT_EQ(run({"profile", "check", "good.fl2"}), kExitOk);
    EXPECT_EQ(out.str(), "");

    workspace.write("bad.fl2", profileText("", {"unknown"}));
    EXPECT_EQ(run({"profile", "check", "bad.fl2"}), kExitFailed);
    EXPECT_EQ(out.str(),
              "SITES: No Sites Selected for Submit\n"
              "KEYWORDS: A Web Site Title (Descriptive) must be specified\n");

    EXPECT_EQ(run({"profile", "check", "missing.fl2"}), kExitFailed);
    EXPECT_NE(err.str().find(" The File missing.fl2 could not be opened"), std::string::npos);
    EXPECT_EQ(run({"profile", "check"}), kExitUsage);
}

TEST_F(ProfileCommandsTest, BuildPrintsOneJsonObjectPerRequest) {
    workspace.write("p.fl2", profileText("M\xe9ine Site", {"postsite", "getsite", "", "x"}));
    ASSERT_EQ(run({"build", "p.fl2"}), kExitOk) << err.str();
    std::istringstream lines(out.str());
    std::vector<nlohmann::ordered_json> objects;
    for (std::string line; std::getline(lines, line);) {
        objects.push_back(nlohmann::ordered_json::parse(line));
    }
    ASSERT_EQ(objects.size(), 2u);
    const nlohmann::ordered_json& get = objects[0];
    std::vector<std::string> keys;
    for (const auto& item : get.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"siteName", "targetUrl", "payload", "method",
                                              "takesCategory", "category", "referer"}));
    EXPECT_EQ(get["siteName"], "getsite");
    // Each byte of a text is the character of that code: 0xE9 is "é".
    EXPECT_EQ(get["targetUrl"], "http://getsite.test/add?t=M\u00e9ine+Site&c= ");
    EXPECT_EQ(get["payload"], " ");
    EXPECT_EQ(get["takesCategory"], 1);
    EXPECT_EQ(get["category"], "") << "the chooser is closed without a choice";
    EXPECT_EQ(get["referer"], "ref");
    EXPECT_EQ(objects[1]["method"], "POST");
    EXPECT_EQ(objects[1]["payload"], "?content-length=31&t=M\u00e9ine+Site&http_referer=ref ")
        << "the length counts the bytes sent";
}

TEST_F(ProfileCommandsTest, BuildStopsWhenTheCheckFails) {
    workspace.write("p.fl2", profileText("", {"postsite"}));
    EXPECT_EQ(run({"build", "p.fl2"}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("KEYWORDS: A Web Site Title (Descriptive) must be specified"),
              std::string::npos);
    EXPECT_EQ(run({"build"}), kExitUsage);
}

}  // namespace
}  // namespace farrow::cli
