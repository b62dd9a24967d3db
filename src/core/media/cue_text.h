#pragma once

// From the text of one subtitle event, as a film stores it, to the text of a SubRip cue: italics
// and bold kept as <i>/<b>, every other piece of markup dropped, lines separated by '\n'.

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

namespace zv::media::detail {

enum class CueMarkup {
    Ass,    // ASS/SSA override blocks {\i1}, "\N", drawings
    Html,   // SubRip: <i>, <b>, <font ...>, and the {\an8} blocks many files carry
    WebVtt, // <i>, <b>, <c.x>, <v Name>, timestamps, &amp; entities
};

struct TextStyle {
    bool bold = false;
    bool italic = false;
};

// `text` must be valid UTF-8 (the markup is ASCII, so the bytes pass through). Empty when nothing
// visible is left (a drawing, an empty cue).
QByteArray toSubRipText(QByteArrayView text, CueMarkup markup, TextStyle style = {});

// An ASS event as films store it: "ReadOrder,Layer,Style,Name,MarginL,MarginR,MarginV,Effect,Text"
// (or a whole "Dialogue: ..." line, as older muxers wrote).
struct AssEvent {
    QByteArrayView style;
    QByteArrayView text;
};
AssEvent splitAssEvent(QByteArrayView event);

// Bold and italic of each style in an ASS header ("[V4+ Styles]" with its Format line).
QHash<QByteArray, TextStyle> assStyles(QByteArrayView header);

} // namespace zv::media::detail
