#include "core/app/handoff_message.h"

#include <QDir>
#include <QStringDecoder>

namespace zv {

namespace {

constexpr char kMagic[] = "ZVOPEN1 ";
constexpr qsizetype kMagicLength = sizeof(kMagic) - 1;
constexpr qsizetype kMaxHeader = kMagicLength + 4 + 1;   // four digits and the newline

} // namespace

HandOffParse parseHandOffMessage(QByteArrayView data, QByteArray *path)
{
    const qsizetype prefix = qMin(data.size(), kMagicLength);
    if (data.first(prefix) != QByteArrayView(kMagic, prefix))
        return HandOffParse::Malformed;
    const qsizetype newline = data.indexOf('\n');
    if (newline < 0)
        return data.size() >= kMaxHeader ? HandOffParse::Malformed : HandOffParse::Incomplete;
    if (newline < kMagicLength)
        return HandOffParse::Malformed;
    const QByteArrayView digits = data.sliced(kMagicLength, newline - kMagicLength);
    if (digits.isEmpty() || digits.size() > 4)
        return HandOffParse::Malformed;
    qsizetype length = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return HandOffParse::Malformed;
        length = length * 10 + (c - '0');
    }
    if (length == 0 || length > kMaxHandOffPathBytes)
        return HandOffParse::Malformed;
    const qsizetype total = newline + 1 + length;
    if (data.size() < total)
        return HandOffParse::Incomplete;
    if (data.size() > total)
        return HandOffParse::Malformed;
    *path = data.sliced(newline + 1).toByteArray();
    return HandOffParse::Complete;
}

QByteArray handOffMessage(const QString &absolutePath)
{
    if (absolutePath.isEmpty() || absolutePath.contains(QChar(0)))
        return {};
    const QByteArray payload = absolutePath.toUtf8();
    if (payload.size() > kMaxHandOffPathBytes)
        return {};
    return kMagic + QByteArray::number(payload.size()) + '\n' + payload;
}

QString handOffPathText(QByteArrayView pathBytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString path = decoder(pathBytes);
    if (decoder.hasError() || path.contains(QChar(0)) || !QDir::isAbsolutePath(path))
        return QString();
    return path;
}

} // namespace zv
