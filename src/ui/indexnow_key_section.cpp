#include "ui/indexnow_key_section.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "indexnow/indexnow_key.h"
#include "ui/latin1.h"

namespace farrow::ui {

IndexNowKeySection::IndexNowKeySection(std::string siteUrl, base::Workspace workspace,
                                       std::function<bool(const std::string& key)> askReplace,
                                       QWidget* parent)
    : QGroupBox("Key", parent),
      siteUrl_(std::move(siteUrl)),
      workspace_(std::move(workspace)),
      askReplace_(std::move(askReplace)) {
    keyField_ = new QLineEdit(this);
    keyField_->setObjectName("keyField");
    keyField_->setMaxLength(static_cast<int>(indexnow::kMaxKeyLength));
    makeKeyButton_ = new QPushButton("Make Key", this);
    makeKeyButton_->setObjectName("makeKeyButton");
    publishLabel_ = new QLabel(this);
    publishLabel_->setObjectName("publishLabel");
    publishLabel_->setWordWrap(true);
    publishLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    keyLocationField_ = new QLineEdit(this);
    keyLocationField_->setObjectName("keyLocationField");
    keyLocationField_->setPlaceholderText("at the root of the site");
    verifyButton_ = new QPushButton("Verify", this);
    verifyButton_->setObjectName("verifyButton");
    verifyLabel_ = new QLabel(this);
    verifyLabel_->setObjectName("verifyLabel");
    verifyLabel_->setWordWrap(true);
    verifyLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Key:", this), 0, 0);
    layout->addWidget(keyField_, 0, 1);
    layout->addWidget(makeKeyButton_, 0, 2);
    layout->addWidget(publishLabel_, 1, 1, 1, 2);
    layout->addWidget(new QLabel("Key file at:", this), 2, 0);
    layout->addWidget(keyLocationField_, 2, 1);
    layout->addWidget(verifyButton_, 2, 2);
    layout->addWidget(verifyLabel_, 3, 1, 1, 2);
    connect(makeKeyButton_, &QPushButton::clicked, this, &IndexNowKeySection::onMakeKey);
    connect(verifyButton_, &QPushButton::clicked, this, &IndexNowKeySection::verifyRequested);

    const indexnow::LoadedKey loaded = indexnow::loadKey(workspace_);
    if (loaded.key) {
        keyField_->setText(toQt(*loaded.key));
        showKey(*loaded.key);
    } else if (loaded.error.code == base::ErrorCode::NotFound) {
        publishLabel_->setText("This workspace has no key yet: make one.");
    } else {
        publishLabel_->setText("The workspace's key cannot be used: " + toQt(loaded.error.reason));
    }
}

std::optional<indexnow::KeyScope> IndexNowKeySection::scope(QString& problem) const {
    const std::string key = fromQt(keyField_->text().trimmed());
    if (key.empty()) {
        problem = "There is no key: make one first.";
        return std::nullopt;
    }
    if (const std::string wrong = indexnow::keyProblem(key); !wrong.empty()) {
        problem = "The key will not do: " + toQt(wrong);
        return std::nullopt;
    }
    const indexnow::ScopeResult scope =
        indexnow::keyScope(siteUrl_, key, fromQt(keyLocationField_->text().trimmed()));
    if (!scope.scope) {
        problem = toQt(scope.error.reason);
    }
    return scope.scope;
}

void IndexNowKeySection::showVerification(const QString& text) {
    verifyLabel_->setText(text);
}

void IndexNowKeySection::setInputEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{makeKeyButton_, verifyButton_,
                                                            keyField_, keyLocationField_}) {
        control->setEnabled(enabled);
    }
}

void IndexNowKeySection::onMakeKey() {
    // The site may publish the key there is: replacing it is the user's choice.
    if (const indexnow::LoadedKey kept = indexnow::loadKey(workspace_);
        kept.key && !(askReplace_ && askReplace_(*kept.key))) {
        return;
    }
    const indexnow::MadeKey made = indexnow::makeKey();
    if (!made.key) {
        publishLabel_->setText("No key was made: " + toQt(made.error.reason));
        return;
    }
    if (const base::Error e = indexnow::saveKey(workspace_, *made.key)) {
        publishLabel_->setText("The key could not be saved: " + toQt(e.reason));
        return;
    }
    keyField_->setText(toQt(*made.key));
    showKey(*made.key);
    verifyLabel_->clear();
}

void IndexNowKeySection::showKey(const std::string& key) {
    const auto site = indexnow::urlParts(siteUrl_);
    const std::string at = (site ? site->scheme : std::string("https")) + "://" +
                           (site ? site->host : std::string("HOST")) + "/" + key + ".txt";
    publishLabel_->setText("Publish the file " +
                           pathToQt(indexnow::publishedKeyPath(workspace_, key)) + " at " +
                           toQt(at));
}

QString IndexNowKeySection::keyLocation() const {
    return keyLocationField_->text();
}

void IndexNowKeySection::setKeyLocation(const QString& location) {
    keyLocationField_->setText(location);
}

}  // namespace farrow::ui
