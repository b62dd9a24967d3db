#include "playback/engine_dialogs.h"
#include "playback/media_engine.h"

#include <gtest/gtest.h>

namespace {

QString row(const InfoRows &rows, const QString &label)
{
    for (const auto &[l, v] : rows)
        if (l == label)
            return v;
    return QStringLiteral("<none>");
}

const QVariantMap kFilm{
    {EngineStat::File, "/filmy/Mój film.avi"},
    {EngineStat::FileSize, qint64(1234567)},
    {EngineStat::Format, "avi"},
    {EngineStat::Duration, 5025.7},
    {EngineStat::VideoCodec, "mpeg4"},
    {EngineStat::AudioCodec, "mp3"},
    {EngineStat::Width, 720},
    {EngineStat::Height, 576},
    {EngineStat::FrameRate, 23.976},
    {EngineStat::VideoBitrate, 1499600.0},
    {EngineStat::AudioBitrate, 96000.0},
    {EngineStat::SampleRate, 48000},
    {EngineStat::Channels, 6},
    {EngineStat::DroppedFrames, qint64(3)},
    {EngineStat::DecoderDroppedFrames, qint64(1)},
    {EngineStat::AvSync, -0.0123},
};

TEST(EngineDialogs, StatisticsOfAFilm)
{
    const InfoRows rows = statisticsRows(kFilm);
    const struct {
        const char *label;
        const char *value;
    } table[] = {
        {"Plik", "Mój film.avi"},
        {"Format", "avi"},
        {"Obraz", "mpeg4, 720 × 576, 23,976 kl./s"},
        {"Dźwięk", "mp3, 48000 Hz, 6 kanałów"},
        {"Przepływność obrazu", "1500 kb/s"},
        {"Przepływność dźwięku", "96 kb/s"},
        {"Zgubione klatki", "4 (przy wyświetlaniu 3, w dekoderze 1)"},
        {"Różnica obraz-dźwięk", "-12 ms"},
    };
    for (const auto &r : table)
        EXPECT_EQ(row(rows, QString::fromUtf8(r.label)), QString::fromUtf8(r.value)) << r.label;
}

TEST(EngineDialogs, SoundOnlyAndNothingOpen)
{
    const QVariantMap song{{EngineStat::File, "/muzyka/a.mp3"}, {EngineStat::AudioCodec, "mp3"},
                           {EngineStat::SampleRate, 44100}, {EngineStat::Channels, 2},
                           {EngineStat::Duration, 65.0}};
    const InfoRows stats = statisticsRows(song);
    EXPECT_EQ(row(stats, "Obraz"), "brak obrazu");
    EXPECT_EQ(row(stats, "Dźwięk"), "mp3, 44100 Hz, 2 kanały");
    EXPECT_EQ(row(stats, "Zgubione klatki"), "<none>"); // no picture, no frames to drop
    EXPECT_EQ(row(stats, "Przepływność dźwięku"), "—");

    const InfoRows props = propertiesRows(song);
    EXPECT_EQ(row(props, "Czas trwania"), "0:01:05");
    EXPECT_EQ(row(props, "Rozmiar obrazu"), "<none>");
    EXPECT_EQ(row(props, "Rozmiar"), "—");

    EXPECT_EQ(statisticsRows({}), (InfoRows{{"Plik", "nic nie jest otwarte"}}));
    EXPECT_EQ(propertiesRows({}).size(), 1);
}

TEST(EngineDialogs, PropertiesAndAbout)
{
    const InfoRows props = propertiesRows(kFilm);
    EXPECT_EQ(row(props, "Folder"), "/filmy");
    EXPECT_EQ(row(props, "Rozmiar"), "1\u00a0234\u00a0567 B");
    EXPECT_EQ(row(props, "Czas trwania"), "1:23:45");
    EXPECT_EQ(row(props, "Liczba klatek na sekundę"), "23,976 kl./s");

    const InfoRows about = aboutEngineRows({{EngineStat::EngineVersion, "mpv 0.35.1"},
                                            {EngineStat::ApiVersion, "2.0"}});
    EXPECT_EQ(row(about, "Silnik odtwarzania"), "mpv 0.35.1");
    EXPECT_EQ(row(about, "Dekodery"), "—");
    EXPECT_EQ(row(about, "Interfejs libmpv"), "2.0");
}

} // namespace
