#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace farrow::ui {

// The small caption-less box that shows the start-up stage and, once the sites file is read,
// the number of sites loaded.
class InitWindow final : public QWidget {
    Q_OBJECT
public:
    InitWindow();

    // Centres the box on the screen, hides the "Loaded" label and count, and shows it.
    void showCentred();
    void setStage(const QString& text);
    void showLoaded();
    void setLoadedCount(const QString& text);

private:
    QLineEdit* stageField_;
    QLabel* loadedLabel_;
    QLineEdit* countField_;
    QPushButton* okButton_;
};

}  // namespace farrow::ui
