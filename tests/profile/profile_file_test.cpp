#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include <string_view>

#include "sites/selection_model.h"
#include "support/fake_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/file_size_limit.h"
#include "support/temp_workspace.h"

namespace farrow::profile {
namespace {

class ProfileFileTest : public testing::Test {
protected:
    ProfileFileTest() {
        const std::pair<const char*, std::vector<std::string>> sites[] = {
            {"Plain", {}},
            {"Cat Site", {"x", "c", "Arts", "Music", "NULL"}},
            {"Other Cat", {"x", "c", "Boats", "NULL"}},
            {"No Values", {"x", "c", "NULL"}}};
        for (const auto& [name, block] : sites) {
            sites::SiteRecord r;
            r.fields[sites::kName] = name;
            r.isComplex = block.empty() ? 0 : 1;
            r.categoryBlock = block;
            table.append(r);
            lists.available.add(name);
        }
    }

    void select(const std::string& name) {
        sites::SelectionModel(table, lists, messenger)
            .addSelected({static_cast<std::size_t>(lists.available.indexOf(name))});
    }
    FileResult load(const std::string& path) {
        return loadProfile(path, SiteSelection{table, lists, verbose}, loaded, dialogs, messenger);
    }
    std::string& chosen(const char* name) { return table.find(name)->chosenCategory; }

    test::TempWorkspace workspace;
    test::WorkingDirectory inWorkspace{workspace.path()};
    sites::SiteTable table;
    sites::SiteLists lists;
    bool verbose = false;
    test::FakeMessenger messenger;
    test::FakeProfileDialogs dialogs;
    SubmissionProfile loaded;
};

// Header, lines 2-32 reading "v2" to "v32", then `tail`.
std::string fileWith(const std::vector<std::string>& tail, const char* eol = "\r\n") {
    std::string text = std::string(kProfileHeader) + eol;
    for (int i = 2; i <= 32; ++i) {
        text += "v" + std::to_string(i) + eol;
    }
    for (const std::string& line : tail) {
        text += line + eol;
    }
    return text;
}

TEST_F(ProfileFileTest, FormatIsLineForLineWithCrLf) {
    SubmissionProfile p;
    p.url = "U";
    p.description = "two\r\nlines";
    p.keywords[15] = "K16";
    p.adult = true;
    std::string expected = "[Farrowlane Release Profile Storage]\r\nU\r\n\r\ntwo lines\r\n";
    for (int line = 5; line <= 31; ++line) {
        expected += "\r\n";
    }
    expected +=
        "K16\r\nADULT\r\nSAFE\r\nSHALLOW\r\nPlain\r\nCat Site\r\nArts\r\n"
        "Other Cat\r\n\r\nDATAEND\r\n";
    EXPECT_EQ(
        formatProfile(
            p, {{"Plain", false, "unused"}, {"Cat Site", true, "Arts"}, {"Other Cat", true, ""}}),
        expected);
    EXPECT_EQ(storedValue("a\nb\rc\n\nd"), "a b c  d");
    EXPECT_EQ(storedValue(std::string(5000, 'x')), std::string(4094, 'x'));
}

TEST_F(ProfileFileTest, SavedProfileLoadsBackWhole) {
    SubmissionProfile saved;
    saved.url = "http://my.site";
    saved.description = "d";
    saved.fax = "f";
    saved.keywords = {"k1", "", "k3"};
    saved.keywords[15] = "k16";
    saved.smartMatch = saved.deep = true;
    select("Plain");
    select("Cat Site");
    select("Other Cat");
    chosen("Cat Site") = "Music";
    chosen("Other Cat") = "";
    const FileResult r =
        saveProfile(workspace.file("p.fl2"), saved, selectedSiteEntries(table, lists.selected),
                    dialogs, messenger);
    ASSERT_EQ(r.outcome, FileOutcome::Done);
    EXPECT_TRUE(messenger.messages().empty()) << "the direct path shows nothing";

    lists = {};
    for (const char* name : {"Plain", "Cat Site", "Other Cat", "No Values"}) {
        lists.available.add(name);
        chosen(name) = "NULL";
    }
    ASSERT_EQ(load(workspace.file("p.fl2")).outcome, FileOutcome::Done);
    EXPECT_EQ(loaded.url, saved.url);
    EXPECT_EQ(loaded.description, saved.description);
    EXPECT_EQ(loaded.fax, saved.fax);
    EXPECT_EQ(std::tuple(loaded.description, loaded.fax), std::tuple(saved.description, saved.fax));
    EXPECT_EQ(loaded.keywords, saved.keywords);
    EXPECT_EQ(std::tuple(loaded.adult, loaded.smartMatch, loaded.deep),
              std::tuple(false, true, true));
    EXPECT_EQ(lists.selected.entries(),
              (std::vector<std::string>{"Cat Site", "Other Cat", "Plain"}));
    EXPECT_EQ(lists.categorySites.entries(), (std::vector<std::string>{"Cat Site", "Other Cat"}));
    EXPECT_EQ(chosen("Cat Site"), "Music");
    EXPECT_EQ(chosen("Other Cat"), "");
    EXPECT_EQ(loaded.selectedSites.size(), 3u);
}

TEST_F(ProfileFileTest, SwitchLines) {
    struct Case {
        const char *adult, *smart, *deep;
        bool adultOn, smartOn, deepOn;
    };
    for (const Case& c : {Case{"SAFE", "SAFE", "SHALLOW", false, false, false},
                          Case{"ADULT", "SMART", "DEEP", true, true, true},
                          Case{"safe", "", "deep", true, true, false},
                          Case{"SAFE ", "SAFE", "DEEP ", true, false, false}}) {
        workspace.write("s.fl2", fileWith({c.adult, c.smart, c.deep, "DATAEND"}));
        ASSERT_EQ(load("s.fl2").outcome, FileOutcome::Done);
        EXPECT_EQ(std::tuple(loaded.adult, loaded.smartMatch, loaded.deep),
                  std::tuple(c.adultOn, c.smartOn, c.deepOn))
            << c.adult << "/" << c.smart << "/" << c.deep;
    }
}

TEST_F(ProfileFileTest, UnknownAndDoubledSitesAreSkipped) {
    verbose = true;
    // The doubled "Cat Site" is dropped with its category line, which here names a real site.
    workspace.write("u.fl2",
                    fileWith({"SAFE", "SAFE", "SHALLOW", "Nope", "cat site", "Cat Site", "Arts",
                              "Cat Site", "Plain", "No Values", "", "DATAEND", "Other Cat"},
                             "\n"));
    ASSERT_EQ(load("u.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(loaded.url, "v2");
    EXPECT_EQ(lists.selected.entries(), (std::vector<std::string>{"Cat Site", "No Values"}));
    EXPECT_EQ(lists.categorySites.entries(), std::vector<std::string>{"Cat Site"});
    EXPECT_EQ(chosen("Cat Site"), "Arts");
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"Site Cat Site Not VALID!"});
}

TEST_F(ProfileFileTest, LoadingReplacesTheSelectionAndReadsAShortFileToItsEnd) {
    select("Plain");
    select("Other Cat");
    chosen("Other Cat") = "Boats";
    workspace.write("r.fl2", fileWith({"SAFE", "SAFE", "SHALLOW", "Cat Site", "Music"}));
    ASSERT_EQ(load("r.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(lists.selected.entries(), std::vector<std::string>{"Cat Site"});
    EXPECT_EQ(lists.available.entries(),
              (std::vector<std::string>{"No Values", "Other Cat", "Plain"}));
    EXPECT_EQ(chosen("Other Cat"), "Boats");

    workspace.write("short.fl2", std::string(kProfileHeader) + "\r\nU\r\nT");
    ASSERT_EQ(load("short.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(loaded.title, "T");
    EXPECT_EQ(loaded.fax, "");
    EXPECT_TRUE(lists.selected.empty());
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_F(ProfileFileTest, MissingFileAndCancelledChooserChangeNothing) {
    select("Plain");
    const FileResult missing = load("gone.fl2");
    EXPECT_EQ(missing.outcome, FileOutcome::Missing);
    EXPECT_EQ(missing.error.code, base::ErrorCode::NotFound);
    EXPECT_EQ(load("NULL").outcome, FileOutcome::Cancelled);
    EXPECT_EQ(lists.selected.size(), 1u);
    ASSERT_EQ(messenger.messages().size(), 1u);
    EXPECT_EQ(messenger.messages()[0].text, " The File gone.fl2 could not be opened");
    EXPECT_EQ(messenger.messages()[0].icon, base::MessageIcon::None);

    workspace.write("i.fl2", fileWith({"SAFE", "SAFE", "SHALLOW", "DATAEND"}));
    dialogs.openAnswer = "i.fl2";
    EXPECT_EQ(load("NULL").outcome, FileOutcome::Done);
    EXPECT_EQ(messenger.texts().back(), "File i.fl2 opened and read successfully!");
}

// A file that does not begin with the header is refused whole: the fields, the switches and the
// selection stay as they were, and the user is told why, on either path.
TEST_F(ProfileFileTest, AFileWithoutTheHeaderIsRefusedAndChangesNothing) {
    select("Plain");
    chosen("Cat Site") = "Music";
    loaded.url = "mine";
    loaded.deep = true;
    const std::string rest = fileWith({"ADULT", "SMART", "SHALLOW", "Cat Site", "Arts"})
                                 .substr(std::string(kProfileHeader).size());
    const std::pair<const char*, std::string> files[] = {
        {"junk", std::string("\x9c\0\xff\r\n\x01"
                             "ADULT\r\nCat Site\r\n",
                             23) +
                     rest},
        {"twoLines", "hello\nworld\n"},
        {"empty", ""},
        {"headerLowerCase", "[farrowlane release profile storage]" + rest},
        {"headerWithTrailingBlank", std::string(kProfileHeader) + " " + rest},
        {"headerNotFirst", "\r\n" + std::string(kProfileHeader) + rest},
        {"byteOrderMarkFirst", "\xEF\xBB\xBF" + std::string(kProfileHeader) + rest},
        {"byteOrderMarkAlone", "\xEF\xBB\xBF\r\n" + std::string(kProfileHeader) + rest},
    };
    for (const auto& [name, content] : files) {
        workspace.write(name, content);
        for (const bool interactive : {false, true}) {
            const std::size_t shown = messenger.messages().size();
            dialogs.openAnswer = name;
            const FileResult r = load(interactive ? "NULL" : name);
            EXPECT_EQ(r.outcome, FileOutcome::NotAProfile) << name;
            EXPECT_EQ(r.error.code, base::ErrorCode::WrongFormat) << name;
            ASSERT_EQ(messenger.messages().size(), shown + 1) << name;
            // The mark an editor saving UTF-8 writes is named, as it is what the user must drop.
            const std::string reason =
                std::string_view(name).starts_with("byteOrderMark")
                    ? "its first line begins with a UTF-8 byte-order mark (the bytes EF BB BF); "
                      "save it again without the mark"
                    : "its first line is not [Farrowlane Release Profile Storage]";
            EXPECT_EQ(messenger.messages().back().text,
                      std::string("The File ") + name + " is not a profile: " + reason);
            EXPECT_EQ(messenger.messages().back().icon, base::MessageIcon::Exclamation);
            EXPECT_EQ(std::tuple(loaded.url, loaded.adult, loaded.smartMatch, loaded.deep),
                      std::tuple(std::string("mine"), false, false, true))
                << name;
            EXPECT_EQ(lists.selected.entries(), std::vector<std::string>{"Plain"}) << name;
            EXPECT_EQ(chosen("Cat Site"), "Music") << name;
        }
    }
}

TEST_F(ProfileFileTest, InteractiveSave) {
    SubmissionProfile p;
    p.url = "first";
    EXPECT_EQ(saveProfile("NULL", p, {}, dialogs, messenger).outcome, FileOutcome::Cancelled);
    dialogs.saveAnswer = workspace.file("mine");
    EXPECT_EQ(saveProfile("NULL", p, {}, dialogs, messenger).path, workspace.file("mine.fl2"));
    EXPECT_EQ(workspace.read("mine.fl2"), formatProfile(p, {}));
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"File " + workspace.file("mine.fl2") +
                                                          " opened and written successfully!"});
    EXPECT_EQ(dialogs.chooserOptions[0].filters()[0].label, "Farrowlane Profiles (*.fl2)");

    dialogs.overwriteAnswer = false;
    EXPECT_EQ(saveProfile("NULL", {}, {}, dialogs, messenger).outcome, FileOutcome::Cancelled);
    EXPECT_EQ(dialogs.overwriteQuestions, std::vector<std::string>{workspace.file("mine.fl2")});
    EXPECT_EQ(workspace.read("mine.fl2"), formatProfile(p, {}));

    dialogs.saveAnswer = workspace.file("no/such/dir/p.fl2");
    const FileResult failed = saveProfile("NULL", p, {}, dialogs, messenger);
    EXPECT_EQ(failed.outcome, FileOutcome::Failed);
    EXPECT_EQ(failed.error.code, base::ErrorCode::WriteFailed);
    EXPECT_FALSE(failed.error.reason.empty());
    EXPECT_EQ(messenger.texts().size(), 2u);
    EXPECT_NE(messenger.texts().back().find("Could not write the profile"), std::string::npos);
}

// A save that does not fit on the disk leaves the profile that was there.
TEST_F(ProfileFileTest, ASaveThatDoesNotFitKeepsTheOldFile) {
    SubmissionProfile p;
    p.url = "http://old.example/";
    ASSERT_EQ(saveProfile(workspace.file("p.fl2"), p, {}, dialogs, messenger).outcome,
              FileOutcome::Done);
    const std::string old = workspace.read("p.fl2");
    p.url = "http://new.example/";
    p.description = std::string(3000, 'd');
    EXPECT_EQ(
        test::withFileSizeLimit(
            old.size(),
            [&] {
                return saveProfile(workspace.file("p.fl2"), p, {}, dialogs, messenger).outcome ==
                       FileOutcome::Failed;
            }),
        0);
    EXPECT_EQ(workspace.read("p.fl2"), old);
}

TEST(NumberedName, GoesBeforeTheExtensionAndFitsTheNameLimit) {
    EXPECT_EQ(numberedName("ERRORS/a-12090622.fl2", 1), "ERRORS/a-12090622.fl2");
    EXPECT_EQ(numberedName("ERRORS/a-12090622.fl2", 2), "ERRORS/a-12090622-2.fl2");
    EXPECT_EQ(numberedName("my.dir/noext", 12), "my.dir/noext-12");
    const std::string longName = std::string(kMaxFileName - 4, 'n') + ".fl2";
    const std::string numbered = numberedName("d/" + longName, 3);
    EXPECT_EQ(numbered, "d/" + std::string(kMaxFileName - 6, 'n') + "-3.fl2");
}

}  // namespace
}  // namespace farrow::profile
