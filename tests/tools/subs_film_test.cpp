// zentavista-subs on the films made by tests/media/make_tracks_films.sh, as a child process.
#include "support/file_tree.h"
#include "support/subs_tool_run.h"
#include "support/test_env.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using zv::test::FileTree;
using zv::test::mediaFile;

namespace {

using zv::test::ToolRun;

ToolRun subs(const QStringList &args, const QString &lang = QStringLiteral("pl_PL.UTF-8"),
             const QString &folder = {})
{
    return zv::test::runSubsTool(args, lang, [&](QProcess &p) { p.setWorkingDirectory(folder); });
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString film(const char *name) { return mediaFile(QString::fromLatin1(name)); }

} // namespace

TEST(SubsToolFilm, InfoListsTheTracks)
{
    const ToolRun text = subs({"info", film("tracks.mkv")});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    for (const char *line : {"  format: film\n", "  dźwięk 1: polski — Lektor (AC-3 stereo) [domyślna]\n",
                             "  dźwięk 2: angielski (FLAC stereo)\n", "  napisy 2: angielski (ASS)\n",
                             "  napisy 3: polski — CP1250 (SubRip)\n"})
        EXPECT_TRUE(text.out.contains(line)) << line << "\n" << text.out.toStdString();

    const ToolRun json = subs({"info", "--json", film("tracks.mp4")});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(o["format"].toString(), QStringLiteral("film"));
    const QJsonArray tracks = o["tracks"].toArray();
    ASSERT_EQ(tracks.size(), 3);
    const QJsonObject sub = tracks[2].toObject();
    EXPECT_EQ(sub["type"].toString(), QStringLiteral("subtitle"));
    EXPECT_EQ(sub["number"].toInt(), 1);
    EXPECT_EQ(sub["codec"].toString(), QStringLiteral("mov_text"));
    EXPECT_EQ(sub["language"].toString(), QStringLiteral("pol"));

    // A name that libavformat would take for a protocol is still the file of that name.
    FileTree t;
    QFile::copy(film("tracks.mp4"), t.path(QStringLiteral("pipe:0.mp4")));
    const ToolRun named = subs({"info", "pipe:0.mp4"}, QStringLiteral("pl_PL.UTF-8"), t.root());
    EXPECT_EQ(named.status, 0) << named.err.toStdString();
    EXPECT_TRUE(named.out.contains("napisy 1: polski (Tekst MP4)")) << named.out.toStdString();
}

TEST(SubsToolFilm, ConvertsATrackThroughEveryOutputRule)
{
    FileTree t;
    // The film's name says nothing: it is recognised by its content.
    QFile::copy(film("tracks.mkv"), t.path(QStringLiteral("film.dat")));
    const struct {
        const char *label;
        QStringList args;
        int status;
        const char *out; // in standard output, or in the file written for -o
        const char *err;
    } rows[] = {
        {"Windows-1250 track to MPL2",
         {"convert", film("tracks.mkv"), "--track", "3", "--to", "mpl2", "-o", "-"}, 0,
         "[20][40]Źródło: gęś i żółw.\n[50][70]Łódź nocą.\n", ""},
        {"ASS track by content: italics kept, other tags gone",
         {"convert", t.path(QStringLiteral("film.dat")), "--track", "2", "--to", "srt", "-o", "-"}, 0,
         "<i>Hello</i> world\n\n2\n00:00:04,000 --> 00:00:06,000\nTop line\nSecond line\n\n3\n"
         "00:00:07,000 --> 00:00:08,000\nDrawn\n", ""},
        {"the only track of an mp4 needs no number",
         {"convert", film("tracks.mp4"), "--to", "srt", "-o", t.path(QStringLiteral("mp4.srt"))}, 0,
         "<i>Zażółć gęślą jaźń</i>\n\n2\n00:00:04,000 --> 00:00:06,000\nDzień dobry!\nTo jest film próbny.",
         ""},
        {"several tracks need a number", {"convert", film("tracks.mkv"), "--to", "srt", "-o", "-"}, 2, "",
         "wybierz jedną przez --track"},
        {"no such track", {"convert", film("tracks.mkv"), "--track", "7", "--to", "srt", "-o", "-"}, 2, "",
         "nie ma ścieżki napisów 7 (ma ścieżki od 1 do 3)"},
        {"bad track number", {"convert", film("tracks.mkv"), "--track", "x", "--to", "srt"}, 2, "",
         "błędny numer ścieżki: x"},
        {"truncated film: the cues before the cut, said",
         {"convert", film("truncated.mkv"), "--track", "1", "--to", "mpl2", "-o", "-"}, 0,
         "Zażółć gęślą jaźń\n", "jest uszkodzony lub niepełny"},
        {"a film is never written over",
         {"convert", t.path(QStringLiteral("film.dat")), "--track", "1", "--to", "srt", "-o",
          t.path(QStringLiteral("film.dat"))}, 2, "", "plik wynikowy byłby samym filmem"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.label);
        const ToolRun run = subs(r.args);
        EXPECT_EQ(run.status, r.status) << run.err.toStdString();
        const qsizetype o = r.args.indexOf(QStringLiteral("-o"));
        QByteArray written = o < 0 || r.args[o + 1] == u"-" ? run.out : bytesOf(r.args[o + 1]);
        written.replace("\r\n", "\n");
        if (r.status == 0) {
            EXPECT_TRUE(written.contains(r.out)) << written.toStdString();
        }
        EXPECT_TRUE(run.err.contains(r.err)) << run.err.toStdString();
    }
    EXPECT_EQ(bytesOf(t.path(QStringLiteral("film.dat"))), bytesOf(film("tracks.mkv")));
}
