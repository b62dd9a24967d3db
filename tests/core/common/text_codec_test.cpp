#include "core/common/text_codec.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zv;

namespace {
const QString kPangram = QStringLiteral("Zażółć gęślą jaźń ĄŚŹ");
}

TEST(TextCodec, DecodesEachEncodingOfPolishText)
{
    struct Case { TextEncoding enc; TextEncoding expectDetected; };
    const Case cases[] = {
        {TextEncoding::Utf8, TextEncoding::Utf8},
        {TextEncoding::Utf8Bom, TextEncoding::Utf8Bom},
        {TextEncoding::Windows1250, TextEncoding::Windows1250},
        {TextEncoding::Iso8859_2, TextEncoding::Iso8859_2},
    };
    for (const Case &c : cases) {
        const QByteArray bytes = encodeText(kPangram, c.enc);
        const DecodedText d = decodeText(bytes);
        EXPECT_EQ(d.encoding, c.expectDetected) << int(c.enc);
        EXPECT_EQ(d.text, kPangram) << int(c.enc);
    }
}

TEST(TextCodec, EightBitChoiceFollowsTheDifferingLetters)
{
    // Only letters common to both pages: Windows-1250 is the default.
    EXPECT_EQ(detectEncoding(encodeText(QStringLiteral("żółć"), TextEncoding::Windows1250)),
              TextEncoding::Windows1250);
    // "ś" alone decides.
    EXPECT_EQ(detectEncoding(QByteArray("\xb6wiat")), TextEncoding::Iso8859_2);
    EXPECT_EQ(detectEncoding(QByteArray("\x9cwiat")), TextEncoding::Windows1250);
    // Plain ASCII is valid UTF-8.
    EXPECT_EQ(detectEncoding(QByteArray("abc")), TextEncoding::Utf8);
}

TEST(TextCodec, RejectsMalformedUtf8)
{
    // Overlong slash, lone continuation byte, truncated sequences (also after a run of ASCII
    // words), a letter's lead byte before a plain letter, encoded surrogate.
    for (const char *s : {"\xc0\xaf", "a\x80", "\xe2\x82", "\xc5", "abcdefghijklmnop\xc5",
                          "\xc5" "A", "\xed\xa0\x80"})
        EXPECT_NE(detectEncoding(QByteArray(s)), TextEncoding::Utf8) << s;
    EXPECT_EQ(detectEncoding(QByteArray("abcdefghijklmnop\xc5\xbc")), TextEncoding::Utf8);
}

// A writer keeps the file's encoding only when the reader gets back the same text from it.
TEST(TextCodec, KeepsTheEncodingOnlyWhenItReadsBack)
{
    const QString bom(QChar(0xFEFF));
    struct Case {
        const char *name;
        QString text;
        TextEncoding preferred, expected;
    };
    const Case cases[] = {
        {"polish letters stay windows-1250", QStringLiteral("/a/Żółć ąś.avi"), TextEncoding::Windows1250,
         TextEncoding::Windows1250},
        {"ÓŻ is valid UTF-8 in windows-1250", QStringLiteral("/a/PODRÓŻ.avi"), TextEncoding::Windows1250,
         TextEncoding::Utf8},
        {"ÓŚ", QStringLiteral("PODRÓŚ"), TextEncoding::Windows1250, TextEncoding::Utf8},
        {"ÓŹ", QStringLiteral("PODRÓŹ"), TextEncoding::Windows1250, TextEncoding::Utf8},
        {"ĆŚ", QStringLiteral("ĆŚ"), TextEncoding::Windows1250, TextEncoding::Utf8},
        {"ÓŻ beside a byte that is not UTF-8 stays", QStringLiteral("PODRÓŻ ą"), TextEncoding::Windows1250,
         TextEncoding::Windows1250},
        {"outside the code page", QStringLiteral("日本"), TextEncoding::Windows1250, TextEncoding::Utf8},
        {"iso without its own letters reads as windows-1250", QStringLiteral("żółć"), TextEncoding::Iso8859_2,
         TextEncoding::Utf8},
        {"iso with its own letters stays", QStringLiteral("świat"), TextEncoding::Iso8859_2,
         TextEncoding::Iso8859_2},
        {"ascii reads as UTF-8, the same bytes", QStringLiteral("abc"), TextEncoding::Windows1250,
         TextEncoding::Utf8},
        {"utf-8 stays", QStringLiteral("ӯ"), TextEncoding::Utf8, TextEncoding::Utf8},
        {"leading U+FEFF needs a BOM", bom + QStringLiteral("x"), TextEncoding::Utf8, TextEncoding::Utf8Bom},
        {"leading U+FEFF after a BOM", bom + QStringLiteral("x"), TextEncoding::Utf8Bom, TextEncoding::Utf8Bom},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TextEncoding used = TextEncoding::Utf8;
        const QByteArray bytes = encodeReadingBack(c.text, c.preferred, &used);
        EXPECT_EQ(used, c.expected);
        const DecodedText back = decodeText(bytes);
        EXPECT_EQ(back.encoding, used);
        EXPECT_EQ(back.text, c.text);
    }
}

TEST(TextCodec, SplitsOnEveryLineBreakKind)
{
    EXPECT_EQ(splitLines(QStringLiteral("a\r\nb\nc\rd")), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines(QStringLiteral("a\r\n")), QStringList{"a"});
    EXPECT_EQ(splitLines(QStringLiteral("\n\nx")), (QStringList{"", "", "x"}));
    EXPECT_TRUE(splitLines(QString()).isEmpty());
}

TEST(TextCodec, UnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(encodeText(QStringLiteral("a€日"), TextEncoding::Iso8859_2), QByteArray("a??"));
    EXPECT_EQ(encodeText(QStringLiteral("a€"), TextEncoding::Windows1250), QByteArray("a\x80"));
}

TEST(TextCodec, DirectUtf8DecodingAgreesWithDecodeAs)
{
    // Every byte of both code pages, between ASCII runs long enough for the word-at-a-time copy.
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    const QByteArray input = QByteArray(19, 'a') + every + QByteArray(9, 'b') + every;
    for (TextEncoding enc : {TextEncoding::Windows1250, TextEncoding::Iso8859_2}) {
        QByteArray out("x");
        appendAsUtf8(out, input, enc);
        EXPECT_EQ(QString::fromUtf8(out), u'x' + decodeAs(input, enc)) << int(enc);
    }
    // UTF-8 is copied when valid; bad bytes become U+FFFD as decodeAs has them.
    for (const QByteArray &bytes : {QByteArray("Zażółć"), QByteArray("a\xff" "b"), QByteArray("\xc5")}) {
        QByteArray out;
        appendAsUtf8(out, bytes, TextEncoding::Utf8);
        EXPECT_EQ(QString::fromUtf8(out), decodeAs(bytes, TextEncoding::Utf8)) << bytes.toHex().constData();
    }
}

// The decoder goes by blocks of sixteen and four bytes, and writes into the list directly when it
// has room: every length around those steps, in both ways, must read as the byte-by-byte
// decoding does and count the same letters.
TEST(TextCodec, BlockDecodingAgreesWithTheByteByByteReading)
{
    // How far the count leans to ISO-8859-2, found by adding letters of one page or the other.
    const auto leadOf = [](EightBitVotes v) {
        int lead = 0;
        const bool iso = v.choice() == TextEncoding::Iso8859_2;
        for (; (v.choice() == TextEncoding::Iso8859_2) == iso; lead += iso ? 1 : -1)
            v.add(iso ? "\xB9" : "\xB1");
        return iso ? lead : lead + 1;
    };
    uint32_t seed = 33;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    std::vector<QByteArray> inputs;
    for (int length : {0, 1, 3, 4, 5, 15, 16, 17, 31, 32, 33, 63, 64, 65, 511, 512, 513, 2000}) {
        // Mostly ASCII, as text is, with every fourth input all above it.
        for (int kind = 0; kind < 4; ++kind) {
            QByteArray b(length, Qt::Uninitialized);
            for (char &c : b)
                c = char(kind == 3 || next() % 8 == 0 ? 0x80 | (next() >> 8) : (next() >> 8) % 0x80);
            inputs.push_back(b);
        }
    }
    for (TextEncoding enc : {TextEncoding::Windows1250, TextEncoding::Iso8859_2}) {
        for (const QByteArray &input : inputs) {
            const QByteArray expected = "x" + decodeAs(input, enc).toUtf8();
            EightBitVotes expectedVotes;
            expectedVotes.add(input);
            for (bool roomy : {false, true}) {
                QByteArray out("x");
                if (roomy)
                    out.reserve(3 * input.size() + 64);
                EightBitVotes votes;
                appendAsUtf8(out, input, enc, votes);
                EXPECT_EQ(out, expected) << int(enc) << " " << input.toHex().constData();
                EXPECT_EQ(leadOf(votes), leadOf(expectedVotes)) << input.toHex().constData();
            }
        }
    }
}

// An editor writes back the bytes it read, including those the code page has no character for.
TEST(TextCodec, KeptBytesGoBackAsTheyWere)
{
    QByteArray every;
    for (int b = 1; b < 256; ++b)
        every += char(b);
    const QByteArray cp1250 = encodeText(QStringLiteral("Zażółć "), TextEncoding::Windows1250) + every;
    // ISO-8859-2 by its own letters; it has a character for every byte.
    const QByteArray iso = QByteArray("\xb6\xb6\xb6 ") + every;
    struct Case {
        const char *name;
        QByteArray bytes;
        TextEncoding encoding;
    } cases[] = {
        {"windows-1250", cp1250, TextEncoding::Windows1250},
        {"iso-8859-2", iso, TextEncoding::Iso8859_2},
        {"utf-8", QByteArray("Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 \xef\x9e\x81"), TextEncoding::Utf8},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedText d = decodeTextKeepingBytes(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding);
        TextEncoding used = TextEncoding::Utf8Bom;
        bool lost = true;
        EXPECT_EQ(encodeReadingBackKeepingBytes(d.text, d.encoding, &used, &lost), c.bytes);
        EXPECT_EQ(used, c.encoding);
        EXPECT_FALSE(lost);
        // An edit elsewhere leaves them too.
        EXPECT_EQ(encodeReadingBackKeepingBytes(QStringLiteral("ą") + d.text, d.encoding),
                  encodeText(QStringLiteral("ą"), c.encoding) + c.bytes);
    }
    // The player's own decoding is untouched: no character there is U+FFFD.
    EXPECT_EQ(decodeText(QByteArray("a\x81\x98")).text, QStringLiteral("a\uFFFD\uFFFD"));
    EXPECT_EQ(decodeTextKeepingBytes(QByteArray("a\x81\x98")).text, QStringLiteral("a\uF781\uF798"));

    // A character the code page lacks moves the text to UTF-8, where the bytes cannot go.
    const DecodedText d = decodeTextKeepingBytes(QByteArray("\xbf\x81"));
    TextEncoding used = TextEncoding::Windows1250;
    bool lost = false;
    EXPECT_EQ(encodeReadingBackKeepingBytes(d.text + QStringLiteral("日"), d.encoding, &used, &lost),
              QStringLiteral("ż\uFFFD日").toUtf8());
    EXPECT_EQ(used, TextEncoding::Utf8);
    EXPECT_TRUE(lost);
    // A private-use character standing for a byte the code page does have is no kept byte.
    EXPECT_EQ(encodeReadingBackKeepingBytes(QStringLiteral("ż\uF7BF"), TextEncoding::Windows1250, &used, &lost),
              QStringLiteral("ż\uF7BF").toUtf8());
    EXPECT_FALSE(lost);
}
