#include "window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "sites/site_line_codec.h"
#include "sites/site_table.h"
#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui::test {

bool ScriptedFrontend::askCheckForUpdates() {
    ++updateQuestions;
    if (realUpdatePrompt) {
        answerNextModal("skipButton");
        return QtFrontend::askCheckForUpdates();
    }
    return checkForUpdates;
}

std::vector<std::string> ScriptedFrontend::texts() const {
    std::vector<std::string> out;
    for (const auto& m : messages) {
        out.push_back(m.text);
    }
    return out;
}

void ScriptedFrontend::showMessageBox(const QString& text, base::MessageIcon icon) {
    if (QThread::currentThread() != qApp->thread()) {
        allMessagesOnWindowThread = false;
    }
    messages.push_back({fromQt(text), icon});
    shownTexts.push_back(text);
}

std::vector<std::string> listTexts(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) {
        out.push_back(fromQt(list->item(i)->text()));
    }
    return out;
}

std::vector<std::string> listedPaths(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) {
        out.push_back(listedPath(list->item(i)));
    }
    return out;
}

namespace {

// Counts the mouse presses a widget receives.
class PressCounter final : public QObject {
public:
    explicit PressCounter(QWidget* widget) { widget->installEventFilter(this); }
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            ++presses;
        }
        return false;
    }
};

}  // namespace

bool userClick(QWidget* widget) {
    QWindow* window = widget->window()->windowHandle();
    if (!window || !widget->isVisible()) {
        return false;
    }
    PressCounter counter(widget);
    const QPoint at = window->mapFromGlobal(widget->mapToGlobal(widget->rect().center()));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
    return counter.presses > 0;
}

void answerNextModal(const QString& buttonName) {
    auto* timer = new QTimer(qApp);
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, attempts, buttonName] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* button = modal ? modal->findChild<QAbstractButton*>(buttonName) : nullptr;
        // 30 s: a loaded machine can take seconds to open a file chooser.
        const bool givingUp = ++*attempts > 3000;
        if (button) {
            button->click();
        } else if (modal && givingUp) {
            // A dialog without that button: end it so that the test fails instead of hanging.
            modal->close();
        }
        if (button || givingUp) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

std::string siteLine(const std::string& name, bool keywordSearch,
                     const std::vector<std::string>& categories) {
    std::vector<std::string> fields(sites::kFieldCount, " ");
    fields[sites::kName] = name;
    fields[1] = "x";
    fields[sites::kSubmitUrl] = "http://directory.example.test/add-url";
    fields[sites::kMethod] = "GET";
    fields[sites::kUrlField] = "url";
    if (keywordSearch) {
        fields[sites::kSearchUrl] = "http://search.example.test/?q=";
    }
    std::string plain;
    for (const std::string& f : fields) {
        plain += f + "|";
    }
    if (!categories.empty()) {
        plain += "[COMPLEX]|x|category|";
        for (const std::string& c : categories) {
            plain += c + "|";
        }
        plain += "NULL|";
    }
    return sites::encodeSiteLine(plain);
}

std::string targetLine(const std::string& name, const std::string& submitUrl) {
    std::vector<std::string> fields(sites::kFieldCount, " ");
    fields[sites::kName] = name;
    fields[1] = "x";
    fields[sites::kSubmitUrl] = submitUrl;
    fields[sites::kMethod] = "GET";
    fields[sites::kUrlField] = "url";
    std::string plain;
    for (const std::string& f : fields) {
        plain += f + "|";
    }
    return sites::encodeSiteLine(plain);
}

std::string numberedCatalogue(int lines) {
    std::string text;
    for (int i = 1; i <= lines; ++i) {
        text += "Caption " + std::to_string(i) + "\n";
    }
    return text;
}

void WindowTest::writeWorkspace(const std::vector<std::string>& sites, int catalogueLines) {
    workspace.write("sysconfig.fls",
                    "Farrowlane\nLane Works Ltd.\nFarrow Software\nsales@example.test\n"
                    "info@example.test\nNULL\nNULL\nNULL\nNULL\nNULL\n");
    if (catalogueLines >= 0) {
        workspace.write("messages.cat", numberedCatalogue(catalogueLines));
    }
    if (!sites.empty()) {
        std::string file;
        for (const std::string& line : sites) {
            file += line + "\n";
        }
        workspace.write("sites.enc", file);
    }
}

void WindowTest::startWindow(std::vector<std::string> argv) {
    state.workspace = workspace.workspace();
    dialog = std::make_unique<MainDialog>(state, frontend);
    ASSERT_TRUE(dialog->initialise(argv));
}

}  // namespace farrow::ui::test
