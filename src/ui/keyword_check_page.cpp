#include "ui/keyword_check_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui {

KeywordCheckPage::KeywordCheckPage() : ProfilePage("keywordCheckPage") {
    keywordCheckList_ = siteList(this, "keywordCheckList", false);
    keywordLabel_ = label("Keyword:", this, "keywordLabel");
    keywordField_ = lineEdit(this, "keywordField");
    checkButton_ = button("Check", this, "checkButton");
    auto* side = new QVBoxLayout;
    side->addWidget(keywordLabel_);
    side->addWidget(keywordField_);
    side->addWidget(checkButton_, 0, Qt::AlignLeft);
    side->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(keywordCheckList_, 1);
    layout->addLayout(side, 1);

    connect(checkButton_, &QPushButton::clicked, this, &KeywordCheckPage::checkClicked);
}

void KeywordCheckPage::applyCaptions(const app::CaptionCatalogue& captions) {
    setCaption(keywordLabel_, captions, 23);
    setCaption(checkButton_, captions, 41);
}

void KeywordCheckPage::showSites(const sites::SortedList& keywordCheck) {
    fillList(keywordCheckList_, keywordCheck);
}

std::optional<std::string> KeywordCheckPage::selectedEngine() const {
    if (const int row = selectedRow(keywordCheckList_); row >= 0) {
        return fromQt(keywordCheckList_->item(row)->text());
    }
    return std::nullopt;
}

std::string KeywordCheckPage::keyword() const {
    return fieldText(keywordField_);
}

}  // namespace farrow::ui
