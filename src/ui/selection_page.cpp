#include "ui/selection_page.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kButtonWidth = 130;

}  // namespace

SelectionPage::SelectionPage() : ProfilePage("selectionPage") {
    availableList_ = siteList(this, "availableList", true);
    selectedList_ = siteList(this, "selectedList", true);
    addSelectedButton_ = button("   Add Selected", this, "addSelectedButton");
    addAllButton_ = button("Add All", this, "addAllButton");
    removeSelectedButton_ = button("Remove Selected", this, "removeSelectedButton");
    removeAllButton_ = button("Remove All", this, "removeAllButton");

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* b :
         {addSelectedButton_, addAllButton_, removeSelectedButton_, removeAllButton_}) {
        b->setFixedWidth(kButtonWidth);
        buttons->addWidget(b);
        if (b == addAllButton_) {
            buttons->addSpacing(24);
        }
    }
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(availableList_, 1);
    layout->addLayout(buttons);
    layout->addWidget(selectedList_, 1);

    connect(addSelectedButton_, &QPushButton::clicked, this, &SelectionPage::addSelectedClicked);
    connect(addAllButton_, &QPushButton::clicked, this, &SelectionPage::addAllClicked);
    connect(removeSelectedButton_, &QPushButton::clicked, this,
            &SelectionPage::removeSelectedClicked);
    connect(removeAllButton_, &QPushButton::clicked, this, &SelectionPage::removeAllClicked);
}

void SelectionPage::applyCaptions(const app::CaptionCatalogue& captions) {
    setCaption(addAllButton_, captions, 30);
    setCaption(addSelectedButton_, captions, 31);
    setCaption(removeAllButton_, captions, 32);
    setCaption(removeSelectedButton_, captions, 33);
}

void SelectionPage::showLists(const sites::SortedList& available,
                              const sites::SortedList& selected) {
    fillList(availableList_, available);
    fillList(selectedList_, selected);
}

std::vector<std::size_t> SelectionPage::highlightedAvailable() const {
    return highlightedRows(availableList_);
}

std::vector<std::size_t> SelectionPage::highlightedSelected() const {
    return highlightedRows(selectedList_);
}

}  // namespace farrow::ui
