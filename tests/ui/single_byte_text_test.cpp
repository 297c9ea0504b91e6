#include <nlohmann/json.hpp>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <sstream>

#include "app/user_settings.h"
#include "cli/command_line.h"
#include "profile/profile_file.h"
#include "ui/latin1.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

// Every byte from 128 to 255, spread over the fields with a plain letter between.
std::string highBytes(int from, int to) {
    std::string text;
    for (int c = from; c <= to; ++c) {
        text += static_cast<char>(c);
        text += 'a';
    }
    return text;
}

class SingleByteTextTest : public WindowTest {
protected:
    void SetUp() override {
        writeWorkspace({siteLine("Alpha"), siteLine("Bravo", false, {"Arts", "Business"})});
    }

    profile::SubmissionProfile highByteProfile() {
        profile::SubmissionProfile p;
        p.url = "http://caf\xE9.test/" + highBytes(128, 143);
        p.title = "Caf\xE9 " + highBytes(144, 159);
        p.description = highBytes(160, 191);
        p.lastName = "Jos\xE9";
        p.firstName = highBytes(192, 207);
        p.email = "\xFCml@caf\xE9.test";
        p.company = highBytes(208, 223);
        p.phone = highBytes(224, 239);
        p.city = "K\xF6ln";
        p.keywords[0] = highBytes(240, 255);
        p.keywords[15] = "\xA3\xA9\xB0";
        p.selectedSites = {{"Alpha", false, ""}, {"Bravo", true, "Caf\xE9s \xBD"}};
        return p;
    }

    void click(const char* button) { find<QPushButton>(button)->click(); }
};

TEST_F(SingleByteTextTest, ProfileKeepsEveryByteThroughLoadPageSwitchesAndSave) {
    startWindow();
    const profile::SubmissionProfile p = highByteProfile();
    const std::string file = profile::formatProfile(p, p.selectedSites);
    workspace.write("in.fl2", file);

    frontend.nextOpenFile = workspace.file("in.fl2");
    click("loadProfileButton");
    EXPECT_EQ(find<QLineEdit>("title")->text(),
              QString::fromUtf8("Café ") + QString::fromLatin1(highBytes(144, 159)));
    auto* tabs = find<QTabBar>("pageTabs");
    for (int page : {2, 3, 5, 0, 5}) {
        tabs->setCurrentIndex(page);
    }

    frontend.nextSaveFile = workspace.file("out.fl2");
    click("saveProfileButton");
    EXPECT_TRUE(frontend.chooserCalls.empty());
    EXPECT_EQ(workspace.read("out.fl2"), file);
}

TEST_F(SingleByteTextTest, SettingsFileKeepsEveryByteThroughPageSwitchesAndSave) {
    app::UserSettings settings;
    settings.userFirstName = "Jos\xE9";
    settings.userMiddleName = highBytes(128, 191);
    settings.userLastName = highBytes(192, 255);
    settings.userEmail = "j\xF6rg@caf\xE9.test";
    app::writeConfiguration(settings, workspace.file(app::kSettingsFile));
    const std::string file = workspace.read(app::kSettingsFile);
    startWindow();
    EXPECT_EQ(find<QLineEdit>("userFirstName")->text(), QString::fromUtf8("José"));

    auto* tabs = find<QTabBar>("pageTabs");
    for (int page : {1, 3, 1}) {
        tabs->setCurrentIndex(page);
    }
    click("saveSettingsButton");
    EXPECT_EQ(workspace.read(app::kSettingsFile), file);
}

// The requests farrowctl prints for a profile, with its texts turned back into bytes.
std::vector<std::vector<std::string>> farrowctlRequests(
    const farrow::test::TempWorkspace& workspace, const std::string& path) {
    std::ostringstream out;
    std::ostringstream err;
    cli::CommandSettings settings;
    settings.workspace = workspace.workspace();
    settings.tempDir = workspace.path().string();
    EXPECT_EQ(cli::runCommand({"build", path}, out, err, settings), cli::kExitOk) << err.str();
    std::vector<std::vector<std::string>> requests;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json request = nlohmann::json::parse(line);
        std::vector<std::string> fields;
        for (const char* key : {"siteName", "targetUrl", "payload", "category"}) {
            fields.push_back(fromQt(QString::fromStdString(request[key].get<std::string>())));
        }
        requests.push_back(fields);
    }
    return requests;
}

TEST_F(SingleByteTextTest, WindowBuildsTheSameBytesAsFarrowctl) {
    const profile::SubmissionProfile p = highByteProfile();
    workspace.write("in.fl2", profile::formatProfile(p, p.selectedSites));
    const auto expected = farrowctlRequests(workspace, workspace.file("in.fl2"));
    ASSERT_EQ(expected.size(), 2u);

    startWindow();
    dialog->setConnectionTest([] { return true; });
    // These tests look at the built requests; nothing is sent.
    dialog->setRunStarter([](const profile::SubmissionProfile&, int) {});
    frontend.nextOpenFile = workspace.file("in.fl2");
    click("loadProfileButton");
    click("buildGoButton");
    std::vector<std::vector<std::string>> built;
    for (const submit::SiteRequest& r : state.requestList) {
        built.push_back({r.siteName, r.targetUrl, r.payload, r.category});
    }
    EXPECT_EQ(built, expected);
    EXPECT_NE(built[1][1].find("Caf\xE9s+\xBD"), std::string::npos) << built[1][1];
}

void type(QWidget* field, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QApplication::sendEvent(field, &press);
}

QString fieldText(QWidget* field) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        return line->text();
    }
    return qobject_cast<QPlainTextEdit*>(field)->toPlainText();
}

void paste(QWidget* field) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        line->paste();
    } else {
        qobject_cast<QPlainTextEdit*>(field)->paste();
    }
}

TEST_F(SingleByteTextTest, FieldsRefuseCharactersASingleByteTextCannotHold) {
    startWindow();
    for (const char* name : {"title", "description", "keyword16", "userFirstName", "fax"}) {
        auto* field = find<QWidget>(name);
        ASSERT_NE(field, nullptr);
        type(field, QString::fromUtf8("é"));
        type(field, QString::fromUtf8("€"));
        type(field, QString::fromUtf8("ÿ"));
        QApplication::clipboard()->setText(QString::fromUtf8("x€"));
        paste(field);
        EXPECT_EQ(fieldText(field), QString::fromUtf8("éÿ")) << name;
        EXPECT_EQ(field->toolTip(), kLatin1Explanation) << name;
        QApplication::clipboard()->setText(QString::fromUtf8("½"));
        paste(field);
        EXPECT_EQ(fieldText(field), QString::fromUtf8("éÿ½")) << name;
    }
}

TEST(FileChooserFilters, AllFilesShowsFilesWithoutADot) {
    QTemporaryDir dir;
    for (const char* name : {"README", "mine.fl2", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString filters = qtFileFilters(profile::profileChooserOptions());
    EXPECT_EQ(filters, "Farrowlane Profiles (*.fl2);;All Files (*)");
    // What each entry of the chooser's type list shows, read the way Qt reads the patterns.
    QStringList shown;
    for (const QString& filter : filters.split(";;")) {
        const QString patterns = filter.section('(', 1).chopped(1);
        shown << QDir(dir.path())
                     .entryList(QDir::nameFiltersFromString(patterns), QDir::Files)
                     .join(',');
    }
    EXPECT_EQ(shown, (QStringList{"mine.fl2", "mine.fl2,notes.txt,README"}));
}

}  // namespace
}  // namespace farrow::ui::test
