// Reading the tracks of the films made by tests/media/make_tracks_films.sh (their contents are
// described there).
#include "core/media/film_tracks.h"

#include "support/file_tree.h"
#include "support/subtitle_samples.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

using namespace zv::media;
using zv::test::mediaFile;

namespace {

using Kind = FilmTrack::Kind;

QString film(const char *name) { return mediaFile(QString::fromLatin1(name)); }

} // namespace

TEST(FilmProbe, ListsTracksPerKindWithLanguagesAndLabels)
{
    const FilmProbe p = probeFilm(film("tracks.mkv"));
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    EXPECT_NEAR(p.durationSeconds, 10.0, 0.2);
    const struct {
        Kind kind;
        int number, stream;
        const char *codec, *language, *label;
        bool isDefault;
    } want[] = {
        {Kind::Video, 1, 0, "h264", "", "1 (H.264)", false},
        {Kind::Audio, 1, 1, "ac3", "pol", "1: polski — Lektor (AC-3 stereo)", true},
        {Kind::Audio, 2, 2, "flac", "eng", "2: angielski (FLAC stereo)", false},
        {Kind::Subtitle, 1, 3, "subrip", "pol", "1: polski — Polskie (SubRip)", true},
        {Kind::Subtitle, 2, 4, "ass", "eng", "2: angielski (ASS)", false},
        {Kind::Subtitle, 3, 5, "subrip", "pol", "3: polski — CP1250 (SubRip)", false},
    };
    ASSERT_EQ(p.tracks.size(), qsizetype(std::size(want)));
    for (qsizetype i = 0; i < p.tracks.size(); ++i) {
        const FilmTrack &t = p.tracks[i];
        const auto &w = want[i];
        SCOPED_TRACE(w.label);
        EXPECT_EQ(t.kind, w.kind);
        EXPECT_EQ(t.number, w.number);
        EXPECT_EQ(t.streamIndex, w.stream);
        EXPECT_EQ(t.codec, QString::fromLatin1(w.codec));
        EXPECT_EQ(t.language.isEmpty() ? QString() : t.language, QString::fromLatin1(w.language));
        EXPECT_EQ(trackLabel(t), QString::fromUtf8(w.label));
        EXPECT_EQ(t.isDefault, w.isDefault);
        EXPECT_FALSE(t.imageBased);
    }
    EXPECT_EQ(p.tracks[1].channels, 2);

    const FilmProbe mp4 = probeFilm(film("tracks.mp4"));
    ASSERT_TRUE(mp4.ok()) << mp4.error.toStdString();
    ASSERT_EQ(mp4.tracks.size(), 3);
    EXPECT_EQ(trackLabel(mp4.tracks[2]), QStringLiteral("1: polski (Tekst MP4)"));

    const FilmProbe many = probeFilm(film("many_tracks.mkv"));
    ASSERT_TRUE(many.ok()) << many.error.toStdString();
    ASSERT_EQ(many.tracks.size(), 41);
    EXPECT_EQ(many.tracks[20].kind, Kind::Audio);
    EXPECT_EQ(many.tracks[20].number, 20);
    EXPECT_EQ(many.tracks[40].kind, Kind::Subtitle);
    EXPECT_EQ(many.tracks[40].number, 20);
}

TEST(FilmProbe, RefusesWhatIsNotAFilmInPolish)
{
    zv::test::FileTree t;
    QByteArray noise(64 * 1024, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) >> 3);
    const QString paths[] = {
        t.path(QStringLiteral("brak.mkv")),
        t.folder(QStringLiteral("folder.mkv")),
        t.file(QStringLiteral("pusty.mkv")),
        t.file(QStringLiteral("szum.mkv"), noise),
    };
    for (const QString &path : paths) {
        const FilmProbe p = probeFilm(path);
        EXPECT_FALSE(p.ok()) << path.toStdString();
        EXPECT_TRUE(p.tracks.isEmpty());
        const ExtractedSubtitles e = extractSubtitleTrack(path, 1);
        EXPECT_FALSE(e.ok());
        EXPECT_FALSE(e.error.isEmpty());
        EXPECT_TRUE(e.subRip.isEmpty());
    }
    EXPECT_EQ(probeFilm(paths[0]).error, QStringLiteral("Plik „%1” nie istnieje.").arg(paths[0]));
}

TEST(FilmSubtitles, EachCodecBecomesSubRip)
{
    const struct {
        const char *film;
        int track;
        const char *subRip;
    } rows[] = {
        {"tracks.mkv", 1,
         "1\n00:00:01,000 --> 00:00:03,500\n<i>Zażółć gęślą jaźń</i>\n\n"
         "2\n00:00:04,000 --> 00:00:06,000\nDzień dobry!\nTo jest film próbny.\n\n"
         "3\n00:00:07,000 --> 00:00:09,000\nKoniec.\n\n"},
        {"tracks.mkv", 2,
         "1\n00:00:01,500 --> 00:00:03,000\n<i>Hello</i> world\n\n"
         "2\n00:00:04,000 --> 00:00:06,000\nTop line\nSecond line\n\n"
         "3\n00:00:07,000 --> 00:00:08,000\nDrawn\n\n"},
        // Windows-1250 bytes inside the film, read as for a subtitle file.
        {"tracks.mkv", 3,
         "1\n00:00:02,000 --> 00:00:04,000\nŹródło: gęś i żółw.\n\n"
         "2\n00:00:05,000 --> 00:00:07,000\nŁódź nocą.\n\n"},
        // mov_text: the empty samples between the lines are no cues; the style record is italics.
        {"tracks.mp4", 1,
         "1\n00:00:01,000 --> 00:00:03,500\n<i>Zażółć gęślą jaźń</i>\n\n"
         "2\n00:00:04,000 --> 00:00:06,000\nDzień dobry!\nTo jest film próbny.\n\n"
         "3\n00:00:07,000 --> 00:00:09,000\nKoniec.\n\n"},
        // WebVTT: voice and class tags gone, entities read, overlapping cues kept; a stray bad byte
        // in a UTF-8 track becomes U+FFFD rather than turning the track into Windows-1250.
        {"webvtt.mkv", 1,
         "1\n00:00:00,500 --> 00:00:01,500\nHi <i>there</i> & bye\n\n"
         "2\n00:00:01,000 --> 00:00:01,800\nZakładka\n\n"
         "3\n00:00:02,000 --> 00:00:03,000\nZażółć \xEF\xBF\xBD koniec\n\n"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string(r.film) + " " + std::to_string(r.track));
        const ExtractedSubtitles e = extractSubtitleTrack(film(r.film), r.track);
        ASSERT_TRUE(e.ok()) << e.error.toStdString();
        EXPECT_TRUE(e.warning.isEmpty()) << e.warning.toStdString();
        EXPECT_EQ(e.subRip, QByteArray(r.subRip));
        EXPECT_EQ(e.cues, e.subRip.count("-->"));
    }

    const ExtractedSubtitles missing = extractSubtitleTrack(film("tracks.mkv"), 4);
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.error,
              QStringLiteral("Film „tracks.mkv” nie ma ścieżki napisów 4 (ma ścieżki od 1 do 3)."));
}

TEST(FilmSubtitles, TruncatedFilmGivesTheCuesBeforeTheCut)
{
    const FilmProbe p = probeFilm(film("truncated.mkv"));
    ASSERT_TRUE(p.ok()) << p.error.toStdString();
    const ExtractedSubtitles e = extractSubtitleTrack(film("truncated.mkv"), 1);
    ASSERT_TRUE(e.ok()) << e.error.toStdString();
    EXPECT_GE(e.cues, 1);
    EXPECT_LT(e.cues, 3);
    EXPECT_TRUE(e.subRip.startsWith("1\n00:00:01,000 --> 00:00:03,500\n<i>Zażółć gęślą jaźń</i>\n"));
    EXPECT_TRUE(e.warning.contains(QStringLiteral("niepełny"))) << e.warning.toStdString();
}

TEST(FilmSubtitles, LongTrackIsFastLoadsAndCancels)
{
    const QString path = film("many_cues.mkv");
    std::vector<double> fractions;
    QElapsedTimer clock;
    clock.start();
    const ExtractedSubtitles e = extractSubtitleTrack(path, 1, [&](double f) {
        fractions.push_back(f);
        return true;
    });
    const qint64 ms = clock.elapsed();
    ASSERT_TRUE(e.ok()) << e.error.toStdString();
    EXPECT_EQ(e.cues, 100000);
    EXPECT_LT(ms, 10000) << "100000 cues took " << ms << " ms";
    EXPECT_TRUE(e.subRip.endsWith("100000\n02:46:39,900 --> 02:46:39,980\nLinia 99999\n\n"));
    ASSERT_FALSE(fractions.empty());
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_EQ(fractions.back(), 1.0);

    // What the player does with it: the SubRip loader takes every cue, italics included.
    const auto loaded = zv::test::loadSample(e.subRip, true);
    EXPECT_EQ(loaded.result.unrecognised, 0);
    EXPECT_EQ(loaded.kind, zv::kindSubRipSubtitle);

    // Cancelled at the first report: back within 100 ms of it, with nothing.
    QElapsedTimer sinceCancel;
    const ExtractedSubtitles c = extractSubtitleTrack(path, 1, [&](double) {
        sinceCancel.start();
        return false;
    });
    ASSERT_TRUE(sinceCancel.isValid());
    EXPECT_LT(sinceCancel.elapsed(), 100);
    EXPECT_TRUE(c.cancelled);
    EXPECT_FALSE(c.ok());
    EXPECT_TRUE(c.subRip.isEmpty());
}
