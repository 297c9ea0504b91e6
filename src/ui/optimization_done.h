#pragma once

#include <QDialog>
#include <QString>

namespace farrow::ui {

// "Optimization Done": the closing note in a centred, read-only text box, and "OK".
class OptimizationDone final : public QDialog {
    Q_OBJECT
public:
    explicit OptimizationDone(const QString& text, QWidget* parent = nullptr);
};

}  // namespace farrow::ui
