#include "ui/latin1.h"

#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <QValidator>
#include <algorithm>

namespace farrow::ui {

namespace {

void explain(QWidget* field, const QString& explanation) {
    field->setToolTip(explanation);
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), explanation, field);
}

// Takes `excess` characters out of `text`: those just before `position`, which is where the
// cursor stands after what was put in, and any still beyond from the end.
void cutBefore(QString& text, int& position, int excess) {
    const int before = std::min(excess, position);
    text.remove(position - before, before);
    position -= before;
    text.chop(excess - before);
    position = std::min(position, static_cast<int>(text.size()));
}

class Latin1Validator final : public QValidator {
public:
    Latin1Validator(QLineEdit* field, int maxLength)
        : QValidator(field), field_(field), maxLength_(maxLength) {}

    State validate(QString& input, int& position) const override {
        if (!isLatin1(input)) {
            explain(field_, kLatin1Explanation);
            return Invalid;
        }
        if (maxLength_ > 0 && input.size() > maxLength_) {
            cutBefore(input, position, static_cast<int>(input.size()) - maxLength_);
            explain(field_, lengthExplanation(maxLength_));
        }
        return Acceptable;
    }

private:
    QLineEdit* field_;
    int maxLength_;
};

}  // namespace

std::string pathFromQt(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString pathToQt(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

QString messageToQt(const std::string& text) {
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii) {
        const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
        const QString decoded = QString::fromUtf8(bytes);
        if (decoded.toUtf8() == bytes) {
            return pathToQt(text);
        }
    }
    return toQt(text);
}

bool isLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

QString lengthExplanation(int maxLength) {
    return QString("At most %1 characters fit here: a saved profile keeps no more.").arg(maxLength);
}

void acceptLatin1Only(QLineEdit* edit, int maxLength) {
    edit->setValidator(new Latin1Validator(edit, maxLength));
    if (maxLength > 0) {
        edit->setToolTip(lengthExplanation(maxLength));
    }
}

Latin1TextEdit::Latin1TextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    connect(this, &QPlainTextEdit::textChanged, this, &Latin1TextEdit::keepWithinMaxLength);
}

void Latin1TextEdit::setMaxLength(int maximum) {
    maxLength_ = maximum;
    if (maximum > 0) {
        setToolTip(lengthExplanation(maximum));
    }
    keepWithinMaxLength();
}

void Latin1TextEdit::keepWithinMaxLength() {
    if (maxLength_ <= 0) {
        return;
    }
    // The document counts each line break as one character, as `text()` does.
    const int excess = document()->characterCount() - 1 - maxLength_;
    if (excess <= 0) {
        return;
    }
    QTextCursor cursor = textCursor();
    const int before = std::min(excess, cursor.position());
    cursor.setPosition(cursor.position() - before, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (excess > before) {
        cursor.movePosition(QTextCursor::End);
        cursor.setPosition(cursor.position() - (excess - before), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    explain(this, lengthExplanation(maxLength_));
}

QString Latin1TextEdit::text() const {
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, '\n');
    raw.replace(QChar::LineSeparator, '\n');
    return raw;
}

void Latin1TextEdit::keyPressEvent(QKeyEvent* event) {
    if (!isLatin1(event->text())) {
        explain(this, kLatin1Explanation);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Latin1TextEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!isLatin1(event->commitString())) {
        explain(this, kLatin1Explanation);
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void Latin1TextEdit::insertFromMimeData(const QMimeData* source) {
    // The clipboard is read once and its text inserted here: a program that serves a paste
    // only once may be gone, its data with it, before the base class would read it again.
    const QString text = source->text();
    if (!isLatin1(text)) {
        explain(this, kLatin1Explanation);
        return;
    }
    if (isReadOnly() || text.isEmpty()) {
        return;
    }
    insertPlainText(text);
    ensureCursorVisible();
}

}  // namespace farrow::ui
