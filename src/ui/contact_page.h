#pragma once

#include <array>
#include <string>

#include "ui/profile_page.h"

class QGroupBox;
class QLabel;
class QLineEdit;

namespace farrow::ui {

// Page 2: the address of the site and its owner's contact details.
class ContactPage final : public ProfilePage {
    Q_OBJECT
public:
    ContactPage();

    void load(const profile::SubmissionProfile& profile) override;
    void save(profile::SubmissionProfile& profile) const override;
    void applyCaptions(const app::CaptionCatalogue& captions) override;
    void setUrl(const std::string& url);

private:
    // The fields in the order of the profile's values they show.
    std::array<std::pair<QLineEdit*, std::string profile::SubmissionProfile::*>, 13> fields() const;

    QGroupBox* contactGroup_ = nullptr;
    // In the order of their caption lines.
    std::array<QLabel*, 12> contactLabels_{};
    QLineEdit* urlField_ = nullptr;
    QLineEdit* firstNameField_ = nullptr;
    QLineEdit* lastNameField_ = nullptr;
    QLineEdit* emailField_ = nullptr;
    QLineEdit* companyField_ = nullptr;
    QLineEdit* street1Field_ = nullptr;
    QLineEdit* street2Field_ = nullptr;
    QLineEdit* cityField_ = nullptr;
    QLineEdit* stateField_ = nullptr;
    QLineEdit* provinceField_ = nullptr;
    QLineEdit* postalCodeField_ = nullptr;
    QLineEdit* phoneField_ = nullptr;
    QLineEdit* faxField_ = nullptr;
};

}  // namespace farrow::ui
