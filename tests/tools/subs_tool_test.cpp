// The real zentavista-subs run as a child process.
#include "support/fifo_reader.h"
#include "support/file_tree.h"
#include "support/small_disk.h"
#include "support/subs_tool_run.h"
#include "support/subtitle_samples.h"

#include "core/subtitles/styled_text.h"
#include "core/subtitles/subtitle_writer.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace zv;
using zv::test::FileTree;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

using zv::test::ToolRun;

// `setUp` runs in the child before the tool starts (to close or redirect its streams).
ToolRun subs(const QStringList &args, const QString &lang = QStringLiteral("pl_PL.UTF-8"),
             const std::function<void(QProcess &)> &setUp = {})
{
    return zv::test::runSubsTool(args, lang, setUp);
}

// The lines of a file as the program loads them: (start, end or NaN, text).
std::vector<SubtitleCue> cuesIn(const QString &path, double fps = 25)
{
    LoadSettings s;
    s.MediaFrameRate = fps;
    const auto loaded = zv::test::loadSample(fileBytes(path), path.endsWith(u".srt"), s);
    EXPECT_EQ(loaded.result.unrecognised, 0) << path.toStdString();
    std::vector<SubtitleCue> cues = subtitleCues(loaded.result.table, fps);
    for (SubtitleCue &c : cues)
        c.text = QByteArray(c.text.constData(), c.text.size()); // the table goes with this scope
    return cues;
}

} // namespace

TEST(SubsTool, RoundTripsBetweenAllFiveFormats)
{
    FileTree t;
    const QString source = t.file(QStringLiteral("film.srt"), zv::test::subRipSample().toUtf8());
    const std::vector<SubtitleCue> want = cuesIn(source);
    ASSERT_EQ(want.size(), 2u);
    const struct {
        const char *name;
        double precision;
        bool ends;
    } formats[] = {{"mpl2", 0.1, true}, {"mdvd", 0.04, true}, {"tmp", 1, false}, {"lrc", 1, false}, {"srt", 0.001, true}};
    // srt -> each format -> srt again, every step through the real program.
    for (const auto &f : formats) {
        SCOPED_TRACE(f.name);
        const QString mid = t.path(QStringLiteral("mid.") + f.name);
        const QString back = t.path(QStringLiteral("back_") + f.name + QStringLiteral(".srt"));
        ASSERT_EQ(subs({"convert", source, "--to", f.name, "-o", mid}).status, 0);
        ASSERT_EQ(subs({"convert", mid, "--to", "srt", "-o", back}).status, 0);
        const auto got = cuesIn(back);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].start, want[i].start, f.precision);
            if (f.ends) {
                EXPECT_NEAR(got[i].end, want[i].end, f.precision);
            }
            // Only SubRip holds italics inside a line; the others keep the letters.
            if (QByteArrayView(f.name) == "srt")
                EXPECT_EQ(got[i].text, want[i].text);
            else
                EXPECT_EQ(styled_text::stripMarks(got[i].text), styled_text::stripMarks(want[i].text));
        }
    }
}

TEST(SubsTool, FitShiftAndEncodings)
{
    FileTree t;
    // Windows-1250 MicroDVD at 25 fps: lines at 100 s and 1000 s, two seconds each (which the
    // fit stretches by 980/900).
    const QString in = t.file(QStringLiteral("a.txt"), "{2500}{2550}Za\xBF\xF3\xB3\xE6\n{25000}{25050}g\xEA\x9Cl\xB9 ja\x9F\xF1\n");
    const QString out = t.path(QStringLiteral("a.srt"));
    ToolRun r = subs({"convert", in, "--to", "srt", "--fit", "100=110", "--fit", "1000=1090", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(fileBytes(out),
              QByteArray("1\r\n00:01:50,000 --> 00:01:52,178\r\nZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87\r\n\r\n"
                         "2\r\n00:18:10,000 --> 00:18:12,178\r\ng\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84\r\n\r\n"));
    // A plain shift to standard output, kept in the input's code page.
    r = subs({"convert", in, "--to", "tmp", "--shift", "-2", "--encoding", "keep", "-o", "-"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("0:01:38:Za\xBF\xF3\xB3\xE6\r\n0:16:38:g\xEA\x9Cl\xB9 ja\x9F\xF1\r\n"));
    // The same line twice is refused.
    r = subs({"convert", in, "--to", "tmp", "--fit", "100=110", "--fit", "100=1090", "-o", "-"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("Error: 89216"));
}

TEST(SubsTool, StandardOutputGetsWhatAFileGets)
{
    FileTree t;
    // Enough lines that the output comes in many pieces.
    QByteArray text;
    for (int i = 0; i < 20000; ++i)
        text += "{" + QByteArray::number(i * 50) + "}{" + QByteArray::number(i * 50 + 40) + "}Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 "
                + QByteArray::number(i) + "|drugi\n";
    // Plain UTF-8 asked for; the input's own encoding kept, which is UTF-8 with a BOM.
    const QString plain = t.file(QStringLiteral("a.txt"), text);
    const QString marked = t.file(QStringLiteral("b.txt"), "\xEF\xBB\xBF" + text);
    for (const auto &[in, encoding] : {std::pair{plain, "utf-8"}, std::pair{marked, "keep"}}) {
        SCOPED_TRACE(encoding);
        const QString file = t.path(QStringLiteral("out.srt"));
        ASSERT_EQ(subs({"convert", in, "--to", "srt", "--encoding", encoding, "-o", file}).status, 0);
        const ToolRun r = subs({"convert", in, "--to", "srt", "--encoding", encoding, "-o", "-"});
        EXPECT_EQ(r.status, 0) << r.err.constData();
        EXPECT_GT(r.out.size(), 1 << 20);
        EXPECT_TRUE(r.out == fileBytes(file));
        EXPECT_EQ(r.out.startsWith("\xEF\xBB\xBF"), in == marked);
    }
}

TEST(SubsTool, ExitStatusesAndMessages)
{
    FileTree t;
    const QString good = t.file(QStringLiteral("good.txt"), zv::test::mpl2Sample().toUtf8());
    const QString bad = t.file(QStringLiteral("bad.txt"), "0:00:01:a\n1:75:00:zły\n0:00:05:b\n");
    const QString letters = t.file(QStringLiteral("letters.txt"), "Ala ma kota\n");
    struct Case {
        const char *label;
        QStringList args;
        int status;
        const char *inOut; // expected in standard output
        const char *inErr; // expected in standard error
    };
    const Case cases[] = {
        {"info", {"info", good}, 0, "format: mpl2", ""},
        {"not recognised, line number", {"info", bad}, 0, "(wiersze 2)", "Error: 6660"},
        {"--strict", {"info", bad, "--strict"}, 1, "wierszy wczytanych: 2", ""},
        {"unreadable", {"info", letters}, 2, "", "Nie da sie załadować pliku z tekstem"},
        {"missing", {"convert", t.path("none.txt"), "--to", "srt"}, 2, "", ""},
        {"no command", {}, 2, "", "zentavista-subs --help"},
        {"unknown format", {"convert", good, "--to", "ass"}, 2, "", "nieznany format"},
        {"cannot write", {"convert", good, "--to", "srt", "-o", good + "/x.srt"}, 2, "", "nie da się zapisać"},
        // The derived name would be the input itself.
        {"never the input", {"convert", good, "--to", "mpl2"}, 2, "", "plikiem wejściowym"},
        // Past the latest time a file holds, where every line would be put.
        {"shift too far", {"convert", good, "--to", "srt", "--shift", "1e13", "-o", "-"}, 2, "", "poza zakresem"},
        {"fit point too far", {"convert", good, "--to", "srt", "--fit", "1=1e13", "-o", "-"}, 2, "", "punkt dopasowania"},
        {"fit taking lines too far", {"convert", good, "--to", "srt", "--fit", "1=1", "--fit", "2=1e12", "-o", "-"},
         2, "", "poza zakres czasu"},
    };
    for (const Case &c : cases) {
        const ToolRun r = subs(c.args);
        EXPECT_EQ(r.status, c.status) << c.label << "\n" << r.err.constData();
        EXPECT_TRUE(r.out.contains(c.inOut)) << c.label << "\n" << r.out.constData();
        EXPECT_TRUE(r.err.contains(c.inErr)) << c.label << "\n" << r.err.constData();
    }
    EXPECT_EQ(fileBytes(good), zv::test::mpl2Sample().toUtf8()); // untouched throughout

    const ToolRun json = subs({"info", bad, "--json"});
    const QJsonObject o = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(o.value("lines").toInt(), 2);
    EXPECT_EQ(o.value("unrecognisedLines").toArray().at(0).toInt(), 2);
    EXPECT_EQ(o.value("first").toDouble(), 1.0);
    EXPECT_EQ(o.value("format").toString(), "tmp");

    // Several files in one run, beside their inputs.
    const QString second = t.file(QStringLiteral("second.txt"), "{25}{50}x\n");
    ASSERT_EQ(subs({"convert", good, second, "--to", "srt"}).status, 0);
    EXPECT_TRUE(QFile::exists(t.path("good.srt")));
    EXPECT_EQ(cuesIn(t.path("second.srt")).at(0).start, 1.0);
}

TEST(SubsTool, HelpFollowsTheLanguage)
{
    const ToolRun pl = subs({"--help"});
    EXPECT_EQ(pl.status, 0);
    EXPECT_TRUE(pl.out.contains("sprawdza i przekształca pliki napisów"));
    const ToolRun en = subs({"--help"}, QStringLiteral("en_US.UTF-8"));
    EXPECT_EQ(en.status, 0);
    EXPECT_TRUE(en.out.contains("checks and converts subtitle files"));
    EXPECT_TRUE(en.out.contains("--fit SUB=FILM"));
}

TEST(SubsTool, NeverWritesOverItsInputs)
{
    struct Case {
        const char *label;
        QStringList args;    // relative to the tree
        QStringList inErr;   // each expected in standard error
    };
    const Case cases[] = {
        {"an output that is the next input", {"convert", "x.txt", "x.srt", "--to", "srt"}, {"x.txt", "x.srt"}},
        {"the same output for two inputs", {"convert", "d1/x.txt", "d2/x.txt", "--to", "srt", "-o", "out"},
         {"d1/x.txt i d2/x.txt", "out/x.srt"}},
        {"the input through a link", {"convert", "x.txt", "./link.srt", "--to", "srt"}, {"./link.srt"}},
        {"the input through a hard link", {"convert", "x.txt", "hard.srt", "--to", "srt", "-o", "out"},
         {"hard.srt"}},
        {"one input twice", {"convert", "x.txt", "./x.txt", "--to", "srt"}, {"x.txt i ./x.txt"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        FileTree t;
        const QByteArray mine = "1\n00:00:01,000 --> 00:00:02,000\nRECZNIE\n\n";
        t.file(QStringLiteral("x.txt"), "0:00:01:Z TXT\n");
        t.file(QStringLiteral("x.srt"), mine);
        t.file(QStringLiteral("d1/x.txt"), "0:00:01:A\n");
        t.file(QStringLiteral("d2/x.txt"), "0:00:01:B\n");
        t.folder(QStringLiteral("out"));
        t.link(QStringLiteral("link.srt"), t.path(QStringLiteral("x.srt")));
        ::link(QFile::encodeName(t.path("x.srt")).constData(), QFile::encodeName(t.path("out/x.srt")).constData());
        ::link(QFile::encodeName(t.path("x.srt")).constData(), QFile::encodeName(t.path("hard.srt")).constData());
        const ToolRun r = subs(c.args, QStringLiteral("pl_PL.UTF-8"), [&](QProcess &p) { p.setWorkingDirectory(t.root()); });
        EXPECT_EQ(r.status, 2) << r.err.constData();
        for (const QString &part : c.inErr)
            EXPECT_TRUE(r.err.contains(part.toUtf8())) << r.err.constData();
        // Refused before anything was written.
        EXPECT_EQ(fileBytes(t.path("x.srt")), mine);
        EXPECT_FALSE(QFile::exists(t.path("d1/x.srt")) || QFile::exists(t.path("x.srt.tmp")));
        EXPECT_EQ(QDir(t.path("out")).entryList(QDir::Files), QStringList{"x.srt"});
    }
    // A single input written over itself when -o says so: read whole, then replaced.
    FileTree t;
    const QString in = t.file(QStringLiteral("a.srt"), "1\n00:00:01,000 --> 00:00:02,000\nA\n\n");
    ASSERT_EQ(subs({"convert", in, "--to", "srt", "--shift", "1", "-o", in}).status, 0);
    EXPECT_EQ(cuesIn(in).at(0).start, 2.0);
}

TEST(SubsTool, WritesFifosInPlaceAndFollowsLinks)
{
    FileTree t;
    const QString in = t.file(QStringLiteral("a.txt"), "{25}{50}A\n");
    const QString fifo = t.fifo(QStringLiteral("fifo"));
    zv::test::FifoReader reader(fifo);
    ASSERT_TRUE(reader.ok());
    const ToolRun r = subs({"convert", in, "--to", "srt", "-o", fifo});
    const QByteArray got = reader.readAll();
    EXPECT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(got, "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n");
    EXPECT_TRUE(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    // A link stays a link; its target gets the text.
    const QString target = t.file(QStringLiteral("target.srt"), "stare");
    const QString link = t.link(QStringLiteral("link.srt"), target);
    ASSERT_EQ(subs({"convert", in, "--to", "srt", "-o", link}).status, 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(fileBytes(target), got);
}

TEST(SubsTool, AFailedOutputFailsTheRun)
{
    FileTree t;
    const QString in = t.file(QStringLiteral("a.txt"), "{25}{50}A\n");
    const auto toFull = [](QProcess &p) { p.setStandardOutputFile(QStringLiteral("/dev/full")); };
    const auto closed = [](QProcess &p) { p.setChildProcessModifier([] { ::close(STDOUT_FILENO); }); };
    const struct {
        const char *label;
        QStringList args;
        std::function<void(QProcess &)> setUp;
        const char *inErr;
    } cases[] = {
        {"convert to a full disk", {"convert", in, "--to", "srt", "-o", "-"}, toFull, "Brak wolnego miejsca"},
        {"info", {"info", in}, toFull, "Brak wolnego miejsca"},
        {"info --json", {"info", in, "--json"}, toFull, "Brak wolnego miejsca"},
        {"help", {"--help"}, toFull, "Brak wolnego miejsca"},
        {"closed", {"info", in}, closed, "standardowe wyjście"},
        {"closed, converting", {"convert", in, "--to", "srt", "-o", "-"}, closed, "standardowe wyjście"},
    };
    for (const auto &c : cases) {
        const ToolRun r = subs(c.args, QStringLiteral("pl_PL.UTF-8"), c.setUp);
        EXPECT_EQ(r.status, 2) << c.label;
        EXPECT_TRUE(r.err.contains(c.inErr)) << c.label << "\n" << r.err.constData();
    }
}

TEST(SubsTool, AFullDiskIsSaidToBeFull)
{
    zv::test::SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << "a small file system to fill needs root";
    FileTree t;
    QByteArray text;
    for (int i = 1; i <= 5000; ++i)
        text += "{" + QByteArray::number(i * 50) + "}{" + QByteArray::number(i * 50 + 40) + "}Wiersz numer "
                + QByteArray::number(i) + "\n";
    const QString in = t.file(QStringLiteral("a.txt"), text);
    const QString out = disk.path(QStringLiteral("a.srt"));
    for (const auto &[lang, words] : {std::pair{"pl_PL.UTF-8", "Brak wolnego miejsca na urządzeniu"},
                                      std::pair{"en_US.UTF-8", "No space left on device"}}) {
        const ToolRun r = subs({"convert", in, "--to", "srt", "-o", out}, QString::fromLatin1(lang));
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.contains(words)) << r.err.constData();
        EXPECT_FALSE(QFile::exists(out));
    }
}
