#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QListWidget;

namespace farrow::ui {

// "Batch Processing Error(s)": the error logs of the batch's failed runs. "Let's See it..." hands
// the selected log to `showLog` (which starts the browser on it) and leaves the dialog open;
// "I'm Done" closes it.
class BatchErrorsDialog final : public QDialog {
    Q_OBJECT

public:
    BatchErrorsDialog(const std::vector<std::string>& errorLogs,
                      std::function<void(const std::string&)> showLog, QWidget* parent = nullptr);

private:
    std::function<void(const std::string&)> showLog_;
    QListWidget* list_;
};

// Shows the dialog modally; returns once "I'm Done" (or the window's close) ended it.
void showBatchErrorsDialog(QWidget* parent, const std::vector<std::string>& errorLogs,
                           std::function<void(const std::string&)> showLog);

}  // namespace farrow::ui
