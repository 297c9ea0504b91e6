#pragma once

#include <array>
#include <string>

#include "ui/profile_page.h"

class QGroupBox;
class QLabel;
class QLineEdit;

namespace farrow::ui {

class Latin1TextEdit;

// Page 3: the title, description and sixteen keywords of the site.
class SiteTextPage final : public ProfilePage {
    Q_OBJECT
public:
    SiteTextPage();

    void load(const profile::SubmissionProfile& profile) override;
    void save(profile::SubmissionProfile& profile) const override;
    void applyCaptions(const app::CaptionCatalogue& captions) override;
    void setTitle(const std::string& title);

private:
    QLabel* titleLabel_ = nullptr;
    QLineEdit* titleField_ = nullptr;
    Latin1TextEdit* descriptionField_ = nullptr;
    QGroupBox* keywordsGroup_ = nullptr;
    // Keyword 1 at the upper left, left to right, then top to bottom.
    std::array<QLineEdit*, profile::kKeywordCount> keywordFields_{};
    QGroupBox* noteGroup_ = nullptr;
    QLabel* noteText_ = nullptr;
};

}  // namespace farrow::ui
