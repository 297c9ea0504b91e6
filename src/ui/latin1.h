#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <string>

class QLineEdit;
class QWidget;

namespace farrow::ui {

// The core's texts are single-byte: each byte is the Latin-1 character of that code. These are
// the only conversions between its texts and Qt's, so a byte 128-255 reaches a widget as its
// character and comes back as the same byte.
inline QString toQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQt(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// File names are the file system's bytes, not texts: they keep the local 8-bit encoding.
std::string pathFromQt(const QString& path);
QString pathToQt(const std::string& path);

// A message may name a file among its single-byte words. A text that is wholly UTF-8 and holds
// a character beyond ASCII is read as the file system's bytes, which is what such a name is; a
// single-byte text is that only when it holds letter pairs like "Ã¼", which no message has.
// Any other text is read as `toQt` reads it.
QString messageToQt(const std::string& text);

// What a field says when it refuses a character that a single-byte text cannot hold.
inline constexpr const char* kLatin1Explanation =
    "Only Western European (Latin-1) characters can be entered here.";

bool isLatin1(const QString& text);

// What a field with a length limit says when it cuts what was put in, and on hovering.
QString lengthExplanation(int maxLength);

// Makes `edit` refuse typed or pasted characters above U+00FF; a refusal shows the explanation
// on the field. With a `maxLength` above 0 the field keeps at most that many characters: what
// goes beyond is cut where it was put in, and the field says so.
void acceptLatin1Only(QLineEdit* edit, int maxLength = 0);

// A multi-line field that refuses characters above U+00FF the way `acceptLatin1Only` does.
class Latin1TextEdit final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit Latin1TextEdit(QWidget* parent = nullptr);

    // The text as typed, lines separated by line feeds. Unlike `toPlainText`, which turns the
    // no-break space (byte A0) into a plain space, every character is kept.
    QString text() const;

    // Keeps at most `maximum` characters of `text()` (a line break counts as one), as
    // `acceptLatin1Only` does; 0 for no limit.
    void setMaxLength(int maximum);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void keepWithinMaxLength();

    int maxLength_ = 0;
};

}  // namespace farrow::ui
