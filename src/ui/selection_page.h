#pragma once

#include <cstddef>
#include <vector>

#include "sites/sorted_list.h"
#include "ui/profile_page.h"

class QListWidget;
class QPushButton;

namespace farrow::ui {

// Page 4: the available and the selected sites, and the buttons that move sites between them.
// The lists only show the site lists of the application state; the window moves the sites and
// then shows the lists again. The selection of the profile is read from those lists.
class SelectionPage final : public ProfilePage {
    Q_OBJECT
public:
    SelectionPage();

    void applyCaptions(const app::CaptionCatalogue& captions) override;
    void showLists(const sites::SortedList& available, const sites::SortedList& selected);
    std::vector<std::size_t> highlightedAvailable() const;
    std::vector<std::size_t> highlightedSelected() const;

signals:
    void addSelectedClicked();
    void addAllClicked();
    void removeSelectedClicked();
    void removeAllClicked();

private:
    QListWidget* availableList_ = nullptr;
    QListWidget* selectedList_ = nullptr;
    QPushButton* addSelectedButton_ = nullptr;
    QPushButton* addAllButton_ = nullptr;
    QPushButton* removeSelectedButton_ = nullptr;
    QPushButton* removeAllButton_ = nullptr;
};

}  // namespace farrow::ui
