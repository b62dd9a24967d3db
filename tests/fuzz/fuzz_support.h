#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken round-trip property is a finding like a crash: report both values and abort, so
// libFuzzer keeps the input.
#define ZV_FUZZ_CHECK(cond, ...)                                                                  \
    do {                                                                                          \
        if (!(cond)) {                                                                            \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);      \
            zv::fuzz::explain(__VA_ARGS__);                                                       \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

namespace zv::fuzz {

inline void explain() {}
inline void explain(const QByteArray &a, const QByteArray &b = {})
{
    std::fprintf(stderr, "  %s\n  %s\n", a.toHex(' ').constData(), b.toHex(' ').constData());
}
inline void explain(const QString &a, const QString &b = {})
{
    explain(a.toUtf8(), b.toUtf8());
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

} // namespace zv::fuzz
