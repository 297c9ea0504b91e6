#include "ui/category_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kButtonWidth = 120;

}  // namespace

CategoryPage::CategoryPage() : ProfilePage("categoryPage") {
    smartMatchCheck_ = new QCheckBox(
        "Check here to have the software \"SMART MATCH\" the categories based on your keywords.",
        this);
    smartMatchCheck_->setObjectName("smartMatchCheck");
    categorySitesList_ = siteList(this, "categorySitesList", false);
    categoriesList_ = siteList(this, "categoriesList", false);
    auto* lists = new QHBoxLayout;
    lists->addWidget(categorySitesList_, 1);
    lists->addWidget(categoriesList_, 1);

    adultText_ = label(
        "If your site contains material that is not suited for minors check the box to the right "
        "labelled \"ADULT\".",
        this, "adultText");
    adultText_->setWordWrap(true);
    adultCheck_ = new QCheckBox("ADULT", this);
    adultCheck_->setObjectName("adultCheck");
    auto* adult = new QHBoxLayout;
    adult->addWidget(adultText_, 1);
    adult->addSpacing(12);
    adult->addWidget(adultCheck_);

    buildGoButton_ = button("Build + GO!", this, "buildGoButton");
    saveProfileButton_ = button("Save Profile", this, "saveProfileButton");
    loadProfileButton_ = button("Load Profile", this, "loadProfileButton");
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {buildGoButton_, saveProfileButton_, loadProfileButton_}) {
        b->setMinimumWidth(kButtonWidth);
        actions->addWidget(b);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(smartMatchCheck_);
    layout->addLayout(lists, 1);
    layout->addLayout(adult);
    layout->addLayout(actions);

    connect(categorySitesList_, &QListWidget::itemSelectionChanged, this,
            &CategoryPage::categorySiteChanged);
    connect(categoriesList_, &QListWidget::itemSelectionChanged, this,
            &CategoryPage::categoryChanged);
    connect(buildGoButton_, &QPushButton::clicked, this, &CategoryPage::buildAndGoClicked);
    connect(saveProfileButton_, &QPushButton::clicked, this, &CategoryPage::saveProfileClicked);
    connect(loadProfileButton_, &QPushButton::clicked, this, &CategoryPage::loadProfileClicked);
}

void CategoryPage::load(const profile::SubmissionProfile& profile) {
    adultCheck_->setChecked(profile.adult);
    smartMatchCheck_->setChecked(profile.smartMatch);
}

void CategoryPage::save(profile::SubmissionProfile& profile) const {
    profile.adult = adultCheck_->isChecked();
    profile.smartMatch = smartMatchCheck_->isChecked();
}

void CategoryPage::applyCaptions(const app::CaptionCatalogue& captions) {
    setCaption(adultText_, captions, 22);
    setCaption(loadProfileButton_, captions, 36);
    setCaption(saveProfileButton_, captions, 37);
    setCaption(buildGoButton_, captions, 38);
    setCaption(smartMatchCheck_, captions, 40);
}

void CategoryPage::showCategorySites(const sites::SortedList& categorySites) {
    fillList(categorySitesList_, categorySites);
}

void CategoryPage::showCategories(const sites::SortedList& categories, int chosen) {
    fillList(categoriesList_, categories, false);
    if (chosen >= 0) {
        const QSignalBlocker block(categoriesList_);
        categoriesList_->setCurrentRow(chosen);
    }
}

int CategoryPage::categorySiteRow() const {
    return selectedRow(categorySitesList_);
}

int CategoryPage::categoryRow() const {
    return selectedRow(categoriesList_);
}

void CategoryPage::clearCategorySite() {
    const QSignalBlocker block(categorySitesList_);
    categorySitesList_->clearSelection();
    categorySitesList_->setCurrentItem(nullptr);
}

}  // namespace farrow::ui
