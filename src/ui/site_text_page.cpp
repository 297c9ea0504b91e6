#include "ui/site_text_page.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kDescriptionHeight = 72;

}  // namespace

SiteTextPage::SiteTextPage() : ProfilePage("siteTextPage") {
    titleLabel_ = label("Web Site Title:", this, "titleLabel");
    titleField_ = profileField(this, "title");
    descriptionField_ = new Latin1TextEdit(this);
    descriptionField_->setObjectName("description");
    descriptionField_->setTabChangesFocus(true);
    descriptionField_->setFixedHeight(kDescriptionHeight);
    descriptionField_->setMaxLength(profileValueLength());
    auto* form = new QFormLayout;
    form->addRow(titleLabel_, titleField_);
    form->addRow(label("Description:", this, "descriptionLabel"), descriptionField_);

    keywordsGroup_ = new QGroupBox("Keywords:", this);
    keywordsGroup_->setObjectName("keywordsGroup");
    auto* grid = new QGridLayout(keywordsGroup_);
    for (std::size_t i = 0; i < keywordFields_.size(); ++i) {
        keywordFields_[i] = profileField(keywordsGroup_, QString("keyword%1").arg(i + 1));
        grid->addWidget(keywordFields_[i], static_cast<int>(i / 4), static_cast<int>(i % 4));
    }

    noteGroup_ = new QGroupBox("Note:", this);
    noteGroup_->setObjectName("noteGroup");
    noteText_ = label(
        "The keywords you enter should start with the most important in the uppermost left "
        "hand entry.  Then include other keywords that describe your site into the other entry "
        "fields with the least significant keyword in the lowermost right hand entry field.",
        noteGroup_, "noteText");
    noteText_->setWordWrap(true);
    auto* noteLayout = new QVBoxLayout(noteGroup_);
    noteLayout->addWidget(noteText_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(keywordsGroup_);
    layout->addWidget(noteGroup_);
    layout->addStretch();
}

void SiteTextPage::load(const profile::SubmissionProfile& profile) {
    titleField_->setText(toQt(profile.title));
    descriptionField_->setPlainText(toQt(profile.description));
    for (std::size_t i = 0; i < profile.keywords.size(); ++i) {
        keywordFields_[i]->setText(toQt(profile.keywords[i]));
    }
}

void SiteTextPage::save(profile::SubmissionProfile& profile) const {
    profile.title = fieldText(titleField_);
    profile.description = fromQt(descriptionField_->text());
    for (std::size_t i = 0; i < profile.keywords.size(); ++i) {
        profile.keywords[i] = fieldText(keywordFields_[i]);
    }
}

void SiteTextPage::applyCaptions(const app::CaptionCatalogue& captions) {
    setCaption(titleLabel_, captions, 20);
    setCaption(noteText_, captions, 21);
    setCaption(keywordsGroup_, captions, 34);
    setCaption(noteGroup_, captions, 35);
}

void SiteTextPage::setTitle(const std::string& title) {
    titleField_->setText(toQt(title));
}

}  // namespace farrow::ui
