#pragma once

#include <QGroupBox>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

namespace farrow::ui {

// The engines the announcement dialog asks, one a line, tried in order.
class IndexNowEndpointSection final : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kFieldHeight = 60;

    explicit IndexNowEndpointSection(QWidget* parent);

    // The endpoints named, or none with `problem` saying what is wrong.
    std::vector<std::string> endpoints(QString& problem) const;
    void setInputEnabled(bool enabled);
    // The field as typed, one endpoint a line.
    QString text() const;
    void setText(const QString& text);

private:
    // Says which engine "Announce" asks first, so that a remembered endpoint is seen.
    void showFirstEndpoint();

    QPlainTextEdit* field_ = nullptr;
    QLabel* firstLabel_ = nullptr;
};

}  // namespace farrow::ui
