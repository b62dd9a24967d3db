#pragma once

#include <QString>

#include <cstdint>

namespace zv {

// What a path is, as GetTyp sees it. The values are stored and compared as plain numbers by
// the callers (0..4 subtitles, 9 playlist, 10 media, ...), so they are fixed; there is no 5 to 8.
enum FileKind : std::int32_t {
    kindTimeSubtitle = 0,          // h:mm:ss:text lines
    kindFrameSubtitle = 1,         // {start}{end}text lines
    kindBracketSubtitle = 2,       // [mm:ss]text lines
    kindSubRipSubtitle = 3,        // counter, "hh:mm:ss,mmm --> hh:mm:ss,mmm", text lines, blank
    kindMpl2Subtitle = 4,          // [start][end]text in deciseconds
    kindPlaylist = 9,              // .m3u / .zvl
    kindMedia = 10,
    kindFolder = 11,
    kindOther = 12,
    kindUnrecognisedSubtitle = -1, // subtitle extension, but no known line format
    kindUnreadable = -2,           // subtitle extension, but nothing usable could be read
    kindMissing = -3,
};

// One of the loadable subtitle formats.
constexpr bool isSubtitleKind(FileKind kind)
{
    return kind >= kindTimeSubtitle && kind <= kindMpl2Subtitle;
}

// What a folder scan keeps: subtitles, playlists and media.
constexpr bool isCollectableKind(FileKind kind)
{
    return kind >= kindTimeSubtitle && kind <= kindMedia;
}

struct ClassifiedPath {
    QString path;
    FileKind kind;
};

} // namespace zv
