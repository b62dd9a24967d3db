#include "core/playback/status_view.h"

#include <gtest/gtest.h>

using namespace zv::playback;

TEST(StatusView, ClockAndTimeLabel)
{
    struct Case { double s; const char *text; };
    const Case clock[] = {{0, "0:00:00"}, {307.9, "0:05:07"}, {5530, "1:32:10"},
                          {86399.5, "23:59:59"}, {86400, "0:00:00"}, {90061, "1:01:01"},
                          {-3, "0:00:00"}};
    for (const Case &c : clock)
        EXPECT_EQ(formatClock(c.s), QString::fromUtf8(c.text)) << c.s;

    EXPECT_EQ(timeLabelText(-1, 100, true), QString());
    EXPECT_EQ(timeLabelText(307.2, 5530.9, true), QStringLiteral("0:05:07 / 1:32:10"));
    EXPECT_EQ(timeLabelText(10.5, 100, false), QStringLiteral("- 0:01:29"));
    // Seeking past the end is not clamped; the remaining time stays readable.
    EXPECT_EQ(timeLabelText(120, 100, false), QStringLiteral("- 0:00:00"));
}

TEST(StatusView, TransportByPlayState)
{
    struct Case {
        int state, ready;
        bool hasTransport;
        TransportView t;
        const char *word; // nullptr: unchanged
    };
    const Case cases[] = {
        {0, 4, true, {true, false, false, false, true, true, true, false, true}, "Zatrzymany"},
        {1, 4, true, {true, false, true, true, true, false, true, true, true}, "Pauza"},
        {2, 4, true, {true, true, true, false, true, false, true, true, true}, "Odtwarzanie..."},
        {3, 4, false, {}, "Czekanie..."},
        {4, 4, false, {}, nullptr},
        {5, 4, false, {}, nullptr},
        {6, 0, true, {}, "Zamknięty"},
        {6, 1, true, {}, "Otwieranie..."},
    };
    for (const Case &c : cases) {
        StatusInput in;
        in.playState = c.state;
        in.readyState = c.ready;
        const StatusView v = computeStatus(in);
        ASSERT_EQ(v.transport.has_value(), c.hasTransport) << c.state;
        if (c.hasTransport) {
            const TransportView &t = *v.transport;
            EXPECT_EQ(t.playEnabled, c.t.playEnabled) << c.state;
            EXPECT_EQ(t.playDown, c.t.playDown) << c.state;
            EXPECT_EQ(t.pauseEnabled, c.t.pauseEnabled) << c.state;
            EXPECT_EQ(t.pauseDown, c.t.pauseDown) << c.state;
            EXPECT_EQ(t.stopEnabled, c.t.stopEnabled) << c.state;
            EXPECT_EQ(t.stopDown, c.t.stopDown) << c.state;
            EXPECT_EQ(t.od1Enabled, c.t.od1Enabled) << c.state;
            EXPECT_EQ(t.p1Enabled, c.t.p1Enabled) << c.state;
            EXPECT_EQ(t.itemsEnabled, c.t.itemsEnabled) << c.state;
        }
        if (c.word)
            EXPECT_EQ(v.stateWord, QString::fromUtf8(c.word)) << c.state;
        else
            EXPECT_FALSE(v.stateWord) << c.state;
        // Without a sound device an open file's word says so; closed and the scan states do not.
        in.soundLost = true;
        const std::optional<QString> silent = computeStatus(in).stateWord;
        if (c.word && c.state <= 3)
            EXPECT_EQ(silent, QString::fromUtf8(c.word) + QStringLiteral(" (bez dźwięku)"));
        else
            EXPECT_EQ(silent, v.stateWord) << c.state;
    }
}

TEST(StatusView, PlaylistEnablesPlayAndSteps)
{
    StatusInput in; // closed
    in.playlistCount = 1;
    StatusView v = computeStatus(in);
    EXPECT_TRUE(v.transport->playEnabled);
    EXPECT_TRUE(v.transport->od1Enabled);
    EXPECT_FALSE(v.transport->pauseEnabled);
    EXPECT_FALSE(v.transport->itemsEnabled);
    EXPECT_FALSE(v.prevEnabled);
    EXPECT_FALSE(v.nextEnabled);

    struct Case { int count, index; bool prev, next; };
    const Case cases[] = {{0, -1, false, false}, {1, 0, false, false}, {3, 0, false, true},
                          {3, 1, true, true}, {3, 2, true, false}, {3, -1, true, true}};
    for (const Case &c : cases) {
        in.playlistCount = c.count;
        in.playlistIndex = c.index;
        v = computeStatus(in);
        EXPECT_EQ(v.prevEnabled, c.prev) << c.count << "/" << c.index;
        EXPECT_EQ(v.nextEnabled, c.next) << c.count << "/" << c.index;
    }
}

TEST(StatusView, NamesTitleAndEnabling)
{
    StatusInput in;
    StatusView v = computeStatus(in);
    EXPECT_EQ(v.caption, QStringLiteral("Zentavista"));
    EXPECT_EQ(v.names, QString());
    EXPECT_FALSE(v.pictureEnabled || v.subtitlesEnabled || v.mediaItemsEnabled
                 || v.closeSubtitleEnabled);

    in.mediaPath = QStringLiteral("/home/ola/filmy/film.avi");
    in.subtitleFile = QStringLiteral("/home/ola/napisy/film.txt");
    in.imageWidth = 320;
    v = computeStatus(in);
    EXPECT_EQ(v.names, QStringLiteral("film.avi (film.txt)"));
    EXPECT_EQ(v.caption, QStringLiteral("film.avi (film.txt) - Zentavista"));
    EXPECT_EQ(v.namesHint, in.mediaPath + QStringLiteral("\r\n") + in.subtitleFile);
    EXPECT_TRUE(v.pictureEnabled && v.subtitlesEnabled && v.mediaItemsEnabled
                && v.closeSubtitleEnabled);

    in.mediaPath = QStringLiteral("/muzyka/utwór.mp3"); // sound only
    in.subtitleFile.clear();
    in.imageWidth = 0;
    v = computeStatus(in);
    EXPECT_EQ(v.caption, QStringLiteral("utwór.mp3 - Zentavista"));
    EXPECT_FALSE(v.pictureEnabled);
    EXPECT_FALSE(v.subtitlesEnabled);
    EXPECT_TRUE(v.mediaItemsEnabled);
}

// Names with the characters that reorder text are shown with them made visible, wherever the
// status shows a name; other text, Polish letters included, stays as it is.
TEST(StatusView, ReorderingCharactersInNamesAreShown)
{
    struct Case {
        const char16_t *name;
        const char *shown;
    };
    const Case cases[] = {
        {u"rtl\u202Etxt.avi", "rtl<U+202E>txt.avi"},
        {u"\u2067a\u2069\u200F.avi", "<U+2067>a<U+2069><U+200F>.avi"},
        {u"\u061C\u202A\u202B\u202C\u202D\u2066\u2068\u200E", "<U+061C><U+202A><U+202B><U+202C><U+202D><U+2066><U+2068><U+200E>"},
        {u"Zażółć gęślą.avi", "Zażółć gęślą.avi"},
        {u"\u200D\u00A0x.avi", "\u200D\u00A0x.avi"},   // joiners and spaces do not reorder
    };
    for (const Case &c : cases) {
        StatusInput in;
        in.mediaPath = QStringLiteral("/f/") + QString::fromUtf16(c.name);
        in.subtitleFile = QStringLiteral("/n/") + QString::fromUtf16(c.name);
        const StatusView v = computeStatus(in);
        const QString shown = QString::fromUtf8(c.shown);
        EXPECT_EQ(v.names, shown + " (" + shown + ")") << c.shown;
        EXPECT_TRUE(v.caption.startsWith(shown)) << c.shown;
        EXPECT_EQ(v.namesHint, "/f/" + shown + "\r\n/n/" + shown) << c.shown;
    }
}
