#pragma once

#include <array>
#include <string>

#include "ui/profile_page.h"

class QLabel;
class QLineEdit;

namespace farrow::ui {

// Page 0: the product picture and five read-only lines about the product.
class StartPage final : public ProfilePage {
    Q_OBJECT
public:
    static constexpr std::size_t kLineCount = 5;

    StartPage();

    // Shows the bitmap in `file`; a missing or unreadable file leaves the picture empty.
    void showPicture(const std::string& file);
    // Product name, version, date, vendor line and vendor name, top to bottom.
    void showLines(const std::array<std::string, kLineCount>& values);

private:
    QLabel* picture_ = nullptr;
    std::array<QLineEdit*, kLineCount> lines_{};
};

}  // namespace farrow::ui
