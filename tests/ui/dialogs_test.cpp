#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "app/user_settings.h"
#include "ui/about_window.h"
#include "ui/help_file.h"
#include "ui/init_window.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

QStringList lineTexts(const QWidget& w) {
    QStringList texts;
    for (const QLineEdit* line : w.findChildren<QLineEdit*>()) {
        texts.append(line->text());
    }
    return texts;
}

TEST(AboutWindow, ShowsTheBrandingLinesAndDismisses) {
    base::Branding branding;
    branding.productName = "Farrowlane";
    branding.vendorName = "Farrow Software";
    branding.vendorLine = "Lane Works";
    branding.salesContact = "sales@example.test";
    branding.infoContact = "info@example.test";
    AboutWindow about(branding, QIcon());
    EXPECT_EQ(lineTexts(about),
              (QStringList{"Farrowlane", "Version " + QString(app::kProductVersion),
                           "Farrow Software", "Lane Works", "Sales : sales@example.test",
                           "Information : info@example.test"}));
    answerNextModal("dismissButton");
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

TEST(InitWindow, ShowsStagesAndRevealsTheCountWhenLoading) {
    InitWindow window;
    window.showCentred();
    auto* loaded = window.findChild<QLabel*>("loadedLabel");
    auto* count = window.findChild<QLineEdit*>("countField");
    EXPECT_FALSE(loaded->isVisible());
    EXPECT_FALSE(count->isVisible());
    EXPECT_FALSE(window.findChild<QPushButton*>("okButton")->isVisible());
    window.setStage("Reading Sites File from Disk");
    EXPECT_EQ(window.findChild<QLineEdit*>("stageField")->text(), "Reading Sites File from Disk");
    EXPECT_EQ(window.windowTitle(), "Reading Sites File from Disk");
    window.showLoaded();
    window.setLoadedCount("12 Sites");
    EXPECT_TRUE(loaded->isVisible());
    EXPECT_EQ(count->text(), "12 Sites");
}

TEST(HelpFile, IsFoundBesideTheProgramOrInItsShareFolder) {
    QTemporaryDir root;
    const std::filesystem::path base = root.path().toStdString();
    std::filesystem::create_directories(base / "bin");
    std::filesystem::create_directories(base / "share" / "farrowlane");
    const QString bin = QString::fromStdString((base / "bin").string());
    EXPECT_TRUE(findHelpFile(bin).isEmpty());

    std::ofstream(base / "share" / "farrowlane" / kHelpFileName) << "<html></html>";
    EXPECT_TRUE(findHelpFile(bin).endsWith("share/farrowlane/help.html"));
    std::ofstream(base / "bin" / kHelpFileName) << "<html></html>";
    EXPECT_TRUE(findHelpFile(bin).endsWith("bin/help.html"));
}

}  // namespace
}  // namespace farrow::ui::test
