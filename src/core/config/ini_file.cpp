#include "core/config/ini_file.h"

#include "core/common/atomic_file.h"
#include "core/common/text_codec.h"

#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <limits>

namespace zv {

namespace {

// A settings file is a few kilobytes; anything past this is not ours to load into memory.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.sliced(b, e - b);
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

bool enclosedInQuotes(QStringView s)
{
    return s.size() >= 2 && isQuote(s.front()) && s.front() == s.back();
}

bool hasLineBreak(QStringView s)
{
    return s.contains(u'\n') || s.contains(u'\r');
}

struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QStringView name;    // section name or key, trimmed
    QStringView value;   // raw value after "=", trimmed, quotes still on
};

ParsedLine parseLine(const QString &line)
{
    ParsedLine p;
    const QStringView t = trimBlanks(line);
    if (t.startsWith(u'[')) {
        const qsizetype close = t.indexOf(u']');
        if (close > 0) {
            p.kind = ParsedLine::Section;
            p.name = trimBlanks(t.sliced(1, close - 1));
        }
        return p;
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq <= 0)
        return p;
    const QStringView key = trimBlanks(t.first(eq));
    if (key.isEmpty())
        return p;
    p.kind = ParsedLine::Key;
    p.name = key;
    p.value = trimBlanks(t.sliced(eq + 1));
    return p;
}

QString formatValue(const QString &value)
{
    if (!value.isEmpty()
        && (isBlank(value.front()) || isBlank(value.back()) || enclosedInQuotes(value)))
        return QStringLiteral("\"") + value + u'"';
    return value;
}

bool validSection(QStringView section)
{
    return !section.contains(u']') && !hasLineBreak(section) && trimBlanks(section) == section;
}

bool validKey(QStringView key)
{
    return !key.isEmpty() && !key.contains(u'=') && !hasLineBreak(key) && !key.startsWith(u'[')
        && trimBlanks(key) == key;
}

// Splits raw bytes on CR LF, LF and CR, like splitLines does for text.
QList<QByteArrayView> splitByteLines(QByteArrayView bytes)
{
    QList<QByteArrayView> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r')
            continue;
        out.append(bytes.sliced(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        out.append(bytes.sliced(start));
    return out;
}

} // namespace

bool IniFile::load(const QString &path, QString *error)
{
    lines_.clear();
    crlf_ = false;
    bom_ = false;
    indexed_ = false;
    QFile file(path);
    if (!file.exists())
        return true;
    const qint64 size = file.size();
    if (size > kMaxFileSize) {
        if (error)
            *error = QStringLiteral("%1: file too large").arg(path);
        return false;
    }
    // Unbuffered and by the file's size: asking QFile for the limit makes it allocate the limit.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(bytes.data() + got, size - got);
        if (n <= 0) {
            if (n < 0) {
                if (error)
                    *error = file.errorString();
                return false;
            }
            break;
        }
        got += n;
    }
    bytes.truncate(got);
    // The file may have grown since its size was taken, or report none (files under /proc).
    char chunk[4096];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0) {
            if (error)
                *error = file.errorString();
            return false;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > kMaxFileSize) {
            if (error)
                *error = QStringLiteral("%1: file too large").arg(path);
            return false;
        }
        bytes.append(chunk, n);
    }
    setContent(bytes);
    return true;
}

void IniFile::setContent(QByteArrayView bytes)
{
    indexed_ = false;
    bom_ = bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"));
    const QByteArrayView body = bom_ ? bytes.sliced(3) : bytes;
    crlf_ = body.indexOf(QByteArrayView("\r\n")) >= 0;
    // The file's own BOM is gone already: a BOM still at the start belongs to the first line.
    const auto isUtf8 = [](TextEncoding e) { return e == TextEncoding::Utf8 || e == TextEncoding::Utf8Bom; };
    const TextEncoding enc = detectEncoding(body);
    if (isUtf8(enc)) {
        lines_ = splitLines(utf8ToString(body));   // a line may start with U+FEFF of its own
        return;
    }
    lines_.clear();
    for (QByteArrayView line : splitByteLines(body))
        lines_.append(isUtf8(detectEncoding(line)) ? utf8ToString(line)
                                                                 : decodeAs(line, enc));
}

QByteArray IniFile::content() const
{
    const QString eol = crlf_ ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString &line : lines_) {
        text += line;
        text += eol;
    }
    return encodeText(text, bom_ ? TextEncoding::Utf8Bom : TextEncoding::Utf8);
}

bool IniFile::save(const QString &path, QString *error) const
{
    if (writeFileAtomically(path, content()))
        return true;
    if (error)
        *error = writeFailureMessage(path);
    return false;
}

void IniFile::buildIndex() const
{
    sections_.clear();
    sectionIndex_.clear();
    Section *current = nullptr;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const ParsedLine p = parseLine(lines_[i]);
        if (p.kind == ParsedLine::Section) {
            // Only a section's first occurrence is read and written.
            const QString name = p.name.toString().toCaseFolded();
            current = nullptr;
            if (!sectionIndex_.contains(name)) {
                sectionIndex_.insert(name, qsizetype(sections_.size()));
                current = &sections_.emplace_back();
                current->header = current->insertAt = i;
            }
            continue;
        }
        if (!current)
            continue;
        if (!trimBlanks(lines_[i]).isEmpty())
            current->insertAt = i;
        if (p.kind == ParsedLine::Key) {
            const QString key = p.name.toString().toCaseFolded();
            if (!current->keys.contains(key))
                current->keys.insert(key, i);
        }
    }
    for (Section &s : sections_)
        ++s.insertAt;
    indexed_ = true;
}

IniFile::Section *IniFile::findSection(QStringView section) const
{
    if (!indexed_)
        buildIndex();
    const qsizetype slot = sectionIndex_.value(section.toString().toCaseFolded(), -1);
    return slot < 0 ? nullptr : &sections_[size_t(slot)];
}

qsizetype IniFile::findKey(QStringView section, QStringView key) const
{
    const Section *s = findSection(section);
    if (!s)
        return -1;
    return s->keys.value(key.toString().toCaseFolded(), -1);
}

void IniFile::insertLine(qsizetype at, const QString &line)
{
    lines_.insert(at, line);
    for (Section &s : sections_) {
        if (s.header >= at)
            ++s.header;
        if (s.insertAt >= at)
            ++s.insertAt;
        for (qsizetype &k : s.keys) {
            if (k >= at)
                ++k;
        }
    }
}

QString IniFile::valueAt(qsizetype line) const
{
    QStringView v = parseLine(lines_[line]).value;
    if (enclosedInQuotes(v))
        v = v.sliced(1, v.size() - 2);
    return v.toString();
}

QString IniFile::readString(QStringView section, QStringView key, const QString &defaultValue) const
{
    const qsizetype i = findKey(section, key);
    return i < 0 ? defaultValue : valueAt(i);
}

int IniFile::readInt(QStringView section, QStringView key, int defaultValue) const
{
    const qsizetype line = findKey(section, key);
    if (line < 0)
        return defaultValue;
    const QString value = valueAt(line);
    const QStringView v = trimBlanks(value);
    qsizetype i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) {
        negative = v[i] == u'-';
        ++i;
    }
    const qsizetype firstDigit = i;
    // The magnitude may reach 2^31 only for the most negative value.
    const int64_t limit = negative ? -int64_t(std::numeric_limits<int>::min())
                                   : int64_t(std::numeric_limits<int>::max());
    int64_t magnitude = 0;
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) {
        magnitude = magnitude * 10 + (v[i].unicode() - u'0');
        if (magnitude > limit)
            return defaultValue;
    }
    if (i == firstDigit)
        return defaultValue;
    return int(negative ? -magnitude : magnitude);
}

bool IniFile::readBool(QStringView section, QStringView key, bool defaultValue) const
{
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool IniFile::hasKey(QStringView section, QStringView key) const
{
    return findKey(section, key) >= 0;
}

bool IniFile::writeString(QStringView section, QStringView key, const QString &value)
{
    if (!validSection(section) || !validKey(key) || hasLineBreak(value))
        return false;
    const QString formatted = formatValue(value);

    const qsizetype existing = findKey(section, key);
    if (existing >= 0) {
        const QStringView spelling = parseLine(lines_[existing]).name;
        lines_[existing] = spelling.toString() + u'=' + formatted;
        return true;
    }

    const QString line = key.toString() + u'=' + formatted;
    Section *s = findSection(section);
    if (!s) {
        if (!lines_.isEmpty() && !trimBlanks(lines_.back()).isEmpty())
            lines_.append(QString());
        sectionIndex_.insert(section.toString().toCaseFolded(), qsizetype(sections_.size()));
        s = &sections_.emplace_back();
        s->header = lines_.size();
        lines_.append(QStringLiteral("[") + section.toString() + u']');
        s->keys.insert(key.toString().toCaseFolded(), lines_.size());
        lines_.append(line);
        s->insertAt = lines_.size();
        return true;
    }
    // After the section's last non-blank line, so blank lines that separate it from the next
    // section stay where they are.
    const qsizetype at = s->insertAt;
    insertLine(at, line);
    s->keys.insert(key.toString().toCaseFolded(), at);
    s->insertAt = at + 1;
    return true;
}

bool IniFile::writeInt(QStringView section, QStringView key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(QStringView section, QStringView key, bool value)
{
    return writeInt(section, key, value ? 1 : 0);
}

QString writeFailureMessage(const QString &path)
{
    return QStringLiteral("Unable to write to ") + path;
}

bool writeIniKey(const QString &path, const QString &section, const QString &key,
                 const QString &value, QString *error)
{
    IniFile ini;
    // A file we cannot read must not be replaced by one holding only this key.
    if (!ini.load(path) || !ini.writeString(section, key, value)) {
        if (error)
            *error = writeFailureMessage(path);
        return false;
    }
    return ini.save(path, error);
}

QString readIniKey(const QString &path, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    IniFile ini;
    ini.load(path);
    return ini.readString(section, key, defaultValue);
}

} // namespace zv
