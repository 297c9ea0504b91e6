#pragma once

#include <QDialog>

namespace farrow::ui {

// "Are you sure you want to exit?": accepted for "OK", rejected for "Cancel". With
// `fieldsChanged` it also says that the profile's fields changed since they were last loaded or
// saved, and "Cancel" is the default button instead of "OK".
class ExitPrompt final : public QDialog {
    Q_OBJECT
public:
    explicit ExitPrompt(bool fieldsChanged, QWidget* parent = nullptr);
};

}  // namespace farrow::ui
