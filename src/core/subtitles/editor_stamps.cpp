#include "core/subtitles/editor_stamps.h"

#include <Qt>

namespace zv::editor {

namespace {

QString two(qint64 v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
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
    QString rest = line;
    if (removePrevious) {
        if (format == FormatLrc) {
            const qsizetype end = rest.indexOf(QLatin1Char(']'));
            if (end >= 0)
                rest.remove(0, end + 1);
        } else {
            for (int field = 0; field < 3; ++field) {
                const qsizetype colon = rest.indexOf(QLatin1Char(':'));
                if (colon >= 0)
                    rest.remove(0, colon + 1);
            }
        }
    }
    return stamp + rest;
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
