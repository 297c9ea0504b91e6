#include "ui/indexnow_google_section.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "ui/latin1.h"

namespace farrow::ui {

IndexNowGoogleSection::IndexNowGoogleSection(
    base::Workspace workspace, const std::string& defaultCredentials,
    std::function<std::string(QWidget* parent)> chooseCredentialsFile, QWidget* parent)
    : QGroupBox("Google Search Console", parent),
      workspace_(std::move(workspace)),
      chooseCredentialsFile_(std::move(chooseCredentialsFile)) {
    auto* credentialsLabel = new QLabel("Key file:", this);
    credentialsField_ = new QLineEdit(pathToQt(defaultCredentials), this);
    credentialsField_->setObjectName("credentialsField");
    credentialsField_->setPlaceholderText("the service account's JSON key file");
    credentialsLabel->setBuddy(credentialsField_);
    browseButton_ = new QPushButton("Browse...", this);
    browseButton_->setObjectName("browseCredentialsButton");
    auto* propertyLabel = new QLabel("Property:", this);
    propertyField_ = new QLineEdit(this);
    propertyField_->setObjectName("propertyField");
    propertyField_->setPlaceholderText("the account's property that covers the site");
    propertyLabel->setBuddy(propertyField_);
    checkButton_ = new QPushButton("Check", this);
    checkButton_->setObjectName("googleCheckButton");
    checkButton_->setToolTip("Get a token and find the property that covers the site");
    submitButton_ = new QPushButton("Submit sitemaps", this);
    submitButton_->setObjectName("googleSubmitButton");
    submitButton_->setToolTip("Submit the sitemaps robots.txt names, then read their state");
    inspectButton_ = new QPushButton("Inspect", this);
    inspectButton_->setObjectName("googleInspectButton");
    inspectButton_->setToolTip("Ask Google, URL by URL, whether it has indexed the URLs above");

    auto* grid = new QGridLayout;
    grid->addWidget(credentialsLabel, 0, 0);
    grid->addWidget(credentialsField_, 0, 1);
    grid->addWidget(browseButton_, 0, 2);
    grid->addWidget(propertyLabel, 1, 0);
    grid->addWidget(propertyField_, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(checkButton_);
    buttons->addWidget(submitButton_);
    buttons->addWidget(inspectButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(browseButton_, &QPushButton::clicked, this, &IndexNowGoogleSection::onBrowse);
    connect(checkButton_, &QPushButton::clicked, this, &IndexNowGoogleSection::checkRequested);
    connect(submitButton_, &QPushButton::clicked, this,
            &IndexNowGoogleSection::submitSitemapsRequested);
    connect(inspectButton_, &QPushButton::clicked, this, &IndexNowGoogleSection::inspectRequested);
}

std::string IndexNowGoogleSection::credentialsFile() const {
    const QString field = credentialsField_->text().trimmed();
    if (field.isEmpty()) {
        return {};
    }
    const std::filesystem::path file(pathFromQt(field));
    return file.is_relative() ? (std::filesystem::path(workspace_.root()) / file).string()
                              : file.string();
}

std::string IndexNowGoogleSection::property() const {
    return fromQt(propertyField_->text().trimmed());
}

void IndexNowGoogleSection::setInputEnabled(bool enabled) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{credentialsField_, browseButton_, propertyField_,
                                         checkButton_, submitButton_, inspectButton_}) {
        control->setEnabled(enabled);
    }
}

QString IndexNowGoogleSection::credentialsText() const {
    return credentialsField_->text();
}

QString IndexNowGoogleSection::propertyText() const {
    return propertyField_->text();
}

void IndexNowGoogleSection::setFields(const QString& credentials, const QString& property) {
    if (!credentials.isEmpty()) {
        credentialsField_->setText(credentials);
    }
    propertyField_->setText(property);
}

void IndexNowGoogleSection::onBrowse() {
    if (!chooseCredentialsFile_) {
        return;
    }
    const std::string path = chooseCredentialsFile_(this);
    if (!path.empty()) {
        credentialsField_->setText(pathToQt(path));
    }
}

}  // namespace farrow::ui
