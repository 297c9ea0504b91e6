#include "ui/start_page.h"

#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>

#include "platform/file_system.h"
#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kPictureMargin = 20;
constexpr int kPictureHeight = 250;
constexpr int kLineWidth = 360;

}  // namespace

StartPage::StartPage() : ProfilePage("startPage") {
    picture_ = label(QString(), this, "picture");
    picture_->setFixedSize(kPageWidth - kPictureMargin, kPictureHeight);
    picture_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture_, 0, Qt::AlignHCenter);
    const char* names[] = {"productLine", "versionLine", "dateLine", "vendorLineField",
                           "vendorNameLine"};
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        lines_[i] = readOnlyLine(this, names[i]);
        lines_[i]->setFixedWidth(kLineWidth);
        layout->addWidget(lines_[i], 0, Qt::AlignHCenter);
    }
    layout->addStretch();
}

void StartPage::showPicture(const std::string& file) {
    QPixmap picture;
    if (!platform::fileExists(file) || !picture.load(pathToQt(file), "BMP")) {
        return;
    }
    // Shown at its own size; only a picture larger than its place is scaled down to fit.
    if (picture.width() > picture_->width() || picture.height() > picture_->height()) {
        picture = picture.scaled(picture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    picture_->setPixmap(picture);
}

void StartPage::showLines(const std::array<std::string, kLineCount>& values) {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        lines_[i]->setText(toQt(values[i]));
    }
}

}  // namespace farrow::ui
