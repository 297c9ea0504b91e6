#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include "sites/selection_model.h"
#include "support/fake_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/temp_workspace.h"

namespace farrow::profile {
namespace {

sites::SiteRecord site(const std::string& name, std::vector<std::string> categories = {}) {
    sites::SiteRecord r;
    r.fields.fill(" ");
    r.fields[sites::kName] = name;
    if (!categories.empty()) {
        r.isComplex = 1;
        r.categoryBlock = {"x", "cat"};
        r.categoryBlock.insert(r.categoryBlock.end(), categories.begin(), categories.end());
    }
    return r;
}

class ProfileFileTest : public testing::Test {
protected:
    ProfileFileTest() {
        for (sites::SiteRecord r :
             {site("Plain"), site("Cat Site", {"Arts", "Music", "NULL"}),
              site("Other Cat", {"Boats", "NULL"}), site("Complex Without Values", {"NULL"})}) {
            state.siteTable.append(r);
            state.lists.available.add(r.name());
        }
    }

    void select(const std::vector<std::string>& names) {
        sites::SelectionModel model(state.siteTable, state.lists, messenger);
        for (const std::string& name : names) {
            model.addSelected({static_cast<std::size_t>(state.lists.available.indexOf(name))});
        }
    }

    FileResult loadDirect(const std::string& path) {
        state.currentProfilePath = path;
        return loadProfile(state, loaded, dialogs, messenger);
    }

    test::TempWorkspace workspace;
    app::AppState state;
    test::FakeMessenger messenger;
    test::FakeProfileDialogs dialogs;
    SubmissionProfile loaded;
};

SubmissionProfile sampleProfile() {
    SubmissionProfile p;
    std::string* fields[] = {&p.url,   &p.title,      &p.description, &p.lastName, &p.firstName,
                             &p.email, &p.company,    &p.street1,     &p.street2,  &p.city,
                             &p.state, &p.postalCode, &p.province,    &p.phone,    &p.fax};
    int n = 0;
    for (std::string* f : fields) {
        *f = "value " + std::to_string(++n);
    }
    p.street2.clear();
    for (std::size_t k = 0; k < kKeywordCount; ++k) {
        p.keywords[k] = k % 3 == 2 ? "" : "kw " + std::to_string(k + 1);
    }
    p.smartMatch = true;
    p.deep = true;
    return p;
}

TEST_F(ProfileFileTest, FormatIsLineForLineWithCrLf) {
    SubmissionProfile p;
    p.url = "U";
    p.keywords[15] = "K16";
    p.adult = true;
    const std::string text = formatProfile(
        p, {{"Plain", false, "ignored"}, {"Cat Site", true, "Arts"}, {"Other Cat", true, ""}});
    std::string expected = "[Farrowlane Release Profile Storage]\r\nU\r\n";
    for (int i = 0; i < 29; ++i) {
        expected += "\r\n";
    }
    expected += "K16\r\nADULT\r\nSAFE\r\nSHALLOW\r\n";
    expected += "Plain\r\nCat Site\r\nArts\r\nOther Cat\r\n\r\nDATAEND\r\n";
    EXPECT_EQ(text, expected);
}

TEST(StoredValue, LineBreaksBecomeOneSpaceAndLongValuesAreCut) {
    EXPECT_EQ(storedValue("a\r\nb\nc\rd\n\ne"), "a b c d  e");
    EXPECT_EQ(storedValue(std::string(5000, 'x')), std::string(4094, 'x'));
    EXPECT_EQ(storedValue(std::string(4093, 'x') + "\r\nyz"), std::string(4093, 'x') + " ");
}

TEST_F(ProfileFileTest, SavedProfileLoadsBackWhole) {
    state.siteTable.find("Cat Site")->chosenCategory = "Music";
    state.siteTable.find("Other Cat")->chosenCategory = "";
    select({"Plain", "Cat Site", "Other Cat"});
    const SubmissionProfile saved = sampleProfile();
    const auto entries = selectedSiteEntries(state.siteTable, state.lists.selected);
    const FileResult written =
        saveProfile(workspace.file("p.fl2"), saved, entries, dialogs, messenger);
    ASSERT_EQ(written.outcome, FileOutcome::Done);
    EXPECT_TRUE(messenger.messages().empty()) << "the direct path shows nothing";

    // A fresh run of the program: nothing selected, no category remembered.
    app::AppState fresh;
    for (const sites::SiteRecord& r : state.siteTable) {
        sites::SiteRecord copy = r;
        copy.chosenCategory = "NULL";
        fresh.siteTable.append(copy);
        fresh.lists.available.add(r.name());
    }
    state = std::move(fresh);
    ASSERT_EQ(loadDirect(workspace.file("p.fl2")).outcome, FileOutcome::Done);

    EXPECT_EQ(loaded.url, saved.url);
    EXPECT_EQ(loaded.description, saved.description);
    EXPECT_EQ(loaded.street2, "");
    EXPECT_EQ(loaded.fax, saved.fax);
    EXPECT_EQ(loaded.keywords, saved.keywords);
    EXPECT_EQ(loaded.adult, false);
    EXPECT_EQ(loaded.smartMatch, true);
    EXPECT_EQ(loaded.deep, true);
    EXPECT_EQ(state.lists.selected.entries(),
              (std::vector<std::string>{"Cat Site", "Other Cat", "Plain"}));
    EXPECT_EQ(state.lists.categorySites.entries(),
              (std::vector<std::string>{"Cat Site", "Other Cat"}));
    EXPECT_EQ(state.siteTable.find("Cat Site")->chosenCategory, "Music");
    EXPECT_EQ(state.siteTable.find("Other Cat")->chosenCategory, "");
    ASSERT_EQ(loaded.selectedSites.size(), 3u);
    EXPECT_EQ(loaded.selectedSites[0].category, "Music");
    EXPECT_TRUE(messenger.messages().empty());
}

std::string profileText(const std::vector<std::string>& tail, const char* eol = "\r\n") {
    std::string text = "any first line";
    text += eol;
    for (int i = 0; i < 31; ++i) {
        text += "v" + std::to_string(i + 2) + eol;
    }
    for (const std::string& line : tail) {
        text += line + eol;
    }
    return text;
}

TEST_F(ProfileFileTest, SwitchLinesFollowTheirOwnRules) {
    struct Case {
        std::vector<std::string> lines;
        bool adult, smart, deep;
    };
    const Case cases[] = {
        {{"SAFE", "SAFE", "SHALLOW"}, false, false, false},
        {{"ADULT", "SMART", "DEEP"}, true, true, true},
        {{"safe", "", "deep"}, true, true, false},
        {{"SAFE ", "SAFE", "DEEP "}, true, false, false},
        {{"NO", "SAFE", "SAFE"}, true, false, false},
    };
    for (const Case& c : cases) {
        workspace.write("s.fl2", profileText({c.lines[0], c.lines[1], c.lines[2], "DATAEND"}));
        ASSERT_EQ(loadDirect("s.fl2").outcome, FileOutcome::Done);
        EXPECT_EQ(loaded.adult, c.adult) << c.lines[0];
        EXPECT_EQ(loaded.smartMatch, c.smart) << c.lines[1];
        EXPECT_EQ(loaded.deep, c.deep) << c.lines[2];
    }
}

TEST_F(ProfileFileTest, UnknownAndDoubledSitesAreSkipped) {
    state.switches.verbose = true;
    // The second "Cat Site" is skipped with its category line, which here names a real site.
    workspace.write("u.fl2", profileText({"SAFE", "SAFE", "SHALLOW", "Nope", "cat site", "Cat Site",
                                          "Arts", "Cat Site", "Plain", "Complex Without Values", "",
                                          "DATAEND", "Other Cat"},
                                         "\n"));
    ASSERT_EQ(loadDirect("u.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(state.lists.selected.entries(),
              (std::vector<std::string>{"Cat Site", "Complex Without Values"}));
    EXPECT_EQ(state.lists.categorySites.entries(), std::vector<std::string>{"Cat Site"});
    EXPECT_EQ(state.siteTable.find("Cat Site")->chosenCategory, "Arts");
    EXPECT_EQ(state.siteTable.find("Complex Without Values")->chosenCategory, "");
    EXPECT_EQ(loaded.url, "v2") << "LF line ends read like CR LF";
    ASSERT_EQ(messenger.messages().size(), 1u);
    EXPECT_EQ(messenger.messages()[0].text, "Site Cat Site Not VALID!");

    state.switches.verbose = false;
    workspace.write("u.fl2", profileText({"SAFE", "SAFE", "SHALLOW", "Cat Site", "", "Cat Site",
                                          "Plain", "DATAEND"}));
    ASSERT_EQ(loadDirect("u.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(messenger.messages().size(), 1u) << "the warning is for verbose mode only";
}

TEST_F(ProfileFileTest, LoadingReplacesTheSelectionAndKeepsOtherCategories) {
    select({"Plain", "Other Cat"});
    state.siteTable.find("Other Cat")->chosenCategory = "Boats";
    // A file that ends before "DATAEND" is read to its end.
    workspace.write("r.fl2", profileText({"SAFE", "SAFE", "SHALLOW", "Cat Site", "Music"}));
    ASSERT_EQ(loadDirect("r.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(state.lists.selected.entries(), std::vector<std::string>{"Cat Site"});
    EXPECT_EQ(state.lists.categorySites.entries(), std::vector<std::string>{"Cat Site"});
    EXPECT_EQ(state.lists.available.entries(),
              (std::vector<std::string>{"Complex Without Values", "Other Cat", "Plain"}));
    EXPECT_EQ(state.siteTable.find("Other Cat")->chosenCategory, "Boats");
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_F(ProfileFileTest, ShortFileLeavesMissingValuesEmpty) {
    loaded.fax = "old";
    workspace.write("short.fl2", "h\r\nU\r\nT");
    ASSERT_EQ(loadDirect("short.fl2").outcome, FileOutcome::Done);
    EXPECT_EQ(loaded.url, "U");
    EXPECT_EQ(loaded.title, "T");
    EXPECT_EQ(loaded.fax, "");
    EXPECT_TRUE(state.lists.selected.empty());
}

TEST_F(ProfileFileTest, MissingFileChangesNothing) {
    select({"Plain"});
    loaded.url = "kept";
    EXPECT_EQ(loadDirect("gone.fl2").outcome, FileOutcome::Missing);
    EXPECT_EQ(loaded.url, "kept");
    EXPECT_EQ(state.lists.selected.entries(), std::vector<std::string>{"Plain"});
    ASSERT_EQ(messenger.messages().size(), 1u);
    EXPECT_EQ(messenger.messages()[0].text, " The File gone.fl2 could not be opened");
    EXPECT_EQ(messenger.messages()[0].icon, app::MessageIcon::None);
}

TEST_F(ProfileFileTest, InteractiveLoadAsksAndReports) {
    workspace.write("i.fl2", profileText({"SAFE", "SAFE", "SHALLOW", "Plain", "DATAEND"}));
    state.currentProfilePath = "NULL";
    EXPECT_EQ(loadProfile(state, loaded, dialogs, messenger).outcome, FileOutcome::Cancelled);
    EXPECT_TRUE(messenger.messages().empty());
    EXPECT_EQ(loaded.url, "");

    dialogs.openAnswer = "i.fl2";
    EXPECT_EQ(loadProfile(state, loaded, dialogs, messenger).outcome, FileOutcome::Done);
    EXPECT_EQ(messenger.texts(),
              std::vector<std::string>{"File i.fl2 opened and read successfully!"});
    EXPECT_EQ(dialogs.specs.back().filterText,
              "Farrowlane Profiles (*.fl2)|*.fl2|All Files (*.*)|*.*||");
    EXPECT_EQ(state.currentProfilePath, "NULL");
}

TEST_F(ProfileFileTest, InteractiveSaveAddsExtensionAndAsksBeforeOverwriting) {
    const SubmissionProfile p = sampleProfile();
    EXPECT_EQ(saveProfile("NULL", p, {}, dialogs, messenger).outcome, FileOutcome::Cancelled);

    dialogs.saveAnswer = workspace.file("mine");
    FileResult r = saveProfile("NULL", p, {}, dialogs, messenger);
    EXPECT_EQ(r.outcome, FileOutcome::Done);
    EXPECT_EQ(r.path, workspace.file("mine.fl2"));
    EXPECT_EQ(workspace.read("mine.fl2"), formatProfile(p, {}));
    EXPECT_TRUE(dialogs.overwriteQuestions.empty());
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"File " + workspace.file("mine.fl2") +
                                                          " opened and written successfully!"});

    dialogs.overwriteAnswer = false;
    EXPECT_EQ(saveProfile("NULL", SubmissionProfile{}, {}, dialogs, messenger).outcome,
              FileOutcome::Cancelled);
    EXPECT_EQ(dialogs.overwriteQuestions, std::vector<std::string>{workspace.file("mine.fl2")});
    EXPECT_EQ(workspace.read("mine.fl2"), formatProfile(p, {}));
    EXPECT_EQ(messenger.messages().size(), 1u);
}

TEST_F(ProfileFileTest, FileThatCannotBeWrittenIsReportedWithoutSuccess) {
    dialogs.saveAnswer = workspace.file("no/such/dir/p.fl2");
    const FileResult r = saveProfile("NULL", sampleProfile(), {}, dialogs, messenger);
    EXPECT_EQ(r.outcome, FileOutcome::Failed);
    ASSERT_EQ(messenger.messages().size(), 1u);
    EXPECT_NE(messenger.messages()[0].text.find("Could not write the profile"), std::string::npos);
    EXPECT_EQ(
        saveProfile(workspace.file("no/dir.fl2"), sampleProfile(), {}, dialogs, messenger).outcome,
        FileOutcome::Failed);
    EXPECT_EQ(messenger.messages().size(), 2u) << "the direct path reports failures too";
}

TEST(FilterText, SplitsIntoLabelAndPattern) {
    const std::vector<FileFilter> filters = profileChooserSpec().filters();
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].label, "Farrowlane Profiles (*.fl2)");
    EXPECT_EQ(filters[0].pattern, "*.fl2");
    EXPECT_EQ(filters[1].label, "All Files (*.*)");
    EXPECT_EQ(filters[1].pattern, "*.*");
    EXPECT_TRUE(splitFilterText("").empty());
    EXPECT_TRUE(splitFilterText("label only").empty());
}

}  // namespace
}  // namespace farrow::profile
