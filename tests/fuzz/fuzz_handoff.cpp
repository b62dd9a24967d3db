// The single-instance hand-off message. Properties: a complete message gives back exactly the
// path bytes it carries; every prefix of a complete message is incomplete, never malformed;
// a message built for a path parses back to that path.

#include "core/app/handoff_message.h"
#include "fuzz/fuzz_support.h"

using namespace zv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    QByteArray path;
    if (parseHandOffMessage(bytes, &path) == HandOffParse::Complete) {
        ZV_FUZZ_CHECK(bytes.endsWith(path) && !path.isEmpty(), bytes, path);
        for (qsizetype n = 0; n < bytes.size(); ++n) {
            QByteArray ignored;
            ZV_FUZZ_CHECK(parseHandOffMessage(bytes.first(n), &ignored) == HandOffParse::Incomplete,
                          bytes.first(n));
        }
        handOffPathText(path);
    }

    const QString text = QString::fromUtf8(bytes);
    const QByteArray message = handOffMessage(text);
    if (!message.isEmpty()) {
        ZV_FUZZ_CHECK(message.size() <= kMaxHandOffMessage, message);
        QByteArray back;
        ZV_FUZZ_CHECK(parseHandOffMessage(message, &back) == HandOffParse::Complete, message);
        ZV_FUZZ_CHECK(back == text.toUtf8(), message, back);
        if (text.startsWith(u'/'))
            ZV_FUZZ_CHECK(handOffPathText(back) == text, back);
    }
    return 0;
}
