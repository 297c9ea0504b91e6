#include "ui/run_windows.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/latin1.h"

namespace farrow::ui {

namespace {

constexpr int kProgressWidth = 460;
constexpr int kDebugWidth = 900;

constexpr const char* kReminder =
    "Reminder: The speed and quality of your connection to the internet directly affect the "
    "performance of this program.";

QLineEdit* readOnlyField(QWidget* parent, const char* name, bool rightAligned) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    if (rightAligned) {
        field->setAlignment(Qt::AlignRight);
    }
    return field;
}

QPushButton* pushLikeCheck(const char* text, QWidget* parent, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setCheckable(true);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("progressDialog");
    setModal(false);
    auto* reminder = new QLabel(kReminder, this);
    reminder->setObjectName("reminderText");
    reminder->setWordWrap(true);
    lastSite_ = readOnlyField(this, "lastSiteField", false);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("overallBar");
    bar_->setTextVisible(false);
    total_ = readOnlyField(this, "totalField", true);
    good_ = readOnlyField(this, "goodField", true);
    failure_ = readOnlyField(this, "failureField", true);
    failRate_ = readOnlyField(this, "failRateField", true);
    abort_ = pushLikeCheck("ABORT", this, "abortButton");
    pause_ = pushLikeCheck("Pause", this, "pauseButton");
    // The dialog's default button is never shown; Enter presses nothing.
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    ok->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Last Site in Queue:", this), 0, 0);
    grid->addWidget(lastSite_, 0, 1, 1, 3);
    grid->addWidget(new QLabel("Overall:", this), 1, 0);
    grid->addWidget(bar_, 1, 1, 1, 3);
    grid->addWidget(new QLabel("Total", this), 2, 0);
    grid->addWidget(total_, 2, 1);
    grid->addWidget(new QLabel("Good", this), 2, 2);
    grid->addWidget(good_, 2, 3);
    grid->addWidget(new QLabel("Failure", this), 3, 0);
    grid->addWidget(failure_, 3, 1);
    grid->addWidget(new QLabel("Fail Rate", this), 3, 2);
    grid->addWidget(failRate_, 3, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(pause_);
    buttons->addWidget(abort_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(reminder);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(kProgressWidth, sizeHint().height());
}

void ProgressDialog::setCaption(const std::string& text) {
    setWindowTitle(toQt(text));
}

void ProgressDialog::setLastSite(const std::string& text) {
    lastSite_->setText(toQt(text));
}

void ProgressDialog::setBarRange(int maximum) {
    bar_->setRange(0, maximum);
}

void ProgressDialog::setBarPosition(int position) {
    bar_->setValue(position);
}

void ProgressDialog::setTotal(const std::string& text) {
    total_->setText(toQt(text));
}

void ProgressDialog::setGood(const std::string& text) {
    good_->setText(toQt(text));
}

void ProgressDialog::setFailure(const std::string& text) {
    failure_->setText(toQt(text));
}

void ProgressDialog::setFailRate(const std::string& text) {
    failRate_->setText(toQt(text));
}

void ProgressDialog::show() {
    QDialog::show();
}

void ProgressDialog::refresh() {
    repaint();
}

bool ProgressDialog::abortDown() const {
    return abort_->isChecked();
}

bool ProgressDialog::pauseDown() const {
    return pause_->isChecked();
}

DebugWindow::DebugWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("debugWindow");
    setWindowTitle("Submission Thread Debug Window");
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(1);
    for (int i = 0; i < submit::kDebugLineCount; ++i) {
        auto* line = new QLineEdit(" ", this);
        line->setObjectName(QString("debugLine%1").arg(i));
        line->setReadOnly(true);
        line->setFont(fixed);
        lines_[static_cast<std::size_t>(i)] = line;
        layout->addWidget(line);
    }
    resize(kDebugWidth, sizeHint().height());
}

void DebugWindow::show() {
    QWidget::show();
}

void DebugWindow::setLine(int index, const std::string& text) {
    if (index >= 0 && index < submit::kDebugLineCount) {
        lines_[static_cast<std::size_t>(index)]->setText(toQt(text));
    }
}

void DebugWindow::refresh() {
    repaint();
}

}  // namespace farrow::ui
