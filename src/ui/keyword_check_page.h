#pragma once

#include <optional>
#include <string>

#include "sites/sorted_list.h"
#include "ui/profile_page.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace farrow::ui {

// Page 6: the sites that offer a keyword search and the keyword to look up on the chosen one.
class KeywordCheckPage final : public ProfilePage {
    Q_OBJECT
public:
    KeywordCheckPage();

    void applyCaptions(const app::CaptionCatalogue& captions) override;
    void showSites(const sites::SortedList& keywordCheck);
    // The highlighted site, if any.
    std::optional<std::string> selectedEngine() const;
    std::string keyword() const;

signals:
    void checkClicked();

private:
    QListWidget* keywordCheckList_ = nullptr;
    QLabel* keywordLabel_ = nullptr;
    QLineEdit* keywordField_ = nullptr;
    QPushButton* checkButton_ = nullptr;
};

}  // namespace farrow::ui
