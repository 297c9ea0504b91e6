#include "ui/contact_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui {

ContactPage::ContactPage() : ProfilePage("contactPage") {
    contactGroup_ = new QGroupBox("Contact Information", this);
    contactGroup_->setObjectName("contactGroup");
    auto* grid = new QGridLayout(contactGroup_);
    grid->setHorizontalSpacing(8);

    const char* captions[] = {"URL Address:",  "First Name",      "Last Name:",    "EMail Address:",
                              "Company Name:", "Street Address:", "City:",         "State:",
                              "Province:",     "Postal Code:",    "Phone Number:", "Fax Number:"};
    for (std::size_t i = 0; i < contactLabels_.size(); ++i) {
        contactLabels_[i] = label(captions[i], contactGroup_, QString("contactLabel%1").arg(i));
    }
    urlField_ = profileField(contactGroup_, "url");
    firstNameField_ = profileField(contactGroup_, "firstName");
    lastNameField_ = profileField(contactGroup_, "lastName");
    emailField_ = profileField(contactGroup_, "email");
    companyField_ = profileField(contactGroup_, "company");
    street1Field_ = profileField(contactGroup_, "street1");
    street2Field_ = profileField(contactGroup_, "street2");
    cityField_ = profileField(contactGroup_, "city");
    stateField_ = profileField(contactGroup_, "state");
    provinceField_ = profileField(contactGroup_, "province");
    postalCodeField_ = profileField(contactGroup_, "postalCode");
    phoneField_ = profileField(contactGroup_, "phone");
    faxField_ = profileField(contactGroup_, "fax");

    // Label and field pairs, two to a row; the address lines take the whole width.
    grid->addWidget(contactLabels_[0], 0, 0);
    grid->addWidget(urlField_, 0, 1, 1, 3);
    grid->addWidget(contactLabels_[1], 1, 0);
    grid->addWidget(firstNameField_, 1, 1);
    grid->addWidget(contactLabels_[2], 1, 2);
    grid->addWidget(lastNameField_, 1, 3);
    grid->addWidget(contactLabels_[3], 2, 0);
    grid->addWidget(emailField_, 2, 1, 1, 3);
    grid->addWidget(contactLabels_[4], 3, 0);
    grid->addWidget(companyField_, 3, 1, 1, 3);
    grid->addWidget(contactLabels_[5], 4, 0);
    grid->addWidget(street1Field_, 4, 1, 1, 3);
    grid->addWidget(street2Field_, 5, 1, 1, 3);
    grid->addWidget(contactLabels_[6], 6, 0);
    grid->addWidget(cityField_, 6, 1);
    grid->addWidget(contactLabels_[7], 6, 2);
    grid->addWidget(stateField_, 6, 3);
    grid->addWidget(contactLabels_[8], 7, 0);
    grid->addWidget(provinceField_, 7, 1);
    grid->addWidget(contactLabels_[9], 7, 2);
    grid->addWidget(postalCodeField_, 7, 3);
    grid->addWidget(contactLabels_[10], 8, 0);
    grid->addWidget(phoneField_, 8, 1);
    grid->addWidget(contactLabels_[11], 8, 2);
    grid->addWidget(faxField_, 8, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(contactGroup_);
    layout->addStretch();
}

std::array<std::pair<QLineEdit*, std::string profile::SubmissionProfile::*>, 13>
ContactPage::fields() const {
    using P = profile::SubmissionProfile;
    return {{{urlField_, &P::url},
             {lastNameField_, &P::lastName},
             {firstNameField_, &P::firstName},
             {emailField_, &P::email},
             {companyField_, &P::company},
             {street1Field_, &P::street1},
             {street2Field_, &P::street2},
             {cityField_, &P::city},
             {stateField_, &P::state},
             {postalCodeField_, &P::postalCode},
             {provinceField_, &P::province},
             {phoneField_, &P::phone},
             {faxField_, &P::fax}}};
}

void ContactPage::load(const profile::SubmissionProfile& profile) {
    for (const auto& [edit, value] : fields()) {
        edit->setText(toQt(profile.*value));
    }
}

void ContactPage::save(profile::SubmissionProfile& profile) const {
    for (const auto& [edit, value] : fields()) {
        profile.*value = fieldText(edit);
    }
}

void ContactPage::applyCaptions(const app::CaptionCatalogue& captions) {
    for (std::size_t i = 0; i < contactLabels_.size(); ++i) {
        setCaption(contactLabels_[i], captions, 8 + i);
    }
    setCaption(contactGroup_, captions, 29);
}

void ContactPage::setUrl(const std::string& url) {
    urlField_->setText(toQt(url));
}

}  // namespace farrow::ui
