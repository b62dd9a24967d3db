#include "core/app/handoff_message.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(HandOffMessage, ParsesOnlyOneWholeMessage)
{
    using P = HandOffParse;
    const QByteArray longest(kMaxHandOffPathBytes, 'a');
    struct Case {
        const char *name;
        QByteArray bytes;
        P expected;
        QByteArray path;
    };
    const Case cases[] = {
        {"whole", "ZVOPEN1 6\n/a/ż.b", P::Malformed, {}},   // "ż" is two bytes: 7 in all
        {"whole with the right count", "ZVOPEN1 7\n/a/ż.b", P::Complete, "/a/ż.b"},
        {"longest path", "ZVOPEN1 4096\n" + longest, P::Complete, longest},
        {"nothing yet", "", P::Incomplete, {}},
        {"part of the magic", "ZVOP", P::Incomplete, {}},
        {"header without its newline", "ZVOPEN1 12", P::Incomplete, {}},
        {"path still coming", "ZVOPEN1 7\n/a/", P::Incomplete, {}},
        {"wrong magic", "ZVOPEN2 1\n/", P::Malformed, {}},
        {"five digits", "ZVOPEN1 00001\n/", P::Malformed, {}},
        {"no digits", "ZVOPEN1 \n/", P::Malformed, {}},
        {"sign", "ZVOPEN1 +1\n/", P::Malformed, {}},
        {"zero length", "ZVOPEN1 0\n", P::Malformed, {}},
        {"past the limit", "ZVOPEN1 4097\n/", P::Malformed, {}},
        {"bytes after the message", "ZVOPEN1 1\n/x", P::Malformed, {}},
        {"header never ends", "ZVOPEN1 12345", P::Malformed, {}},
    };
    for (const Case &c : cases) {
        QByteArray path;
        EXPECT_EQ(parseHandOffMessage(c.bytes, &path), c.expected) << c.name;
        EXPECT_EQ(path, c.path) << c.name;
    }
}

TEST(HandOffMessage, BuildsWhatItParsesAndRefusesTheRest)
{
    const QString path = QStringLiteral("/home/jan/Filmy/PODRÓŻ\nz nową linią.avi");
    QByteArray back;
    ASSERT_EQ(parseHandOffMessage(handOffMessage(path), &back), HandOffParse::Complete);
    EXPECT_EQ(handOffPathText(back), path);

    EXPECT_TRUE(handOffMessage(QString()).isEmpty());
    EXPECT_TRUE(handOffMessage(QStringLiteral("/a") + QChar(0) + QStringLiteral("b")).isEmpty());
    EXPECT_TRUE(handOffMessage(QString(2049, u'ż')).isEmpty());   // 4098 bytes

    // The receiver takes strict UTF-8 absolute paths only.
    EXPECT_TRUE(handOffPathText("relative/a.avi").isEmpty());
    EXPECT_TRUE(handOffPathText("/filmy/\xD3.avi").isEmpty());
    EXPECT_TRUE(handOffPathText(QByteArray("/a\0b", 4)).isEmpty());
}
