#pragma once

#include <QDialog>

namespace farrow::ui {

// The caption-less question at every start: accepted for "Check Now", rejected for "Skip".
class UpdatePrompt final : public QDialog {
    Q_OBJECT
public:
    explicit UpdatePrompt(QWidget* parent = nullptr);
};

}  // namespace farrow::ui
