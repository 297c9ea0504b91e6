#pragma once

#include <QDialog>
#include <optional>
#include <vector>

#include "deep/checklist_items.h"

class QListWidget;
class QPushButton;

namespace farrow::ui {

// "Deep Submission CheckList": the pages found, one line "title ( URL )" each in the order
// given, from which the user removes those not to be announced. It has no close box; Escape
// leaves it without a choice.
class DeepChecklistDialog final : public QDialog {
    Q_OBJECT
public:
    explicit DeepChecklistDialog(std::vector<deep::ChecklistItem> items, QWidget* parent = nullptr);

    // After "OK": the pages of the lines left, in displayed order; nullopt otherwise.
    const std::optional<std::vector<deep::PageEntry>>& pages() const { return pages_; }

private:
    void removeSelected();
    void takeRemaining();

    std::vector<deep::ChecklistItem> items_;
    QListWidget* list_;
    std::optional<std::vector<deep::PageEntry>> pages_;
};

}  // namespace farrow::ui
