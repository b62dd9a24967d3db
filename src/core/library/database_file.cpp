#include "core/library/database_file.h"

#include "core/common/atomic_file.h"
#include "core/common/text_codec.h"
#include "core/config/paths.h"
#include "core/library/path_set.h"
#include "core/library/subtitle_database.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <array>
#include <cstring>

namespace zv {

namespace {

constexpr char kFieldEnd = 0x06;
constexpr char kRecordSeparator = 0x08;
constexpr char kEscape = 0x10;
constexpr int kFieldCount = 5;
// Longer than any path the system accepts: such a field is damage, not data.
constexpr qsizetype kMaxFieldBytes = 64 * 1024;
// Far beyond any real database; refusing it keeps a stray huge file from eating the memory.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

bool isRecordEnd(char c)
{
    return c == kRecordSeparator || c == '\r' || c == '\n';
}

// Writes the field as UTF-8 with control bytes escaped, then its 0x06, and returns the new
// end. `dst` must have room for 3 bytes per UTF-16 unit plus one (see encodeDatabase).
char *putField(QStringEncoder &utf8, char *dst, const QString &field)
{
    const char16_t *d = reinterpret_cast<const char16_t *>(field.constData());
    const qsizetype n = field.size();
    bool control = false;
    for (qsizetype i = 0; i < n; ++i)
        control |= d[i] < 0x20;
    if (!control) {
        dst = utf8.appendToBuffer(dst, field);
    } else {
        // Control characters never split a surrogate pair, so the runs between them encode
        // on their own.
        qsizetype run = 0;
        for (qsizetype i = 0; i <= n; ++i) {
            if (i < n && d[i] >= 0x20)
                continue;
            dst = utf8.appendToBuffer(dst, QStringView(d + run, i - run));
            if (i < n) {
                *dst++ = kEscape;
                *dst++ = char(d[i] + 0x40);
            }
            run = i + 1;
        }
    }
    *dst++ = kFieldEnd;
    return dst;
}

// One record's bytes, split into at most five fields; `valid` is false when the record holds
// bytes that no writer of this file produces (control bytes, a broken escape, a huge field).
struct RawRecord {
    std::array<QByteArrayView, kFieldCount> fields;
    bool escaped[kFieldCount] = {};
    bool eightBit = false;
    bool valid = true;
    bool extraFields = false;
    const char *end = nullptr;
};

// Scans one record from `begin` up to its separator or line break (or `limit`), which it
// reports in `end`.
RawRecord scanRecord(const char *begin, const char *limit)
{
    RawRecord rec;
    int field = 0;
    const char *fieldStart = begin;
    bool fieldEscaped = false;
    auto closeField = [&](const char *at) {
        if (at - fieldStart > kMaxFieldBytes)
            rec.valid = false;
        if (field < kFieldCount) {
            rec.fields[field] = QByteArrayView(fieldStart, at - fieldStart);
            rec.escaped[field] = fieldEscaped;
        } else {
            rec.extraFields = true;
        }
        ++field;
        fieldEscaped = false;
    };
    const char *p = begin;
    constexpr quint64 kOnes = 0x0101010101010101ULL;
    constexpr quint64 kHighBits = 0x8080808080808080ULL;
    quint64 high = 0;
    for (; p < limit; ++p) {
        // Eight bytes at a time while none of them is below 0x20: most of a record is text.
        while (limit - p >= 8) {
            quint64 x;
            std::memcpy(&x, p, 8);
            if ((x - kOnes * 0x20) & ~x & kHighBits)
                break;
            high |= x;
            p += 8;
        }
        if (p == limit)
            break;
        const uchar c = uchar(*p);
        if (c >= 0x20) {
            if (c >= 0x80)
                rec.eightBit = true;
            continue;
        }
        if (isRecordEnd(char(c)))
            break;
        if (c == uchar(kFieldEnd)) {
            closeField(p);
            fieldStart = p + 1;
        } else if (c == uchar(kEscape) && p + 1 < limit && uchar(p[1]) >= 0x40
                   && uchar(p[1]) <= 0x5F) {
            fieldEscaped = true;
            ++p;
        } else if (c != '\t') {
            rec.valid = false;
            while (p < limit && !isRecordEnd(*p))
                ++p;
            break;
        }
    }
    rec.end = p;
    if (high & kHighBits)
        rec.eightBit = true;
    // A last field without its 0x06 still counts; a trailing 0x06 adds no empty field.
    if (rec.valid && fieldStart < p)
        closeField(p);
    return rec;
}

QByteArray unescape(QByteArrayView raw)
{
    QByteArray out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == kEscape && i + 1 < raw.size()) {
            out.append(char(raw[i + 1] - 0x40));
            ++i;
        } else {
            out.append(raw[i]);
        }
    }
    return out;
}

const QString *knownTag(QByteArrayView field)
{
    static const QString tags[] = {QStringLiteral("tmp"), QStringLiteral("mdvd"),
                                   QStringLiteral("lrc")};
    for (const QString &t : tags) {
        if (field.size() == t.size() && QLatin1StringView(field) == t)
            return &t;
    }
    return nullptr;
}

QString asideName(const QString &path)
{
    const QString base = path + QStringLiteral(".bad-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + u'-' + QString::number(n);
    return name;
}

} // namespace

QByteArray encodeDatabase(const TSubtitleDatabase &db)
{
    QByteArray out;
    if (db.isEmpty())
        return out;
    // Worst case: 3 bytes per UTF-16 unit (an escape takes 2, a surrogate pair 4 for 2).
    qsizetype room = 2;
    for (const TSubtitleRecord &r : db.rows()) {
        room += 3 * (r.FileName.size() + r.Format.size() + r.AssociatedWith.size()
                     + r.SizeText.size() + r.FullPath.size()) + kFieldCount + 1;
    }
    // The reader skips a BOM at the very start of the file; a first field that starts with
    // U+FEFF gets one of its own there so that its character survives.
    const bool leadingBom = db.rows().front().FileName.startsWith(QChar(0xFEFF));
    out.resize(room + (leadingBom ? 3 : 0));
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    char *const begin = out.data();
    char *dst = begin;
    if (leadingBom) {
        std::memcpy(dst, "\xEF\xBB\xBF", 3);
        dst += 3;
    }
    bool first = true;
    for (const TSubtitleRecord &r : db.rows()) {
        if (!first)
            *dst++ = kRecordSeparator;
        first = false;
        dst = putField(utf8, dst, r.FileName);
        dst = putField(utf8, dst, r.Format);
        dst = putField(utf8, dst, r.AssociatedWith);
        dst = putField(utf8, dst, r.SizeText);
        dst = putField(utf8, dst, r.FullPath);
    }
    *dst++ = '\r';
    *dst++ = '\n';
    out.truncate(dst - begin);
    return out;
}

DecodedDatabase decodeDatabase(const QByteArray &bytes, TSubtitleDatabase &db)
{
    DecodedDatabase result;
    const char *p = bytes.constData();
    const char *const end = p + bytes.size();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        p += 3;

    // Records that are not UTF-8 come from older versions in one of the Polish code pages,
    // chosen from the whole file. A file that is UTF-8 throughout needs no check per record.
    const TextEncoding fileEncoding = detectEncoding(QByteArrayView(p, end - p));
    const bool allUtf8 = fileEncoding == TextEncoding::Utf8 || fileEncoding == TextEncoding::Utf8Bom;
    const TextEncoding eightBit = allUtf8 ? TextEncoding::Windows1250 : fileEncoding;

    QList<TSubtitleRecord> rows;
    lib::PathSet paths(bytes.size() / 128);
    bool distinct = true;
    while (p < end) {
        const RawRecord raw = scanRecord(p, end);
        const char *q = raw.end;
        if (q > p) {
            if (!raw.valid) {
                ++result.recordsSkipped;
            } else {
                if (raw.extraFields)
                    ++result.recordsSkipped;
                TextEncoding enc = TextEncoding::Utf8;
                if (raw.eightBit && !allUtf8
                    && detectEncoding(QByteArrayView(p, q - p)) != TextEncoding::Utf8)
                    enc = eightBit;
                TSubtitleRecord row;
                QString *targets[kFieldCount] = {&row.FileName, &row.Format, &row.AssociatedWith,
                                                 &row.SizeText, &row.FullPath};
                for (int i = 0; i < kFieldCount; ++i) {
                    if (raw.fields[i].isEmpty())
                        continue;
                    if (i == 1 && !raw.escaped[i]) {
                        // Three tags fill this column; share them instead of a string a row.
                        if (const QString *tag = knownTag(raw.fields[i])) {
                            row.Format = *tag;
                            continue;
                        }
                    }
                    *targets[i] = raw.escaped[i] ? decodeAs(unescape(raw.fields[i]), enc)
                                                 : decodeAs(raw.fields[i], enc);
                }
                rows.append(std::move(row));
                if (distinct)
                    distinct = paths.insert(rows.last().FullPath);
            }
        }
        if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n')
            ++q;
        p = q + 1;
    }
    // Mostly damage: some other kind of file (a binary, a text in another encoding that has
    // NULs), whose few "readable" records would only be junk rows.
    if (result.recordsSkipped > rows.size()) {
        result.unreadable = true;
        return result;
    }
    db.adoptRead(std::move(rows), distinct);
    return result;
}

DatabaseReadResult OdczytajBazeNapisow(TSubtitleDatabase &db, const QString &path)
{
    const QString file = path.isEmpty() ? Paths::databaseFile() : path;
    DatabaseReadResult result;
    const QFileInfo info(file);
    if (!info.exists())
        return result;

    QByteArray bytes;
    bool readable = info.isFile() && info.size() <= kMaxFileBytes;
    if (readable) {
        QFile f(file);
        readable = f.open(QIODevice::ReadOnly);
        if (readable) {
            bytes = f.readAll();
            readable = f.error() == QFileDevice::NoError;
        }
    }

    if (readable) {
        const qsizetype before = db.size();
        const DecodedDatabase decoded = decodeDatabase(bytes, db);
        result.rowsRead = int(db.size() - before);
        result.recordsSkipped = decoded.recordsSkipped;
        if (decoded.recordsSkipped == 0)
            return result;
    }
    result.status = result.rowsRead > 0 ? DatabaseReadResult::Status::PartlyRead
                                        : DatabaseReadResult::Status::Unreadable;
    const QString aside = asideName(file);
    if (QFile::rename(file, aside))
        result.keptAsidePath = aside;
    return result;
}

bool ZapiszBazenapisow(const TSubtitleDatabase &db, QString *error, const QString &path)
{
    const QString file = path.isEmpty() ? Paths::databaseFile() : path;
    return writeFileAtomically(file, encodeDatabase(db), error);
}

QString databaseReadMessage(const DatabaseReadResult &result)
{
    using S = DatabaseReadResult::Status;
    if (result.status == S::Ok)
        return QString();
    QString text = result.status == S::Unreadable
        ? QStringLiteral("Nie udało się odczytać bazy tekstów.")
        : QStringLiteral("Część bazy tekstów była nieczytelna i została pominięta.");
    if (!result.keptAsidePath.isEmpty())
        text += QStringLiteral("\nUszkodzony plik zachowano jako:\n") + result.keptAsidePath;
    return text;
}

QString databaseWriteMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Nie udało się zapisać bazy tekstów:\n%1\n%2").arg(path, reason);
}

} // namespace zv
