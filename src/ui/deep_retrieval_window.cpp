#include "ui/deep_retrieval_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace farrow::ui {

namespace {

constexpr int kUrlWidth = 360;
constexpr int kHiddenSize = 4;

}  // namespace

DeepRetrievalWindow::DeepRetrievalWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      urlField_(new QLineEdit(this)),
      pagesRead_(new QLabel(this)) {
    setObjectName("deepRetrievalWindow");
    setWindowTitle("Deep Submission: Retrieval");
    setModal(false);
    setCursor(Qt::WaitCursor);
    urlField_->setObjectName("urlField");
    urlField_->setReadOnly(true);
    urlField_->setMinimumWidth(kUrlWidth);
    // A tiny default button, hidden: there is nothing here for the user to press.
    auto* hidden = new QPushButton(this);
    hidden->setObjectName("hiddenButton");
    hidden->setFixedSize(kHiddenSize, kHiddenSize);
    hidden->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Retrieving Page at:", this));
    layout->addWidget(urlField_);
    pagesRead_->setObjectName("pagesReadLabel");
    setPagesRead(0);
    layout->addWidget(pagesRead_);
    layout->addWidget(new QLabel("Please Stand By...", this), 0, Qt::AlignHCenter);
}

void DeepRetrievalWindow::showCentred() {
    adjustSize();
    const QWidget* over = parentWidget();
    if (over && over->isVisible()) {
        move(over->geometry().center() - rect().center());
    } else if (QScreen* s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
    show();
    repaint();
}

void DeepRetrievalWindow::closeEvent(QCloseEvent* event) {
    // The window goes with the crawl, not before it.
    event->ignore();
    stopRequested_ = true;
}

void DeepRetrievalWindow::setPagesRead(int pages) {
    pagesRead_->setText("Pages read so far: " + QString::number(pages));
}

void DeepRetrievalWindow::setUrlText(const QString& text) {
    if (urlField_->text() != text) {
        urlField_->setText(text);
        urlField_->setCursorPosition(0);
    }
    repaint();
}

}  // namespace farrow::ui
