#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace farrow::ui {

// The end of a long job (a run, a deep run, a batch, the database update): the summary, and the
// logs and failure profiles it wrote, each of which "Open" (or a double click) shows. Not modal, so
// that the user can load a failure profile while it is open; a child of the main window, so that it
// takes clicks while the main window runs modal.
class RunSummaryWindow final : public QDialog {
    Q_OBJECT
public:
    using Opener = std::function<void(const std::string& path)>;
    RunSummaryWindow(const QString& title, const std::string& text,
                     const std::vector<std::string>& files, Opener open, QWidget* parent);

private:
    void openCurrent();

    QListWidget* files_ = nullptr;
    Opener open_;
};

}  // namespace farrow::ui
