#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

#include "cli/command_line.h"
#include "sites/site_line_codec.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

std::string siteLine(const std::string& name, const std::string& method,
                     const std::string& categories = "") {
    std::vector<std::string> f(34, " ");
    f[0] = name;
    f[2] = "http://" + name + ".test/";
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

class ProfileCommandsTest : public testing::Test {
protected:
    ProfileCommandsTest() {
        workspace.write("sites.enc", siteLine("post", "POST") +
                                         siteLine("smart", "GET", "Music|Air|NULL") +
                                         siteLine("unmatched", "GET", "Music|NULL"));
    }
    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return runCommand(args, out, err, serverAt("127.0.0.1:1"));
    }

    test::TempWorkspace workspace;
    test::WorkingDirectory inWorkspace{workspace.path()};
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ProfileCommandsTest, CheckPrintsEachFailedCheck) {
    workspace.write("good.fl2", test::profileFileText({"post"}, "http://my.site", "Mine"));
    EXPECT_EQ(run({"profile", "check", "good.fl2"}), kExitOk);
    EXPECT_EQ(out.str(), "");

    workspace.write("bad.fl2", test::profileFileText({"unknown"}, "http://my.site", ""));
    EXPECT_EQ(run({"profile", "check", "bad.fl2"}), kExitFailed);
    EXPECT_EQ(out.str(),
              "SITES: No Sites Selected for Submit\n"
              "KEYWORDS: A Web Site Title (Descriptive) must be specified\n");
    EXPECT_EQ(run({"build", "bad.fl2"}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("KEYWORDS: A Web Site Title"), std::string::npos);

    EXPECT_EQ(run({"profile", "check", "missing.fl2"}), kExitFailed);
    EXPECT_NE(err.str().find(" The File missing.fl2 could not be opened"), std::string::npos);
}

TEST_F(ProfileCommandsTest, AFileThatIsNoProfileIsRefusedByEveryCommand) {
    // Lines a profile would take, under a first line that is not the header.
    std::string text = test::profileFileText({"post"}, "http://my.site", "Mine");
    text = "notes" + text.substr(text.find('\n'));
    workspace.write("notes.txt", text);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"profile", "check", "notes.txt"},
          {"build", "notes.txt"},
          {"submit", "notes.txt"},
          {"deep", "notes.txt"}}) {
        EXPECT_EQ(run(args), kExitFailed) << args[0];
        EXPECT_EQ(out.str(), "") << args[0];
        EXPECT_NE(err.str().find("The File notes.txt is not a profile"), std::string::npos)
            << args[0] << ": " << err.str();
    }
}

TEST_F(ProfileCommandsTest, BuildPrintsOneJsonObjectPerRequest) {
    workspace.write("p.fl2",
                    test::profileFileText({"post", "smart", "NULL", "unmatched", "NULL", "x"},
                                          "http://my.site", "M\xe9ine"));
    ASSERT_EQ(run({"build", "p.fl2"}), kExitOk) << err.str();
    std::istringstream lines(out.str());
    std::vector<nlohmann::ordered_json> objects;
    for (std::string line; std::getline(lines, line);) {
        objects.push_back(nlohmann::ordered_json::parse(line));
    }
    ASSERT_EQ(objects.size(), 3u);
    // Each byte is the character of that code: 0xE9 is "é"; the length counts bytes.
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')),
              R"({"siteName":"post","targetUrl":"http://post.test/",)"
              "\"payload\":\"?content-length=26&t=M\xc3\xa9ine&http_referer=ref \","
              R"("method":"POST","takesCategory":0,"category":"","referer":"ref"})");
    // Start-up built the smart-match table: "jet" finds "Air".
    EXPECT_EQ(objects[1]["targetUrl"], "http://smart.test/?t=M\u00e9ine&c=Air ");
    EXPECT_EQ(objects[1]["takesCategory"], 1);
    // Where the chooser would be asked, no category is chosen.
    EXPECT_EQ(objects[2]["category"], "");
    EXPECT_EQ(run({"build"}), kExitUsage);
}

}  // namespace
}  // namespace farrow::cli
