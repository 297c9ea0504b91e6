#pragma once

#include "sites/sorted_list.h"
#include "ui/profile_page.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace farrow::ui {

// Page 5: smart matching, the category of each selected site that takes one, the adult switch,
// and the buttons that build and run the profile or save and load it.
class CategoryPage final : public ProfilePage {
    Q_OBJECT
public:
    CategoryPage();

    void load(const profile::SubmissionProfile& profile) override;
    void save(profile::SubmissionProfile& profile) const override;
    void applyCaptions(const app::CaptionCatalogue& captions) override;

    void showCategorySites(const sites::SortedList& categorySites);
    // Shows `categories` with none highlighted, or the one at `chosen` when that is not -1.
    void showCategories(const sites::SortedList& categories, int chosen);
    // The highlighted category site and category, -1 with none.
    int categorySiteRow() const;
    int categoryRow() const;
    // Leaves no category site highlighted, without a selection-change signal.
    void clearCategorySite();

signals:
    void categorySiteChanged();
    void categoryChanged();
    void buildAndGoClicked();
    void saveProfileClicked();
    void loadProfileClicked();

private:
    QCheckBox* smartMatchCheck_ = nullptr;
    QListWidget* categorySitesList_ = nullptr;
    QListWidget* categoriesList_ = nullptr;
    QLabel* adultText_ = nullptr;
    QCheckBox* adultCheck_ = nullptr;
    QPushButton* buildGoButton_ = nullptr;
    QPushButton* saveProfileButton_ = nullptr;
    QPushButton* loadProfileButton_ = nullptr;
};

}  // namespace farrow::ui
