#include "ui/settings_page.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kBrowserListWidth = 220;

// The personal values in the order of the fields.
std::array<const std::string*, 4> personalValues(const app::UserSettings& s) {
    return {&s.userFirstName, &s.userMiddleName, &s.userLastName, &s.userEmail};
}

}  // namespace

SettingsPage::SettingsPage() : ProfilePage("settingsPage") {
    personalGroup_ = new QGroupBox("Personal Info", this);
    personalGroup_->setObjectName("personalGroup");
    auto* form = new QFormLayout(personalGroup_);
    const char* captions[] = {"First Name:", "Middle Name:", "Last Name:", "EMail Address:"};
    const char* names[] = {"userFirstName", "userMiddleName", "userLastName", "userEmail"};
    for (std::size_t i = 0; i < personalFields_.size(); ++i) {
        personalLabels_[i] = label(captions[i], personalGroup_, QString(names[i]) + "Label");
        personalFields_[i] = lineEdit(personalGroup_, names[i]);
        form->addRow(personalLabels_[i], personalFields_[i]);
    }

    browserGroup_ = new QGroupBox("Browser Choice", this);
    browserGroup_->setObjectName("browserGroup");
    browserList_ = new QComboBox(browserGroup_);
    browserList_->setObjectName("browserList");
    browserList_->setMinimumWidth(kBrowserListWidth);
    for (const char* browser : app::kBrowserChoices) {
        browserList_->addItem(browser);
    }
    browserList_->setCurrentIndex(-1);
    auto* browserLayout = new QHBoxLayout(browserGroup_);
    browserLayout->addWidget(browserList_);
    browserLayout->addStretch();

    saveSettingsButton_ = button("Save Settings", this, "saveSettingsButton");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(personalGroup_);
    layout->addWidget(browserGroup_);
    layout->addWidget(saveSettingsButton_, 0, Qt::AlignRight);
    layout->addStretch();

    connect(saveSettingsButton_, &QPushButton::clicked, this, &SettingsPage::saveSettingsClicked);
}

void SettingsPage::load(const app::UserSettings& settings) {
    resetPersonalFields(settings);
    browserList_->setCurrentIndex(app::browserIndexFor(settings.browserChoice));
}

void SettingsPage::save(app::UserSettings& settings) const {
    std::string* values[] = {&settings.userFirstName, &settings.userMiddleName,
                             &settings.userLastName, &settings.userEmail};
    for (std::size_t i = 0; i < personalFields_.size(); ++i) {
        *values[i] = fieldText(personalFields_[i]);
    }
    const int browser = browserList_->currentIndex();
    settings.browserChoice = browser < 0 ? app::kBrowserChoices[0] : app::kBrowserChoices[browser];
}

void SettingsPage::resetPersonalFields(const app::UserSettings& settings) {
    const auto values = personalValues(settings);
    for (std::size_t i = 0; i < personalFields_.size(); ++i) {
        personalFields_[i]->setText(toQt(*values[i]));
    }
}

void SettingsPage::applyCaptions(const app::CaptionCatalogue& captions) {
    for (std::size_t i = 0; i < personalLabels_.size(); ++i) {
        setCaption(personalLabels_[i], captions, 1 + i);
    }
    setCaption(personalGroup_, captions, 24);
    setCaption(browserGroup_, captions, 26);
    setCaption(saveSettingsButton_, captions, 27);
}

}  // namespace farrow::ui
