#include "core/subtitles/subtitle_writer.h"

#include "core/common/atomic_file.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zv {

namespace {

// Far past any film; keeps every rounded value exact in 64 bits.
constexpr double kTimeLimit = 1e12;

constexpr SubtitleSaveFormat kAllFormats[] = {SubtitleSaveFormat::Tmp, SubtitleSaveFormat::Mdvd,
                                               SubtitleSaveFormat::Lrc, SubtitleSaveFormat::Srt,
                                               SubtitleSaveFormat::Mpl2};
constexpr const char *kNames[] = {"tmp", "mdvd", "lrc", "srt", "mpl2"};

QString twoDigits(int64_t v)
{
    return QString::number(v).rightJustified(2, u'0');
}

int64_t rounded(double x)
{
    return int64_t(subtitle_text::roundHalfEven(x));
}

} // namespace

std::optional<SubtitleSaveFormat> saveFormatByName(QStringView name)
{
    for (size_t i = 0; i < std::size(kAllFormats); ++i) {
        if (name.compare(QLatin1String(kNames[i]), Qt::CaseInsensitive) == 0)
            return kAllFormats[i];
    }
    return std::nullopt;
}

std::vector<SubtitleCue> subtitleCues(const SubtitleTable &table, double mediaFrameRate)
{
    std::vector<SubtitleCue> out;
    constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    if (table.FrameTimed() || table.CueTimed()) {
        const double perSecond = table.CueTimed() ? 1000.0 : effectiveFrameRate(mediaFrameRate);
        const auto frames = table.FrameTable();
        out.reserve(size_t(frames.size()));
        for (qsizetype i = 0; i < frames.size(); ++i) {
            const FrameEntry e = frames[i];
            out.push_back({e.startFrame / perSecond, e.endFrame / perSecond, e.text});
        }
        return out;
    }
    const auto times = table.TimeTable();
    const qsizetype n = times.size() - 1; // without the sentinel
    out.reserve(size_t(std::max<qsizetype>(n, 0)));
    for (qsizetype i = 0; i < n; ++i) {
        const TimeEntry e = times[i];
        out.push_back({double(e.start), kNone, e.text});
    }
    return out;
}

SubtitleSaveText formatSubtitles(const std::vector<SubtitleCue> &cues, const SubtitleSaveOptions &o)
{
    SubtitleSaveText r;
    double fps = o.frameRate;
    if (o.format == SubtitleSaveFormat::Mdvd && !(fps >= 1.0)) {
        fps = 25.0;
        r.assumedFrameRate = true;
    }
    const auto map = [&](double t, bool count) {
        if (o.correct)
            t = t * o.shift.ShiftFactorInverse + o.shift.ShiftOffsetInverse;
        if (std::isnan(t))
            t = 0;
        if (t < 0) {
            // Before the film starts: written at 0 and counted, never dropped or wrapped.
            r.clampedToZero += count;
            t = 0;
        }
        return std::min(t, kTimeLimit);
    };
    const auto trimmed = [](const QString &s) { return subtitle_text::trimmed(s).toString(); };
    QString &out = r.text;
    out.reserve(qsizetype(cues.size()) * 48);
    qsizetype srtCounter = 0;
    for (size_t k = 0; k < cues.size(); ++k) {
        const SubtitleCue &c = cues[k];
        const double start = map(c.start, true);
        double end;
        if (std::isnan(c.end)) {
            // A line without an end lasts TextDelay seconds or until the next line starts, as
            // the timer shows it.
            end = start + std::max(o.textDelay, 0);
            if (k + 1 < cues.size()) {
                const double next = map(cues[k + 1].start, false);
                if (next > start)
                    end = std::min(end, next);
            }
        } else {
            end = std::max(map(c.end, false), start);
        }
        switch (o.format) {
        case SubtitleSaveFormat::Tmp: {
            const int64_t s = rounded(start);
            out += trimmed(QString::number(s / 3600) + u':' + twoDigits(s / 60 % 60) + u':'
                           + twoDigits(s % 60) + u':' + c.text);
            break;
        }
        case SubtitleSaveFormat::Lrc: {
            const int64_t s = rounded(start);
            out += trimmed(u'[' + twoDigits(s / 60 % 60) + u':' + twoDigits(s % 60) + u']' + c.text);
            break;
        }
        case SubtitleSaveFormat::Mdvd:
            out += u'{' + QString::number(rounded(start * fps)) + QStringLiteral("}{");
            if (o.frameEnds)
                out += QString::number(rounded(end * fps));
            out += u'}' + c.text;
            break;
        case SubtitleSaveFormat::Mpl2:
            out += u'[' + QString::number(rounded(start * 10)) + QStringLiteral("][")
                + QString::number(rounded(end * 10)) + u']' + c.text;
            break;
        case SubtitleSaveFormat::Srt: {
            if (subtitle_text::trimmed(c.text).isEmpty()) {
                ++r.skippedEmpty;
                continue;
            }
            const auto stamp = [](double t) {
                const int64_t ms = rounded(t * 1000);
                const int64_t s = ms / 1000;
                return twoDigits(s / 3600) + u':' + twoDigits(s / 60 % 60) + u':' + twoDigits(s % 60)
                    + u',' + QString::number(ms % 1000).rightJustified(3, u'0');
            };
            out += QString::number(++srtCounter) + QStringLiteral("\r\n") + stamp(start)
                + QStringLiteral(" --> ") + stamp(end) + QStringLiteral("\r\n");
            QString text = c.text;
            text.replace(u'|', QStringLiteral("\r\n"));
            out += text + QStringLiteral("\r\n");
            break;
        }
        }
        out += QStringLiteral("\r\n");
        ++r.lines;
    }
    return r;
}

bool saveSubtitleFile(const QString &path, const QString &text, TextEncoding preferred,
                      TextEncoding *used, QString *error)
{
    TextEncoding written = preferred;
    QByteArray bytes = encodeReadingBack(text, preferred, &written);
    const bool eightBit = preferred == TextEncoding::Windows1250 || preferred == TextEncoding::Iso8859_2;
    if (eightBit && written != preferred && written == TextEncoding::Utf8) {
        // The code page cannot hold the text: UTF-8 marked as such, so that nothing guesses.
        bytes.prepend("\xEF\xBB\xBF");
        written = TextEncoding::Utf8Bom;
    }
    if (!writeFileAtomically(path, bytes, error))
        return false;
    if (used)
        *used = written;
    return true;
}

} // namespace zv
