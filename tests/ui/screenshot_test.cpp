#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QTabBar>
#include <filesystem>

#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

// Renders the main window on the demo captions and pictures with a few sites chosen. With
// FARROW_SCREENSHOT_DIR set, the picture of the site selection page is saved there as
// main-window.png (scripts/screenshot.sh does that for the README).
TEST_F(WindowTest, RendersTheMainWindowAtItsFixedSize) {
    for (const char* file : {"messages.cat", "icon.ico", "SImage.flb"}) {
        std::filesystem::copy_file(std::filesystem::path(FARROW_DEMO_DIR) / file,
                                   workspace.path() / file);
    }
    std::vector<std::string> sites;
    for (const char* name :
         {"Beacon Search", "Cobalt Index", "Driftwood Links", "Emberlist", "Fernway Directory",
          "Glasshouse Guide", "Harbor Lights", "Inkwell Pages", "Juniper Web", "Kestrel Finder",
          "Lantern Atlas", "Quarry Links ONLY"}) {
        sites.push_back(siteLine(name, true, {"Arts", "Business", "Computers"}));
    }
    workspace.write("sysconfig.fls",
                    "Farrowlane\nSubmit once, be found everywhere\nFarrow Software\n"
                    "sales@farrowlane.example\ninfo@farrowlane.example\n");
    std::string file;
    for (const std::string& line : sites) {
        file += line + "\n";
    }
    workspace.write("sites.enc", file);
    startWindow();
    dialog->selection().addSelected({1, 4, 7, 9});
    dialog->refreshSiteLists();
    dialog->show();

    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    auto* tabs = dialog->findChild<QTabBar*>("pageTabs");
    QPixmap shot;
    for (int page = 0; page < MainDialog::kPageCount; ++page) {
        tabs->setCurrentIndex(page);
        const QPixmap picture = dialog->grab();
        EXPECT_EQ(picture.size(), dialog->size()) << "page " << page;
        if (page == 4) {
            shot = picture;
        }
    }
    const QString dir = qEnvironmentVariable("FARROW_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(shot.save(QDir(dir).filePath("main-window.png")));
    }
}

}  // namespace
}  // namespace farrow::ui::test
