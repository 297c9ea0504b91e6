#pragma once

#include <QDialog>
#include <QString>

namespace farrow::ui {

// "Optimization Warning": accepted for "That's Fine", rejected for "No WAY!" and every other
// way out.
class OptimizationWarning final : public QDialog {
    Q_OBJECT
public:
    explicit OptimizationWarning(const QString& text, QWidget* parent = nullptr);
};

// The core's texts break lines with CR LF, or a lone CR; a label breaks them with LF.
QString displayedLines(const QString& text);

}  // namespace farrow::ui
