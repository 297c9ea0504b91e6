#pragma once

#include <QDialog>

#include "app/branding.h"

namespace farrow::ui {

// The caption-less About box: the icon, the product and vendor lines and the two contacts.
class AboutWindow final : public QDialog {
    Q_OBJECT
public:
    AboutWindow(const base::Branding& branding, const QIcon& icon, QWidget* parent = nullptr);
};

}  // namespace farrow::ui
