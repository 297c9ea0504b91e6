#pragma once

#include <QDialog>
#include <QWidget>
#include <array>
#include <string>

#include "submit/debug_view.h"
#include "submit/progress_view.h"

class QLineEdit;
class QProgressBar;
class QPushButton;

namespace farrow::ui {

// The progress dialog of a run: the counters, the bar and the push-like ABORT and Pause
// buttons, which the run polls. Modeless; the run owns it from start to end. Its parent must be
// the main window: that one runs modal, and blocks the clicks of every window not its own.
class ProgressDialog final : public QDialog, public submit::ProgressView {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    void setCaption(const std::string& text) override;
    void setLastSite(const std::string& text) override;
    void setBarRange(int maximum) override;
    void setBarPosition(int position) override;
    void setTotal(const std::string& text) override;
    void setGood(const std::string& text) override;
    void setFailure(const std::string& text) override;
    void setFailRate(const std::string& text) override;
    void show() override;
    void refresh() override;
    bool abortDown() const override;
    bool pauseDown() const override;

protected:
    // Escape and the close box would leave the run without its dialog; ABORT stops a run.
    void reject() override {}

private:
    QLineEdit* lastSite_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLineEdit* total_ = nullptr;
    QLineEdit* good_ = nullptr;
    QLineEdit* failure_ = nullptr;
    QLineEdit* failRate_ = nullptr;
    QPushButton* abort_ = nullptr;
    QPushButton* pause_ = nullptr;
};

// "Submission Thread Debug Window": one line per worker slot and the write flag. Like the
// progress dialog, it belongs to the main window.
class DebugWindow final : public QWidget, public submit::DebugView {
    Q_OBJECT
public:
    explicit DebugWindow(QWidget* parent = nullptr);

    void show() override;
    void setLine(int index, const std::string& text) override;
    void refresh() override;

private:
    std::array<QLineEdit*, submit::kDebugLineCount> lines_{};
};

}  // namespace farrow::ui
