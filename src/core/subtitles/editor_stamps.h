#pragma once

#include <QString>

namespace zv::editor {

// Time formats of the editor's stamps (TETimeFormatIndex).
enum TimeFormat { FormatTmp = 0, FormatLrc = 1 };

// The stamp of a playing position in whole seconds (negative counts as 0): "h:nn:ss:" (hours
// without a leading zero) or "[nn:ss]", where an hour or more carries into the minutes since
// the bracket form has no hour field.
QString timeStamp(qint64 seconds, int format);

// The stamp of a position an outside player reports in microseconds; a negative or absurd
// value (a player that is stopped or answers garbage) gives the stamp of 0.
QString timeStampFromMicroseconds(qint64 microseconds, int format);

// Stamping one line: the stamp leads the line. With removePrevious a time prefix the line
// already starts with is replaced: "h:mm:ss:" in the time form, "[mm:ss]" in the bracket form,
// and a frame prefix "{n}{n}" in either. Text that merely looks alike ("Uwaga: ...") is no
// time and keeps every character. A SubRip timing line ("00:00:05,000 --> ...") comes back
// unchanged: stamping it would break the cue.
QString stampLine(const QString &line, const QString &stamp, int format, bool removePrevious);

// The three modes of the "Format" menu and whether "Usuń poprzedni czas" can be clicked.
struct Modes {
    bool insertTime = false;       // "Wstawiaj czas"
    bool removePrevious = false;   // "Usuń poprzedni czas"
    bool writingMode = false;      // "Tryb pisania tekstów"
    bool removeEnabled = true;

    bool operator==(const Modes &) const = default;
};
enum class ModeItem { InsertTime, RemovePrevious, WritingMode };

// The modes after the user set `item` to `checked`: insert and writing mode exclude each
// other, the time format 0 keeps "Usuń poprzedni czas" on, and writing mode disables it.
Modes changeMode(Modes modes, ModeItem item, bool checked, int format);
// The same rules applied without a click (the time format changed in the options).
Modes settleModes(Modes modes, int format);

// Writing mode's keys: Enter starts stamping the new line; these stop it (Up, Down, a digit
// or a letter). `key` is a Qt key code, `text` what the key types.
bool keyStopsStamping(int key, const QString &text);

} // namespace zv::editor
