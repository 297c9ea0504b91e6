#pragma once

#include <QDialog>

namespace farrow::ui {

// "Are you sure you want to exit?": accepted for "OK", rejected for "Cancel".
class ExitPrompt final : public QDialog {
    Q_OBJECT
public:
    explicit ExitPrompt(QWidget* parent = nullptr);
};

}  // namespace farrow::ui
