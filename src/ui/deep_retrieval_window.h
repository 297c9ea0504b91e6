#pragma once

#include <QDialog>

class QLineEdit;

namespace farrow::ui {

// "Deep Submission: Retrieval": shows which page is being read. The user cannot act on it; it
// closes when the pages have been read.
class DeepRetrievalWindow final : public QDialog {
    Q_OBJECT
public:
    explicit DeepRetrievalWindow(QWidget* parent = nullptr);

    // Centres the window over its parent (or the screen) and shows it.
    void showCentred();
    void setUrlText(const QString& text);

protected:
    // Escape does not close it.
    void reject() override {}

private:
    QLineEdit* urlField_;
};

}  // namespace farrow::ui
