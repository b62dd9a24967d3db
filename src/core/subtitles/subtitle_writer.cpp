#include "core/subtitles/subtitle_writer.h"

#include "core/common/atomic_file.h"
#include "core/subtitles/styled_text.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_text.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

namespace zv {

namespace {

constexpr double kTimeLimit = kLatestSubtitleTime;

constexpr SubtitleSaveFormat kAllFormats[] = {SubtitleSaveFormat::Tmp, SubtitleSaveFormat::Mdvd,
                                               SubtitleSaveFormat::Lrc, SubtitleSaveFormat::Srt,
                                               SubtitleSaveFormat::Mpl2};
constexpr const char *kNames[] = {"tmp", "mdvd", "lrc", "srt", "mpl2"};

int64_t rounded(double x)
{
    return int64_t(subtitle_text::roundHalfEven(x));
}

// Writes into memory sized beforehand: a large file is millions of small pieces, and
// QByteArray's append per piece costs more than the rest of the conversion. With a sink the
// memory is one piece that is handed on whenever it fills.
class Writer {
public:
    explicit Writer(QByteArray &out, const SubtitleTextSink *sink = nullptr) : out_(out), sink_(sink) {}
    // Room for `n` more bytes.
    void reserve(qsizetype n)
    {
        if (out_.size() - at_ >= n)
            return;
        if (sink_ && at_ > 0 && flush() && out_.size() >= n)
            return;
        out_.resize(std::max(out_.size() * 2, at_ + n));
    }
    void put(char c) { out_.data()[at_++] = c; }
    void put(QByteArrayView s)
    {
        if (!s.isEmpty())
            std::memcpy(out_.data() + at_, s.data(), size_t(s.size()));
        at_ += s.size();
    }
    void number(int64_t v, int width = 0)
    {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        for (qsizetype n = r.ptr - buf; n < width; ++n)
            put('0');
        put(QByteArrayView(buf, r.ptr - buf));
    }
    // False once the sink has refused a piece; what follows is not handed on.
    bool ok() const { return ok_; }
    void finish()
    {
        if (sink_) {
            flush();
            out_.clear();
        } else {
            out_.truncate(at_);
        }
    }

private:
    bool flush()
    {
        if (ok_ && at_ > 0)
            ok_ = (*sink_)(QByteArrayView(out_.constData(), at_));
        at_ = 0;
        return ok_;
    }

    QByteArray &out_;
    const SubtitleTextSink *sink_;
    qsizetype at_ = 0;
    bool ok_ = true;
};

// Without blanks and control characters at either end (bytes up to 0x20 are exactly those
// characters in UTF-8).
QByteArrayView trimmedBytes(QByteArrayView s)
{
    qsizetype first = 0, last = s.size();
    while (first < last && uint8_t(s[first]) <= 0x20)
        ++first;
    while (last > first && uint8_t(s[last - 1]) <= 0x20)
        --last;
    return s.sliced(first, last - first);
}

// The most a text grows by when written: SubRip puts two bytes of line break for each "|" and
// may put a no-break space on an empty display line; MPL2 may double the "/" opening one.
qsizetype growthOf(QByteArrayView text, SubtitleSaveFormat f)
{
    if (f != SubtitleSaveFormat::Srt && f != SubtitleSaveFormat::Mpl2)
        return 0;
    // A text has a "|" or two: jumping to them by memchr costs far less than looking at every
    // byte, which took about a fifth of formatting a cue.
    qsizetype lines = 1;
    for (const char *p = text.data(), *const end = p + text.size(); p != end; ++p, ++lines) {
        p = static_cast<const char *>(std::memchr(p, '|', size_t(end - p)));
        if (!p)
            break;
    }
    return f == SubtitleSaveFormat::Srt ? 4 * lines : lines;
}

// Written for an empty display line of SubRip, where a blank line would end the cue: it reads
// back as a line of its own and shows nothing. Every code page the files are kept in has it.
constexpr char kNoBreakSpace[] = "\xC2\xA0";

// A text's style marks in the terms of the format it goes to: SubRip tags (closed at the end
// of the text); for MPL2 a display line in italics throughout keeps one italic mark in front,
// which the writer turns into its "/"; the other formats, which have no styles, get the text
// without marks.
QByteArray restyled(QByteArrayView text, SubtitleSaveFormat f)
{
    using namespace styled_text;
    if (f == SubtitleSaveFormat::Srt) {
        static const char *const kTags[] = {"<i>", "</i>", "<b>", "</b>"};
        QByteArray out;
        out.reserve(text.size() + 16);
        Style style;
        for (char c : text) {
            if (!isMark(uint8_t(c))) {
                out.append(c);
                continue;
            }
            const Style next = afterMark(style, uint8_t(c));
            if (next != style)
                out.append(kTags[c - kItalicOn]);
            style = next;
        }
        if (style.italic)
            out.append("</i>");
        if (style.bold)
            out.append("</b>");
        return out;
    }
    if (f != SubtitleSaveFormat::Mpl2)
        return stripMarks(text);
    QByteArray out;
    out.reserve(text.size());
    Style style;
    for (;;) {
        const qsizetype bar = text.indexOf('|');
        const QByteArrayView line = bar < 0 ? text : text.first(bar);
        bool upright = false, visible = false;
        Style s = style;
        for (char c : line) {
            s = afterMark(s, uint8_t(c));
            if (!isMark(uint8_t(c)) && uint8_t(c) > 0x20) {
                visible = true;
                upright = upright || !s.italic;
            }
        }
        if (visible && !upright)
            out.append(kItalicOn);
        out.append(stripMarks(line));
        style = s;
        if (bar < 0)
            break;
        out.append('|');
        text = text.sliced(bar + 1);
    }
    return out;
}

// "00" to "99".
constexpr std::array<char, 200> kTwoDigits = [] {
    std::array<char, 200> t{};
    for (int i = 0; i < 100; ++i) {
        t[size_t(2 * i)] = char('0' + i / 10);
        t[size_t(2 * i + 1)] = char('0' + i % 10);
    }
    return t;
}();

// "hh:mm:ss,mmm", two per cue of a large conversion: rounded and cut into digits with integers
// only, and put in one piece while the hours have two digits.
void putSrtTime(Writer &w, double t)
{
    // Half-even like rounded(), for the values here: never negative (times are clamped at 0)
    // and below 2^53, so the truncation is the floor.
    const double x = t * 1000;
    auto ms = uint64_t(x);
    const double fraction = x - double(ms);
    if (fraction > 0.5 || (fraction == 0.5 && (ms & 1)))
        ++ms;
    const uint64_t h = ms / 3'600'000;
    const auto rest = uint32_t(ms - h * 3'600'000);
    const uint32_t milli = rest % 1000;
    char text[] = "hh:mm:ss,mmm";
    const auto two = [](char *to, uint32_t v) { std::memcpy(to, kTwoDigits.data() + 2 * v, 2); };
    two(text + 3, rest / 60'000);
    two(text + 6, rest / 1000 % 60);
    text[9] = char('0' + milli / 100);
    two(text + 10, milli % 100);
    if (h >= 100) {
        w.number(int64_t(h));
        w.put(QByteArrayView(text + 2, 10));
        return;
    }
    two(text, uint32_t(h));
    w.put(QByteArrayView(text, 12));
}

// The text's display lines ("|" apart) on lines of their own; an empty one as a no-break space.
void putSrtLines(Writer &w, QByteArrayView text)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    for (;;) {
        // memchr itself: Qt's search around it costs as much again on short lines.
        const auto *bar = p == end ? nullptr : static_cast<const char *>(std::memchr(p, '|', size_t(end - p)));
        const QByteArrayView line(p, (bar ? bar : end) - p);
        w.put(trimmedBytes(line).isEmpty() ? QByteArrayView(kNoBreakSpace) : line);
        if (!bar)
            return;
        w.put("\r\n");
        p = bar + 1;
    }
}

// UTF-8 to an 8-bit code page by a table made from the code page's own decoding, so the
// bytes read back as exactly the text. A large file converts in one pass; nullopt when a
// character has no byte (the caller then takes the general way, which falls back to UTF-8).
class EightBitEncoder {
public:
    explicit EightBitEncoder(TextEncoding encoding)
    {
        byteOf_.fill(kNone);
        std::array<int, 0x10000> bytesFor{};
        std::array<char16_t, 256> charOf{};
        for (int b = 0; b < 256; ++b) {
            const char c = char(b);
            const QString one = decodeAs(QByteArrayView(&c, 1), encoding);
            charOf[b] = one.size() == 1 ? one[0].unicode() : 0xFFFD;
            if (charOf[b] != 0xFFFD)
                ++bytesFor[charOf[b]];
        }
        // A character two bytes decode to could not be told apart when read back.
        for (int b = 0; b < 256; ++b)
            if (charOf[b] != 0xFFFD && bytesFor[charOf[b]] == 1)
                byteOf_[charOf[b]] = uint16_t(b);
    }

    std::optional<QByteArray> encode(QByteArrayView utf8) const
    {
        QByteArray out(utf8.size(), Qt::Uninitialized);
        char *to = out.data();
        const auto *p = reinterpret_cast<const uint8_t *>(utf8.data());
        const auto *end = p + utf8.size();
        while (p < end) {
            uint32_t cp = *p;
            uint32_t least = 0; // overlong forms are not UTF-8: the general way reads U+FFFD
            if (cp < 0x80) {
                ++p;
            } else if ((cp & 0xE0) == 0xC0 && end - p >= 2 && (p[1] & 0xC0) == 0x80) {
                cp = ((cp & 0x1F) << 6) | (p[1] & 0x3F);
                least = 0x80;
                p += 2;
            } else if ((cp & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80
                       && (p[2] & 0xC0) == 0x80) {
                cp = ((cp & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
                least = 0x800;
                p += 3;
            } else {
                return std::nullopt; // beyond the code pages, or not UTF-8 at all
            }
            if (cp < least || byteOf_[cp] == kNone)
                return std::nullopt;
            *to++ = char(byteOf_[cp]);
        }
        out.truncate(to - out.data());
        return out;
    }

private:
    static constexpr uint16_t kNone = 0xFFFF;
    std::array<uint16_t, 0x10000> byteOf_;
};

} // namespace

std::optional<SubtitleSaveFormat> saveFormatByName(QStringView name)
{
    for (size_t i = 0; i < std::size(kAllFormats); ++i) {
        if (name.compare(QLatin1String(kNames[i]), Qt::CaseInsensitive) == 0)
            return kAllFormats[i];
    }
    return std::nullopt;
}

namespace {

// A loaded table's lines as cues, each made when asked for: a large conversion then holds no
// copy of the table.
class TableCues {
public:
    TableCues(const SubtitleTable &table, double mediaFrameRate) : table_(table)
    {
        if (table.FrameTimed() || table.CueTimed()) {
            perSecond_ = table.CueTimed() ? 1000.0 : effectiveFrameRate(mediaFrameRate);
            size_ = size_t(table.FrameTable().size());
        } else {
            // Without the end marker, found by what it is: the time lines' marker sorts among
            // the lines, before those after 12:00:00.
            const qsizetype n = table.TimeTable().size();
            size_ = size_t(n);
            for (qsizetype i = n - 1; i >= 0; --i) {
                if (table.isEndMarker(i)) {
                    marker_ = i;
                    --size_;
                    break;
                }
            }
        }
    }
    size_t size() const { return size_; }
    SubtitleCue operator[](size_t k) const
    {
        const qsizetype i = marker_ >= 0 && qsizetype(k) >= marker_ ? qsizetype(k) + 1 : qsizetype(k);
        // Texts straight from the table's bytes, without decoding.
        if (perSecond_ > 0) {
            const auto [startFrame, endFrame] = table_.frameBounds(i);
            const QByteArrayView text = table_.frameTextUtf8(i);
            return {startFrame / perSecond_, endFrame / perSecond_,
                    QByteArray::fromRawData(text.data(), text.size())};
        }
        const QByteArrayView text = table_.timeTextUtf8(i);
        return {double(table_.start(i)), std::numeric_limits<double>::quiet_NaN(),
                QByteArray::fromRawData(text.data(), text.size())};
    }

private:
    const SubtitleTable &table_;
    double perSecond_ = 0; // frames or milliseconds per second; 0 for time lines
    size_t size_ = 0;
    qsizetype marker_ = -1; // time lines: the end marker's row, -1 when there is none
};

} // namespace

std::vector<SubtitleCue> subtitleCues(const SubtitleTable &table, double mediaFrameRate)
{
    const TableCues cues(table, mediaFrameRate);
    std::vector<SubtitleCue> out;
    out.reserve(cues.size());
    for (size_t k = 0; k < cues.size(); ++k)
        out.push_back(cues[k]);
    return out;
}

namespace {

// Where format() writes a stored start: corrected, at 0 when before the film, at most the limit.
double writtenStart(double t, const SubtitleSaveOptions &o, size_t line)
{
    if (o.correct && !o.pieces.empty())
        t = o.pieces.toFilm(qsizetype(line), t);
    else if (o.correct)
        t = t * o.shift.ShiftFactorInverse + o.shift.ShiftOffsetInverse;
    return std::isnan(t) ? 0 : std::clamp(t, 0.0, kTimeLimit);
}

// The cues in the order they are written. SubRip and MPL2 are lists of cues that readers take
// in start order, so they go out sorted by the start written, equal starts in table order; the
// line formats keep the table's order. row(k) is the table row of the k-th cue written.
template <typename Cues>
class WriteOrder {
public:
    WriteOrder(const Cues &cues, const SubtitleSaveOptions &o) : cues_(cues)
    {
        if (o.format == SubtitleSaveFormat::Srt || o.format == SubtitleSaveFormat::Mpl2)
            sortByStart(o);
    }
    size_t size() const { return cues_.size(); }
    decltype(auto) operator[](size_t k) const { return cues_[row(k)]; }
    size_t row(size_t k) const { return order_.empty() ? k : order_[k]; }

private:
    void sortByStart(const SubtitleSaveOptions &o)
    {
        const size_t n = cues_.size();
        if (n > std::numeric_limits<uint32_t>::max())
            return; // far beyond any file the loaders take
        std::vector<double> key(n);
        bool sorted = true;
        for (size_t k = 0; k < n; ++k) {
            key[k] = writtenStart(cues_[k].start, o, k);
            sorted = sorted && (k == 0 || key[k - 1] <= key[k]);
        }
        if (sorted)
            return;
        const auto before = [&](uint32_t a, uint32_t b) { return key[a] < key[b] || (key[a] == key[b] && a < b); };
        // Files are nearly in order: the lines in its way (later than the next one, or earlier
        // than the last one kept) are set aside, sorted, and merged with the rest, which is in
        // order already.
        std::vector<uint32_t> kept, strays;
        kept.reserve(n);
        for (size_t k = 0; k < n; ++k) {
            if ((kept.empty() || key[k] >= key[kept.back()]) && (k + 1 == n || key[k] <= key[k + 1]))
                kept.push_back(uint32_t(k));
            else
                strays.push_back(uint32_t(k));
        }
        std::sort(strays.begin(), strays.end(), before);
        order_.resize(n);
        std::merge(kept.begin(), kept.end(), strays.begin(), strays.end(), order_.begin(), before);
    }

    const Cues &cues_;
    std::vector<uint32_t> order_; // empty: the table's order
};

template <typename Cues>
SubtitleSaveText format(const Cues &cues, const SubtitleSaveOptions &o, const SubtitleTextSink *sink)
{
    SubtitleSaveText r;
    double fps = o.frameRate;
    if (o.format == SubtitleSaveFormat::Mdvd && !(fps >= 1.0)) {
        fps = 25.0;
        r.assumedFrameRate = true;
    }
    const auto map = [&](double t, bool count, size_t line) {
        if (o.correct && !o.pieces.empty())
            t = o.pieces.toFilm(qsizetype(line), t);
        else if (o.correct)
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
    Writer out(r.text, sink);
    // Per line at most: the text, what writing it adds (growthOf) and the times.
    constexpr qsizetype kLineOverhead = 96;
    if (sink) {
        out.reserve(256 * 1024);
    } else {
        qsizetype bound = 0;
        for (size_t k = 0; k < cues.size(); ++k)
            bound += cues[k].text.size() + growthOf(cues[k].text, o.format) + kLineOverhead;
        out.reserve(bound); // once, so the text is never copied to grow
    }
    qsizetype srtCounter = 0;
    for (size_t k = 0; k < cues.size() && out.ok(); ++k) {
        decltype(auto) c = cues[k]; // a reference into a vector, a value made from a table
        const bool marks = styled_text::hasMarks(c.text);
        const QByteArray styled = marks ? restyled(c.text, o.format) : QByteArray();
        const QByteArray &text = marks ? styled : c.text;
        const double start = map(c.start, true, cues.row(k));
        double end;
        if (std::isnan(c.end)) {
            // A line without an end lasts TextDelay seconds or until the next line starts, as
            // the timer shows it.
            end = start + std::max(o.textDelay, 0);
            if (k + 1 < cues.size()) {
                const double next = map(cues[k + 1].start, false, cues.row(k + 1));
                if (next > start)
                    end = std::min(end, next);
            }
        } else {
            end = std::max(map(c.end, false, cues.row(k)), start);
        }
        out.reserve(text.size() + growthOf(text, o.format) + kLineOverhead);
        switch (o.format) {
        case SubtitleSaveFormat::Tmp:
        case SubtitleSaveFormat::Lrc: {
            // The line is trimmed: the time in front is never blank, so only the text's end
            // and, with an empty text, nothing else changes.
            const int64_t s = rounded(start);
            if (o.format == SubtitleSaveFormat::Tmp) {
                // Written as they are, but counted: hours past 23 do not read back.
                if (s >= 24 * 3600)
                    ++r.pastOneDay;
                out.number(s / 3600);
                out.put(':');
                out.number(s / 60 % 60, 2);
                out.put(':');
                out.number(s % 60, 2);
                out.put(':');
            } else {
                out.put('[');
                out.number(s / 60 % 60, 2);
                out.put(':');
                out.number(s % 60, 2);
                out.put(']');
            }
            const QByteArrayView t = trimmedBytes(text);
            // Leading blanks of the text stay (they are inside the line); trailing ones go.
            if (!t.isEmpty())
                out.put(QByteArrayView(text.constData(), (t.data() - text.constData()) + t.size()));
            break;
        }
        case SubtitleSaveFormat::Mdvd:
            out.put('{');
            out.number(rounded(start * fps));
            out.put("}{");
            if (o.frameEnds)
                out.number(rounded(end * fps));
            out.put('}');
            out.put(text);
            break;
        case SubtitleSaveFormat::Mpl2:
            out.put('[');
            out.number(rounded(start * 10));
            out.put("][");
            out.number(rounded(end * 10));
            out.put(']');
            // A "/" opening a display line marks italics and is dropped when read: a "/" that
            // is the text's own goes out doubled, so that exactly it is read back (upright:
            // "//" cannot also mean italics).
            for (QByteArrayView rest(text);;) {
                const qsizetype bar = rest.indexOf('|');
                QByteArrayView line = bar < 0 ? rest : rest.first(bar);
                const bool italic = line.startsWith(styled_text::kItalicOn);
                if (italic)
                    line = line.sliced(1);
                if (italic || line.startsWith('/'))
                    out.put('/');
                out.put(line);
                if (bar < 0)
                    break;
                out.put('|');
                rest = rest.sliced(bar + 1);
            }
            break;
        case SubtitleSaveFormat::Srt: {
            if (trimmedBytes(text).isEmpty()) {
                ++r.skippedEmpty;
                continue;
            }
            out.number(++srtCounter);
            out.put("\r\n");
            putSrtTime(out, start);
            out.put(" --> ");
            putSrtTime(out, end);
            out.put("\r\n");
            putSrtLines(out, text);
            out.put("\r\n");
            break;
        }
        }
        out.put("\r\n");
        ++r.lines;
    }
    out.finish();
    return r;
}

} // namespace

SubtitleSaveText formatSubtitles(const std::vector<SubtitleCue> &cues, const SubtitleSaveOptions &o)
{
    return format(WriteOrder(cues, o), o, nullptr);
}

bool subtitleTimesFit(const SubtitleTable &table, double mediaFrameRate, const SubtitleSaveOptions &o)
{
    if (!o.correct)
        return true; // stored times are far below the limit
    const TableCues cues(table, mediaFrameRate);
    const auto fits = [&](double t, size_t line) {
        const double mapped = o.pieces.empty() ? t * o.shift.ShiftFactorInverse + o.shift.ShiftOffsetInverse
                                               : o.pieces.toFilm(qsizetype(line), t);
        return std::isnan(t) || mapped <= kTimeLimit;
    };
    for (size_t k = 0; k < cues.size(); ++k) {
        const SubtitleCue c = cues[k];
        if (!fits(c.start, k) || !fits(c.end, k))
            return false;
    }
    return true;
}

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

bool isUtf8(TextEncoding e)
{
    return e == TextEncoding::Utf8 || e == TextEncoding::Utf8Bom;
}

// A UTF-8 text starting with U+FEFF gets a BOM of its own, so that the character is not taken
// for the mark.
bool needsBom(TextEncoding preferred, QByteArrayView start)
{
    return preferred == TextEncoding::Utf8Bom || start.startsWith(kBom);
}

} // namespace

QByteArray encodeSubtitleText(const QByteArray &utf8, TextEncoding preferred, TextEncoding *used)
{
    if (isUtf8(preferred)) {
        const bool bom = needsBom(preferred, utf8);
        if (used)
            *used = bom ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
        return bom ? QByteArray(kBom) + utf8 : utf8;
    }
    if (preferred == TextEncoding::Windows1250 || preferred == TextEncoding::Iso8859_2) {
        static const EightBitEncoder windows1250(TextEncoding::Windows1250);
        static const EightBitEncoder iso8859_2(TextEncoding::Iso8859_2);
        const EightBitEncoder &encoder = preferred == TextEncoding::Windows1250 ? windows1250 : iso8859_2;
        // Kept only when the file will be read in this code page again.
        if (std::optional<QByteArray> bytes = encoder.encode(utf8); bytes && detectEncoding(*bytes) == preferred) {
            if (used)
                *used = preferred;
            return *std::move(bytes);
        }
    }
    TextEncoding written = preferred;
    QByteArray bytes = encodeReadingBack(QString::fromUtf8(utf8), preferred, &written);
    if (written == TextEncoding::Utf8) {
        // The code page cannot hold the text: UTF-8 marked as such, so that nothing guesses.
        bytes.prepend(kBom);
        written = TextEncoding::Utf8Bom;
    }
    if (used)
        *used = written;
    return bytes;
}

bool saveSubtitleFile(const QString &path, const QByteArray &utf8, TextEncoding preferred,
                      TextEncoding *used, QString *error)
{
    TextEncoding written = preferred;
    const QByteArray bytes = encodeSubtitleText(utf8, preferred, &written);
    if (!writeFileAtomically(path, bytes, error))
        return false;
    if (used)
        *used = written;
    return true;
}

bool streamSubtitles(const SubtitleTable &table, double mediaFrameRate, const SubtitleSaveOptions &options,
                     TextEncoding preferred, const SubtitleTextSink &write, SubtitleSaveText *counts,
                     TextEncoding *used)
{
    const TableCues cues(table, mediaFrameRate);
    SubtitleSaveText text;
    bool ok = true;
    if (!isUtf8(preferred)) {
        text = format(WriteOrder(cues, options), options, nullptr);
        ok = write(encodeSubtitleText(text.text, preferred, &preferred));
        text.text.clear();
    } else {
        bool first = true;
        const SubtitleTextSink sink = [&](QByteArrayView piece) {
            if (std::exchange(first, false) && needsBom(preferred, piece)) {
                preferred = TextEncoding::Utf8Bom;
                if (!write(kBom))
                    return ok = false;
            }
            return ok = write(piece);
        };
        text = format(WriteOrder(cues, options), options, &sink);
        if (first && ok)
            sink({}); // no line at all: a BOM asked for is still written
    }
    if (ok && used)
        *used = preferred;
    if (counts)
        *counts = std::move(text);
    return ok;
}

bool saveSubtitles(const QString &path, const SubtitleTable &table, double mediaFrameRate,
                   const SubtitleSaveOptions &options, TextEncoding preferred, SubtitleSaveText *counts,
                   TextEncoding *used, QString *error)
{
    AtomicFileWriter file(path);
    if (!file.open(error)) {
        if (counts)
            *counts = SubtitleSaveText();
        return false;
    }
    TextEncoding written = preferred;
    const bool streamed = streamSubtitles(table, mediaFrameRate, options, preferred,
                                          [&file](QByteArrayView piece) { return file.write(piece); },
                                          counts, &written);
    // After a failed piece the commit fails too, and says why.
    const bool ok = file.commit(error) && streamed;
    if (ok && used)
        *used = written;
    return ok;
}

CorrectedSaveResult ZapiszTekst(const SubtitleTable &table, const QString &path,
                                const CorrectedSaveRequest &request, const PiecewiseShift &pieces)
{
    SubtitleSaveOptions o;
    o.format = request.format;
    o.frameRate = request.MediaFrameRate;
    o.correct = request.OffsetEnabled;
    o.shift = request.shift;
    o.pieces = pieces;
    SubtitleSaveText text;
    CorrectedSaveResult r;
    r.ok = saveSubtitles(path, table, request.MediaFrameRate, o, request.encoding, &text, &r.used, &r.error);
    r.lines = text.lines;
    r.clampedToZero = text.clampedToZero;
    r.pastOneDay = text.pastOneDay;
    r.assumedFrameRate = text.assumedFrameRate;
    if (!r.ok)
        return r;
    QStringList notes;
    const bool eightBit = request.encoding == TextEncoding::Windows1250
                          || request.encoding == TextEncoding::Iso8859_2;
    if (eightBit && r.used == TextEncoding::Utf8Bom)
        notes << QStringLiteral("Zapisano w UTF-8: strona kodowa pliku nie zawiera wszystkich znaków tekstu.");
    if (r.assumedFrameRate)
        notes << QStringLiteral("Brak otwartego filmu: klatki policzono dla 25 klatek na sekundę.");
    if (r.clampedToZero > 0)
        notes << QStringLiteral("Napisów przed początkiem filmu (zapisanych w czasie 0): %1.")
                     .arg(r.clampedToZero);
    if (r.pastOneDay > 0)
        notes << QStringLiteral("Napisów po 24 godzinach (nie da się ich wczytać z tego formatu): %1.")
                     .arg(r.pastOneDay);
    r.note = notes.join(u' ');
    return r;
}

} // namespace zv
