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

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
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
    QFile file(path);
    if (!file.exists())
        return true;
    if (file.size() > kMaxFileSize) {
        if (error)
            *error = QStringLiteral("%1: file too large").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    setContent(bytes);
    return true;
}

void IniFile::setContent(QByteArrayView bytes)
{
    bom_ = bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"));
    const QByteArrayView body = bom_ ? bytes.sliced(3) : bytes;
    crlf_ = body.indexOf(QByteArrayView("\r\n")) >= 0;
    const TextEncoding enc = detectEncoding(body);
    if (enc == TextEncoding::Utf8) {
        lines_ = splitLines(QString::fromUtf8(body));
        return;
    }
    lines_.clear();
    for (QByteArrayView line : splitByteLines(body))
        lines_.append(detectEncoding(line) == TextEncoding::Utf8 ? QString::fromUtf8(line)
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

qsizetype IniFile::findSection(QStringView section) const
{
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const ParsedLine p = parseLine(lines_[i]);
        if (p.kind == ParsedLine::Section && sameName(p.name, section))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const
{
    for (qsizetype i = header + 1; i < lines_.size(); ++i) {
        if (parseLine(lines_[i]).kind == ParsedLine::Section)
            return i;
    }
    return lines_.size();
}

qsizetype IniFile::findKey(QStringView section, QStringView key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return -1;
    for (qsizetype i = header + 1; i < lines_.size(); ++i) {
        const ParsedLine p = parseLine(lines_[i]);
        if (p.kind == ParsedLine::Section)
            return -1;
        if (p.kind == ParsedLine::Key && sameName(p.name, key))
            return i;
    }
    return -1;
}

QString IniFile::valueAt(qsizetype line) const
{
    QStringView v = parseLine(lines_[line]).value;
    if (enclosedInQuotes(v))
        v = v.sliced(1, v.size() - 2);
    if (v.size() > MaxValueLength) {
        v = v.first(MaxValueLength);
        // Never hand out half of a surrogate pair.
        if (v.back().isHighSurrogate())
            v.chop(1);
    }
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
    const qsizetype header = findSection(section);
    if (header < 0) {
        if (!lines_.isEmpty() && !trimBlanks(lines_.back()).isEmpty())
            lines_.append(QString());
        lines_.append(QStringLiteral("[") + section.toString() + u']');
        lines_.append(line);
        return true;
    }
    // After the section's last non-blank line, so blank lines that separate it from the next
    // section stay where they are.
    qsizetype at = header + 1;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (!trimBlanks(lines_[i]).isEmpty())
            at = i + 1;
    }
    lines_.insert(at, line);
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
