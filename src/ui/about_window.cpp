#include "ui/about_window.h"

#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/user_settings.h"
#include "ui/latin1.h"
#include "ui/raised_frame.h"

namespace farrow::ui {

namespace {

constexpr int kIconSize = 40;

QLineEdit* centredLine(const std::string& text, QWidget* parent) {
    auto* line = new QLineEdit(toQt(text), parent);
    line->setReadOnly(true);
    line->setFrame(false);
    line->setAlignment(Qt::AlignCenter);
    line->setFocusPolicy(Qt::NoFocus);
    QPalette flat = line->palette();
    flat.setColor(QPalette::Base, flat.color(QPalette::Window));
    line->setPalette(flat);
    return line;
}

}  // namespace

AboutWindow::AboutWindow(const base::Branding& branding, const QIcon& icon, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("aboutWindow");
    QFrame* frame = addRaisedFrame(this);

    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(16, 14, 16, 12);
    auto* iconLabel = new QLabel(frame);
    iconLabel->setObjectName("aboutIcon");
    iconLabel->setFixedSize(kIconSize, kIconSize);
    if (!icon.isNull()) {
        iconLabel->setPixmap(icon.pixmap(32, 32));
    }
    grid->addWidget(iconLabel, 0, 0, 3, 1, Qt::AlignTop | Qt::AlignLeft);

    int row = 0;
    const std::string version = "Version " + std::string(app::kProductVersion);
    for (const std::string* text :
         {&branding.productName, &version, &branding.vendorName, &branding.vendorLine}) {
        grid->addWidget(centredLine(*text, frame), row++, 1);
    }
    grid->addWidget(centredLine("Sales : " + branding.salesContact, frame), row++, 0, 1, 3);
    grid->addWidget(centredLine("Information : " + branding.infoContact, frame), row++, 0, 1, 3);
    grid->setColumnMinimumWidth(2, 40);
    grid->setColumnMinimumWidth(1, 300);

    auto* dismiss = new QPushButton("Dismiss", frame);
    dismiss->setObjectName("dismissButton");
    dismiss->setDefault(true);
    connect(dismiss, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(dismiss, row, 0, 1, 3, Qt::AlignCenter);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace farrow::ui
