#pragma once

#include <QGroupBox>
#include <functional>
#include <string>

#include "base/workspace.h"

class QLineEdit;
class QPushButton;

namespace farrow::ui {

// Google's Search Console: the service account's key file, the property (empty: the one that
// covers the site), and the three things the dialog asks of it. The URLs Inspect asks about are
// those the URL section names.
class IndexNowGoogleSection final : public QGroupBox {
    Q_OBJECT
public:
    // `defaultCredentials` is what an empty field stands for; `chooseCredentialsFile` answers
    // "Browse..." with a path, or empty when the user cancels.
    IndexNowGoogleSection(base::Workspace workspace, const std::string& defaultCredentials,
                          std::function<std::string(QWidget* parent)> chooseCredentialsFile,
                          QWidget* parent);

    // The key file as typed, a name without its folder being one of the workspace's; empty
    // when the field is.
    std::string credentialsFile() const;
    std::string property() const;
    void setInputEnabled(bool enabled);
    // The fields as typed, for the dialog to remember.
    QString credentialsText() const;
    QString propertyText() const;
    void setFields(const QString& credentials, const QString& property);

signals:
    void checkRequested();
    void submitSitemapsRequested();
    void inspectRequested();

private:
    void onBrowse();

    base::Workspace workspace_;
    std::function<std::string(QWidget* parent)> chooseCredentialsFile_;
    QLineEdit* credentialsField_ = nullptr;
    QPushButton* browseButton_ = nullptr;
    QLineEdit* propertyField_ = nullptr;
    QPushButton* checkButton_ = nullptr;
    QPushButton* submitButton_ = nullptr;
    QPushButton* inspectButton_ = nullptr;
};

}  // namespace farrow::ui
