#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
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

// UTF-8 letters are named as a warning that keeps the check's exit code; Latin-1 bytes, as the
// window stores them, are not.
TEST_F(ProfileCommandsTest, CheckWarnsOfUtf8TextWithoutFailing) {
    workspace.write("utf8.fl2", test::profileFileText({"post"}, "http://my.site", "Caf\xc3\xa9"));
    EXPECT_EQ(run({"profile", "check", "utf8.fl2"}), kExitOk);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(),
              "farrowctl: warning: Title \"Caf\xc3\xa9\" is UTF-8 text; a profile holds "
              "one byte per letter, so it is sent as \"Caf\xc3\x83\xc2\xa9\"\n");
    workspace.write("utf8bad.fl2",
                    test::profileFileText({"unknown"}, "http://my.site", "\xc3\xa9"));
    EXPECT_EQ(run({"profile", "check", "utf8bad.fl2"}), kExitFailed);
    EXPECT_NE(err.str().find("warning: Title"), std::string::npos);

    workspace.write("latin1.fl2", test::profileFileText({"post"}, "http://my.site", "Caf\xe9"));
    EXPECT_EQ(run({"profile", "check", "latin1.fl2"}), kExitOk);
    EXPECT_EQ(err.str(), "");

    workspace.write("bom.fl2",
                    "\xEF\xBB\xBF" + test::profileFileText({"post"}, "http://my.site", "Mine"));
    EXPECT_EQ(run({"profile", "check", "bom.fl2"}), kExitFailed);
    EXPECT_NE(err.str().find("UTF-8 byte-order mark"), std::string::npos) << err.str();
}

// Run from a folder that is no workspace, or with a profile that cannot be read, a command stops
// before start-up: it leaves no LOGS, ERRORS or settings file behind.
TEST_F(ProfileCommandsTest, ACommandThatCannotStartCreatesNothing) {
    const std::string good = test::profileFileText({"post"}, "http://my.site", "Mine");
    const std::vector<std::vector<std::string>> commands = {
        {"profile", "check"}, {"build"}, {"submit"}, {"deep"}};
    auto onlyFiles = [](const std::filesystem::path& dir) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };

    test::TempWorkspace elsewhere;
    elsewhere.write("good.fl2", good);
    elsewhere.write("s.flb", "good.fl2\r\ngood.fl2\r\nDATAEND\r\n");
    {
        test::WorkingDirectory inElsewhere{elsewhere.path()};
        for (const std::string file : {"good.fl2", "missing.fl2"}) {
            for (std::vector<std::string> args : commands) {
                args.push_back(file);
                EXPECT_EQ(run(args), kExitFailed) << args[0] << " " << file;
                // The tests' workspace is "."; farrowctl names the folder it was started in.
                EXPECT_EQ(err.str(),
                          "farrowctl: There is no sites.enc in .: run farrowctl in a "
                          "workspace (see the README)\n")
                    << args[0] << " " << file;
            }
        }
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"sites", "dump"}, {"batch", "s.flb"}}) {
            EXPECT_EQ(run(args), kExitFailed) << args[0];
            EXPECT_NE(err.str().find("There is no sites.enc in "), std::string::npos) << err.str();
        }
    }
    EXPECT_EQ(onlyFiles(elsewhere.path()), (std::vector<std::string>{"good.fl2", "s.flb"}));

    for (std::vector<std::string> args : commands) {
        args.push_back("missing.fl2");
        EXPECT_EQ(run(args), kExitFailed) << args[0];
        EXPECT_NE(err.str().find(" The File missing.fl2 could not be opened"), std::string::npos)
            << args[0] << ": " << err.str();
    }
    EXPECT_EQ(onlyFiles(workspace.path()), std::vector<std::string>{"sites.enc"});
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
