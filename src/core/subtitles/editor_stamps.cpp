#include "core/subtitles/editor_stamps.h"

#include <QRegularExpression>
#include <Qt>

namespace zv::editor {

namespace {

QString two(qint64 v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// The length of the time prefix at the start of `line` that a new stamp replaces (0: none).
qsizetype timePrefixLength(const QString &line, int format)
{
    // Minutes and seconds below 60, as the player reads them; anchored, so only a prefix counts.
    static const QRegularExpression tmp(QStringLiteral("^\\d+:[0-5]?\\d:[0-5]?\\d:"));
    static const QRegularExpression lrc(QStringLiteral("^\\[\\d+:[0-5]\\d(?:\\.\\d{1,3})?\\]"));
    static const QRegularExpression frames(QStringLiteral("^\\{\\d+\\}\\{\\d*\\}"));
    for (const QRegularExpression *re : {format == FormatLrc ? &lrc : &tmp, &frames}) {
        const QRegularExpressionMatch m = re->match(line);
        if (m.hasMatch())
            return m.capturedLength();
    }
    return 0;
}

bool isSubRipTimingLine(const QString &line)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*\\d+:\\d+:\\d+(?:[,.]\\d+)?\\s*-->\\s*\\d+:\\d+:\\d+"));
    return re.match(line).hasMatch();
}

} // namespace

QString timeStamp(qint64 seconds, int format)
{
    const qint64 s = qMax<qint64>(0, seconds);
    if (format == FormatLrc)
        return QLatin1Char('[') + two(s / 60) + QLatin1Char(':') + two(s % 60) + QLatin1Char(']');
    return QString::number(s / 3600) + QLatin1Char(':') + two(s / 60 % 60) + QLatin1Char(':')
           + two(s % 60) + QLatin1Char(':');
}

QString timeStampFromMicroseconds(qint64 microseconds, int format)
{
    // A week of playing is beyond any film; larger values are a confused player.
    constexpr qint64 kMaxUs = qint64(7) * 24 * 3600 * 1000000;
    if (microseconds < 0 || microseconds > kMaxUs)
        microseconds = 0;
    return timeStamp(microseconds / 1000000, format);
}

QString stampLine(const QString &line, const QString &stamp, int format, bool removePrevious)
{
    if (isSubRipTimingLine(line))
        return line;
    return stamp + line.mid(removePrevious ? timePrefixLength(line, format) : 0);
}

Modes settleModes(Modes modes, int format)
{
    if (format == FormatTmp)
        modes.removePrevious = true;
    modes.removeEnabled = !modes.writingMode;
    return modes;
}

Modes changeMode(Modes modes, ModeItem item, bool checked, int format)
{
    switch (item) {
    case ModeItem::InsertTime:
        modes.insertTime = checked;
        if (checked)
            modes.writingMode = false;
        break;
    case ModeItem::RemovePrevious:
        if (modes.removeEnabled)
            modes.removePrevious = checked;
        break;
    case ModeItem::WritingMode:
        modes.writingMode = checked;
        if (checked)
            modes.insertTime = false;
        break;
    }
    return settleModes(modes, format);
}

bool keyStopsStamping(int key, const QString &text)
{
    if (key == Qt::Key_Up || key == Qt::Key_Down)
        return true;
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return true;
    // Letters beyond A-Z (ą, ż, ...) come with their own key codes.
    return text.size() == 1 && text.at(0).isLetterOrNumber();
}

} // namespace zv::editor
