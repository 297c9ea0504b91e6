#pragma once

#include <array>

#include "app/user_settings.h"
#include "ui/profile_page.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace farrow::ui {

// Page 1: the user's personal values and browser choice. None of them belongs to the profile;
// the page loads and saves the user settings instead.
class SettingsPage final : public ProfilePage {
    Q_OBJECT
public:
    SettingsPage();
    using ProfilePage::load;
    using ProfilePage::save;

    // Shows the four personal values and the browser choice of `settings`.
    void load(const app::UserSettings& settings);
    // Stores the four fields and the chosen browser; no choice stores the first browser.
    void save(app::UserSettings& settings) const;
    // Shows the stored personal values again, dropping unsaved edits; the browser is left.
    void resetPersonalFields(const app::UserSettings& settings);
    void applyCaptions(const app::CaptionCatalogue& captions) override;

signals:
    void saveSettingsClicked();

private:
    QGroupBox* personalGroup_ = nullptr;
    // First, middle and last name and e-mail address.
    std::array<QLabel*, 4> personalLabels_{};
    std::array<QLineEdit*, 4> personalFields_{};
    QGroupBox* browserGroup_ = nullptr;
    QComboBox* browserList_ = nullptr;
    QPushButton* saveSettingsButton_ = nullptr;
};

}  // namespace farrow::ui
