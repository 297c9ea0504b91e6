#include "ui/indexnow_endpoint_section.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "indexnow/indexnow_request.h"
#include "indexnow/key_scope.h"
#include "ui/latin1.h"

namespace farrow::ui {

IndexNowEndpointSection::IndexNowEndpointSection(QWidget* parent)
    : QGroupBox("Endpoints, one a line, tried in order", parent) {
    field_ = new QPlainTextEdit(toQt(indexnow::kDefaultEndpoint), this);
    field_->setObjectName("endpointsField");
    field_->setFixedHeight(kFieldHeight);
    firstLabel_ = new QLabel(this);
    firstLabel_->setObjectName("firstEndpointLabel");
    firstLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(field_);
    layout->addWidget(firstLabel_);
    connect(field_, &QPlainTextEdit::textChanged, this,
            &IndexNowEndpointSection::showFirstEndpoint);
    showFirstEndpoint();
}

QString IndexNowEndpointSection::text() const {
    return field_->toPlainText();
}

void IndexNowEndpointSection::setText(const QString& text) {
    field_->setPlainText(text);
}

void IndexNowEndpointSection::showFirstEndpoint() {
    QString problem;
    const std::vector<std::string> named = endpoints(problem);
    if (named.empty()) {
        firstLabel_->setText(problem);
        return;
    }
    QString text = "Announce asks " + toQt(named.front());
    if (named.front() == indexnow::kDefaultEndpoint) {
        text += " (the public default)";
    }
    if (named.size() > 1) {
        text += QString(", then %1 more if it cannot take the URLs").arg(named.size() - 1);
    }
    firstLabel_->setText(text + ".");
}

std::vector<std::string> IndexNowEndpointSection::endpoints(QString& problem) const {
    std::vector<std::string> endpoints;
    for (const QString& line : field_->toPlainText().split('\n')) {
        const std::string endpoint = fromQt(line.trimmed());
        if (endpoint.empty()) {
            continue;
        }
        if (!indexnow::urlParts(endpoint)) {
            problem = "\"" + toQt(endpoint) + "\" is no http or https address.";
            return {};
        }
        endpoints.push_back(endpoint);
    }
    if (endpoints.empty()) {
        problem = "Name at least one endpoint.";
    }
    return endpoints;
}

void IndexNowEndpointSection::setInputEnabled(bool enabled) {
    field_->setEnabled(enabled);
}

}  // namespace farrow::ui
