#pragma once

#include <QGroupBox>
#include <functional>
#include <optional>
#include <string>

#include "base/workspace.h"
#include "indexnow/key_scope.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace farrow::ui {

// The key of the announcement dialog: the workspace's key, making a new one with the file to
// publish, where the key file lies, and its check.
class IndexNowKeySection final : public QGroupBox {
    Q_OBJECT
public:
    // `askReplace` is asked before a new key replaces the workspace's; true to replace it.
    IndexNowKeySection(std::string siteUrl, base::Workspace workspace,
                       std::function<bool(const std::string& key)> askReplace, QWidget* parent);

    // The key's scope as the fields give it, or nothing with `problem` saying what is wrong.
    std::optional<indexnow::KeyScope> scope(QString& problem) const;
    void showVerification(const QString& text);
    void setInputEnabled(bool enabled);
    // The key file's location as typed; empty for the root of the site.
    QString keyLocation() const;
    void setKeyLocation(const QString& location);

signals:
    void verifyRequested();

private:
    void onMakeKey();
    void showKey(const std::string& key);

    std::string siteUrl_;
    base::Workspace workspace_;
    std::function<bool(const std::string& key)> askReplace_;
    QLineEdit* keyField_ = nullptr;
    QPushButton* makeKeyButton_ = nullptr;
    QLabel* publishLabel_ = nullptr;
    QLineEdit* keyLocationField_ = nullptr;
    QPushButton* verifyButton_ = nullptr;
    QLabel* verifyLabel_ = nullptr;
};

}  // namespace farrow::ui
