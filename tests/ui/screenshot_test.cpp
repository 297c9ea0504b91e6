#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QTabBar>
#include <filesystem>

#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

// Renders the main window on the demo workspace with a few sites chosen. With
// FARROW_SCREENSHOT_DIR set, the picture of the site selection page is saved there as
// main-window.png (scripts/screenshot.sh does that for the README).
TEST_F(WindowTest, RendersTheMainWindowAtItsFixedSize) {
    for (const auto& entry : std::filesystem::directory_iterator(FARROW_DEMO_DIR)) {
        std::filesystem::copy_file(entry.path(), workspace.path() / entry.path().filename());
    }
    startWindow();
    dialog->selection().addSelected({1, 4, 7, 9, 12, 20});
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
