#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// Italics and bold inside a subtitle text. A text keeps its style as inline marks: control
// characters no subtitle file shows, which the SubRip and MPL2 loaders drop from a file's own
// text so that only their own marks are ever marks. Each text starts upright and regular; a
// mark holds until its opposite or the end of the text, across "|" display lines.
namespace zv::styled_text {

inline constexpr char kItalicOn = '\x1C';
inline constexpr char kItalicOff = '\x1D';
inline constexpr char kBoldOn = '\x1E';
inline constexpr char kBoldOff = '\x1F';

inline bool isMark(char16_t c)
{
    return c >= 0x1C && c <= 0x1F;
}

struct Style {
    bool italic = false;
    bool bold = false;
    bool operator==(const Style &) const = default;
    bool isPlain() const { return !italic && !bold; }
};

// `style` after reading the mark `c` (a non-mark leaves it as it is).
Style afterMark(Style style, char16_t c);

bool hasMarks(QByteArrayView utf8);
bool hasMarks(QStringView text);

// The text without its marks: what lists, dialogs and plain-text formats show.
QByteArray stripMarks(QByteArrayView utf8);
inline QByteArray stripMarks(const QByteArray &utf8) { return stripMarks(QByteArrayView(utf8)); }
QString stripMarks(const QString &text);

// The text with each mark turned into a blank: for tables of the line formats, where those
// characters are a file's own and have always shown as blanks.
QString marksAsBlanks(QString text);

// The style at the end of `text` when it starts in `start`.
Style styleAfter(QStringView text, Style start = {});

// The marks that take a text from `from` to `to` (empty when they are the same).
QString marksBetween(Style from, Style to);

// One piece of a text drawn in one style, marks removed.
struct Run {
    QString text;
    Style style;
};
// The text cut where its style changes; runs are never empty, and a text without marks is one
// run (none when it is empty).
QList<Run> runs(QStringView text, Style start = {});

} // namespace zv::styled_text
