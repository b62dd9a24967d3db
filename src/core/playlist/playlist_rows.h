#pragma once

#include <QString>

#include <functional>

namespace zv {

struct TPlaylistEntry;

// Pixel width of a text in the font the rows are drawn with.
using TextWidth = std::function<int(const QString &text)>;

// `text` unchanged when it is at most `width` pixels wide; otherwise its longest beginning
// that fits with "..." appended, followed by "..." ("..." alone when nothing fits). The cut
// never splits a character or a letter from its combining marks. The fitting length is found
// by halving, so a name costs a handful of measurements whatever its length.
QString FitTextToWidth(const QString &text, int width, const TextWidth &measure);

// Where the three texts of one playlist row go, in the row's x coordinates: the row number
// ("7.") right-aligned on the width of the largest number, the play time right-aligned at the
// row's right edge, and between them the bare file name cut to fit. Texts are drawn one pixel
// below the row's top.
struct PlaylistRowLayout {
    QString number;      // "7."
    int numberRight = 0; // the number ends here
    QString time;        // TimeText, may be empty
    int timeRight = 0;   // the time ends here
    QString name;        // the bare file name, cut with "..." when too long
    int nameLeft = 0;
    int nameWidth = 0;   // room the name was fitted to (never negative)
};

// Row `index` (0-based) of a list of `count` entries, drawn between x = left and x = right.
PlaylistRowLayout layoutPlaylistRow(int index, int count, const TPlaylistEntry &entry, int left, int right,
                                    const TextWidth &measure);

// Colours of a row as 0xRRGGBB: lime text on black, on dark grey when selected; the playing
// file's text is white, selected or not.
struct PlaylistRowColors {
    unsigned background;
    unsigned text;
};
PlaylistRowColors playlistRowColors(bool selected, bool playing);

} // namespace zv
