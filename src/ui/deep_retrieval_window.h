#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace farrow::ui {

// "Deep Submission: Retrieval": shows which page is being read; it closes when the pages have
// been read. Escape and the close button do not close it but ask the crawl to stop, after which
// the pages found so far are listed.
class DeepRetrievalWindow final : public QDialog {
    Q_OBJECT
public:
    explicit DeepRetrievalWindow(QWidget* parent = nullptr);

    // Centres the window over its parent (or the screen) and shows it.
    void showCentred();
    void setUrlText(const QString& text);
    void setPagesRead(int pages);
    bool stopRequested() const { return stopRequested_; }

protected:
    void reject() override { stopRequested_ = true; }
    void closeEvent(QCloseEvent* event) override;

private:
    QLineEdit* urlField_;
    QLabel* pagesRead_;
    bool stopRequested_ = false;
};

}  // namespace farrow::ui
