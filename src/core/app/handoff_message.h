#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zv {

// The single-instance hand-off message: "ZVOPEN1 <byte count>\n<UTF-8 path>". The reply is
// "OK\n" or "NO\n".
inline constexpr qsizetype kMaxHandOffPathBytes = 4096;   // PATH_MAX
// Longest message a sender may write: the header with four digits, then the path.
inline constexpr qsizetype kMaxHandOffMessage = 8 + 4 + 1 + kMaxHandOffPathBytes;

enum class HandOffParse { Incomplete, Malformed, Complete };

// Judges the bytes received so far. Complete only for exactly one whole message, whose path
// bytes go to *path; Incomplete while a well-formed prefix may still grow into one.
HandOffParse parseHandOffMessage(QByteArrayView data, QByteArray *path);

// The message for `absolutePath`; empty when it cannot be sent (empty, NUL inside, too long).
QByteArray handOffMessage(const QString &absolutePath);

// The received path as text: strict UTF-8, no NUL, absolute; empty otherwise. Whether it names
// an entry that may be opened is the receiver's check.
QString handOffPathText(QByteArrayView pathBytes);

} // namespace zv
