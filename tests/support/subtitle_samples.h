#pragma once

// Small subtitle files shared by the core, tool and window tests of SubRip and MPL2.

#include "core/common/text_codec.h"
#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"

#include <QByteArray>
#include <QString>

namespace zv::test {

// Two SubRip cues, Polish letters, a two-line text and an italic tag (UTF-8).
inline QString subRipSample()
{
    return QStringLiteral("1\r\n00:00:01,500 --> 00:00:03,250\r\nZażółć gęślą jaźń\r\n\r\n"
                          "2\r\n00:01:02,000 --> 00:01:04,000\r\n<i>Pierwszy</i> wiersz\r\nDrugi wiersz\r\n\r\n");
}

// The same lines as MPL2 (deciseconds).
inline QString mpl2Sample()
{
    return QStringLiteral("[15][32]Zażółć gęślą jaźń\n[620][640]/Pierwszy wiersz|Drugi wiersz\n");
}

// A styled text written readably: "[i]", "[/i]", "[b]", "[/b]" become the style marks.
inline QString styled(QString text)
{
    return text.replace(QLatin1String("[i]"), QString(QChar(0x1C)))
        .replace(QLatin1String("[/i]"), QString(QChar(0x1D)))
        .replace(QLatin1String("[b]"), QString(QChar(0x1E)))
        .replace(QLatin1String("[/b]"), QString(QChar(0x1F)));
}

// Classifies bytes as a file of that name would be and loads them with the format found.
struct LoadedSample {
    FileKind kind = kindMissing;
    TextEncoding encoding = TextEncoding::Utf8;
    LoadResult result;
};

inline LoadedSample loadSample(const QByteArray &bytes, bool subRipName = false,
                               const LoadSettings &settings = {})
{
    LoadedSample s;
    Utf8Lines lines;
    s.kind = detectSubtitleFormatOfBytes(bytes, lines, &s.encoding, subRipName);
    if (const SubtitleFormat *f = subtitleFormat(s.kind))
        s.result = f->parse(std::move(lines), settings);
    return s;
}

} // namespace zv::test
