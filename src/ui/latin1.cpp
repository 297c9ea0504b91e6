#include "ui/latin1.h"

#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextDocument>
#include <QToolTip>
#include <QValidator>
#include <algorithm>

namespace farrow::ui {

namespace {

void explainRefusal(QWidget* field) {
    field->setToolTip(kLatin1Explanation);
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), kLatin1Explanation, field);
}

class Latin1Validator final : public QValidator {
public:
    explicit Latin1Validator(QLineEdit* field) : QValidator(field), field_(field) {}

    State validate(QString& input, int&) const override {
        if (isLatin1(input)) {
            return Acceptable;
        }
        explainRefusal(field_);
        return Invalid;
    }

private:
    QLineEdit* field_;
};

}  // namespace

std::string pathFromQt(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString pathToQt(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

bool isLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

void acceptLatin1Only(QLineEdit* edit) {
    edit->setValidator(new Latin1Validator(edit));
}

QString Latin1TextEdit::text() const {
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, '\n');
    raw.replace(QChar::LineSeparator, '\n');
    return raw;
}

void Latin1TextEdit::keyPressEvent(QKeyEvent* event) {
    if (!isLatin1(event->text())) {
        explainRefusal(this);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Latin1TextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!isLatin1(event->commitString())) {
        explainRefusal(this);
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void Latin1TextEdit::insertFromMimeData(const QMimeData* source) {
    if (!isLatin1(source->text())) {
        explainRefusal(this);
        return;
    }
    QPlainTextEdit::insertFromMimeData(source);
}

}  // namespace farrow::ui
