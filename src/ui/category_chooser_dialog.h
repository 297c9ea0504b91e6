#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace farrow::ui {

// Asked while requests are built when no keyword gives a site a category: the site's categories
// in a sorted list and an "OK" button. Closing the window counts as no choice.
class CategoryChooserDialog final : public QDialog {
    Q_OBJECT
public:
    CategoryChooserDialog(const std::string& caption, const std::vector<std::string>& lines,
                          QWidget* parent = nullptr);

    // The line selected when "OK" was pressed; nullopt when none was, or the window was closed.
    std::optional<std::string> choice() const { return choice_; }

private:
    QListWidget* list_;
    std::optional<std::string> choice_;
};

}  // namespace farrow::ui
