#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "optimizer/page_optimizer.h"
#include "ui/optimization_done.h"
#include "ui/optimization_warning.h"
#include "ui/qt_optimizer_dialogs.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

// Types `path` into the next file chooser and opens it, then runs `then`.
void typeIntoNextChooser(const QString& path, std::function<void()> then = {}) {
    auto* timer = new QTimer(qApp);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, attempts, path, then] {
        auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        // 30 s: a loaded machine can take seconds to open a file chooser.
        const bool givingUp = ++*attempts > 3000;
        if (chooser) {
            // Typed into its name field, as a user does: selectFile() can lose the name while
            // the chooser still reads its folder.
            if (auto* name = chooser->findChild<QLineEdit*>("fileNameEdit")) {
                name->setText(path);
            } else {
                chooser->selectFile(path);
            }
            // As the chooser's "Open" button does; QFileDialog keeps accept() protected.
            static_cast<QDialog*>(chooser)->accept();
            if (then) {
                then();
            }
        }
        if (chooser || givingUp) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

TEST(OptimizationWarning, ShowsTheWarningAndAcceptsOnlyThatsFine) {
    OptimizationWarning warning(optimizer::kWarningText);
    EXPECT_EQ(warning.windowTitle(), "Optimization Warning");
    const QString text = warning.findChild<QLabel*>("warningText")->text();
    EXPECT_TRUE(
        text.contains("DISASTROUS results.  \n\nIf you would rather NOT tempt fate, press "
                      "NO WAY! \n\nIf you press THAT'S FINE"))
        << text.toStdString();
    EXPECT_FALSE(text.contains('\r'));
    EXPECT_EQ(warning.findChild<QPushButton*>("fineButton")->text(), "That's Fine");
    EXPECT_EQ(warning.findChild<QPushButton*>("noWayButton")->text(), "No WAY!");

    answerNextModal("fineButton");
    EXPECT_EQ(warning.exec(), QDialog::Accepted);
    answerNextModal("noWayButton");
    EXPECT_EQ(warning.exec(), QDialog::Rejected);
    QTimer::singleShot(10, &warning, &QDialog::close);
    EXPECT_EQ(warning.exec(), QDialog::Rejected);
}

TEST(OptimizationDone, ShowsTheNoteReadOnlyAndCentred) {
    OptimizationDone done(optimizer::kDoneText);
    EXPECT_EQ(done.windowTitle(), "Optimization Done");
    auto* box = done.findChild<QTextEdit*>("doneText");
    EXPECT_EQ(box->toPlainText().toStdString(), optimizer::kDoneText);
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->alignment(), Qt::AlignCenter);
    answerNextModal("okButton");
    EXPECT_EQ(done.exec(), QDialog::Accepted);
}

TEST(PageChooser, ShowsHtmlPagesOrEveryFile) {
    EXPECT_EQ(pageNameFilters({optimizer::kPageFilter, ""}),
              (QStringList{"HTML Pages (*.htm *.html)", "All Files (*)"}));
}

TEST(PageChooser, TakesATypedNameThatDoesNotExist) {
    farrow::test::TempWorkspace ws;
    QtOptimizerDialogs dialogs(nullptr);
    const QString typed = QString::fromStdString(ws.file("new-page.htm"));
    typeIntoNextChooser(typed);
    EXPECT_EQ(dialogs.choosePage({optimizer::kPageFilter, ""}), typed.toStdString());
}

class OptimizeBoxTest : public WindowTest {
protected:
    void SetUp() override {
        writeWorkspace({});
        startWindow();
        box = find<QCheckBox>("optimizeCheck");
    }
    QCheckBox* box = nullptr;
};

TEST_F(OptimizeBoxTest, DecliningTheWarningUnticksTheBox) {
    workspace.write("page.htm", "x\n");
    answerNextModal("noWayButton");
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(std::filesystem::exists(workspace.file("page01.htm")));
    EXPECT_TRUE(frontend.texts().empty());
}

TEST_F(OptimizeBoxTest, UntickingShowsNothing) {
    box->setChecked(true);
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(OptimizeBoxTest, WritesTheCopiesBesideThePageAndStaysTicked) {
    workspace.write("page.htm", "<html>\r\n</html>");
    answerNextModal("fineButton");
    typeIntoNextChooser(QString::fromStdString(workspace.file("page.htm")),
                        [] { answerNextModal("okButton"); });
    box->click();
    EXPECT_TRUE(box->isChecked());
    for (const char* copy : {"page01.htm", "page03.htm", "page05.htm"}) {
        EXPECT_EQ(workspace.read(copy), "<html>\n</html>\n") << copy;
    }
    EXPECT_TRUE(frontend.texts().empty());
}

TEST_F(OptimizeBoxTest, MissingPageIsReportedAndTheBoxStaysTicked) {
    const std::string typed = workspace.file("typo.htm");
    answerNextModal("fineButton");
    typeIntoNextChooser(QString::fromStdString(typed));
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(frontend.texts(), std::vector<std::string>{"Couldn't Find " + typed + ". Aborting"});
    EXPECT_FALSE(std::filesystem::exists(workspace.file("typo01.htm")));
}

}  // namespace
}  // namespace farrow::ui::test
