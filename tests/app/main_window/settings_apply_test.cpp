// The settings file applied to the windows at start-up and taken from them at exit.
#include "support/app_features.h"
#include "app_fixture.h"
#include "core/config/ini_file.h"
#include "core/config/paths.h"
#include "core/config/settings.h"
#include "subtitles/subtitle_editor.h"
#include "playlist/playlist_window.h"
#include "library/subtitle_database_window.h"
#include "support/test_env.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void writeSettings(const QByteArray &text)
{
    QFile f(zv::Paths::settingsFile());
    QDir().mkpath(QFileInfo(f).path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray settingsBytes()
{
    QFile f(zv::Paths::settingsFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Bounds {
    QPoint pos;
    QSize size;
};

TEST(LoadIni, WindowPlacesFollowTheKeysThatExist)
{
    struct Case {
        const char *name;
        QByteArray ini;
        QPoint mainPos;
        bool playlistVisible;
        std::optional<Bounds> playlist, database, editor; // nullopt: the form's own default
        bool repeat;
    };
    const Case cases[] = {
        {"no file: defaults", "", {460, 272}, false, std::nullopt, std::nullopt, std::nullopt, false},
        {"everything stored",
         "[Main]\nBPLeft=100\nBPTop=50\nPLSVisible=1\nPLSLeft=10\nPLSTop=20\nPLSWidth=330\n"
         "PLSHeight=310\nBNVisible=0\nBNLeft=30\nBNTop=40\nBNWidth=470\nBNHeight=280\n"
         "TEVisible=1\nTELeft=50\nTETop=60\nTEWidth=350\nTEHeight=290\nRepeat=1\n",
         {100, 50}, true, Bounds{{10, 20}, {330, 310}}, Bounds{{30, 40}, {470, 280}},
         Bounds{{50, 60}, {350, 290}}, true},
        // Bounds without their visibility key are not applied.
        {"bounds without the visibility keys",
         "[main]\nplsleft=10\nPLSTop=20\nBNLeft=30\nTELeft=50\nbpleft=7\nBPTOP=8\n",
         {7, 8}, false, std::nullopt, std::nullopt, std::nullopt, false},
        {"playlist hidden but placed", "[Main]\nPLSVisible=0\nPLSLeft=11\n", {460, 272}, false,
         Bounds{{11, 272}, {320, 300}}, std::nullopt, std::nullopt, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        zv::test::ScopedHome home;
        if (!c.ini.isEmpty())
            writeSettings(c.ini);
        TZentavistaApp w;
        useScriptedEngine(w);
        w.CreateForms();
        EXPECT_EQ(w.pos(), c.mainPos);
        EXPECT_EQ(w.Form6->isVisible(), c.playlistVisible);
        EXPECT_FALSE(w.Form7->isVisible()) << "the database window always starts hidden";
        EXPECT_FALSE(w.Form12->isVisible()) << "the editor always starts hidden";
        const std::pair<QWidget *, const std::optional<Bounds> *> forms[] = {
            {w.Form6, &c.playlist}, {w.Form7, &c.database}, {w.Form12, &c.editor}};
        for (const auto &[form, expected] : forms) {
            if (!expected->has_value())
                continue;
            SCOPED_TRACE(form->metaObject()->className());
            EXPECT_EQ(form->pos(), (*expected)->pos);
            EXPECT_EQ(form->size(), (*expected)->size);
        }
        EXPECT_EQ(w.commands().action(zv::Cmd::Powt1)->isChecked(), c.repeat);
    }
}

TEST(LoadIni, DamagedBoundsGiveUsableWindows)
{
    zv::test::ScopedHome home;
    writeSettings("[Main]\nBPLeft=-99999999\nBPTop=99999999\nPLSVisible=1\nPLSWidth=2000000000\n"
                  "PLSHeight=-5\n\x01\xff\xfe garbage\nPLSLeft=abc\n");
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    EXPECT_LE(std::abs(w.x()), 32000);
    EXPECT_LE(std::abs(w.y()), 32000);
    EXPECT_GE(w.Form6->height(), 1);
    EXPECT_LE(w.Form6->width(), 16000);
    EXPECT_EQ(w.Form6->x(), 140) << "a value that is not a number reads as the default";
}

TEST(SaveIni, NothingChangedWritesTheSameValues)
{
    zv::test::ScopedHome home;
    // A recent file that exists: the menu drops missing ones when it is read.
    const QString recent = home.file(QStringLiteral("b.avi"));
    QFile f(recent);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    writeSettings(QByteArray("[Main]\nUnknownKey=stays\nFontSize=30\nRecentFiles=") + recent.toUtf8()
                   + "|\nFullScrResIndex=4\n"
                     "OffsetEnabled=1\nParamFile=/x.avi\nPLSVisible=1\nPLSLeft=15\nPLSTop=25\n"
                     "PLSWidth=321\nPLSHeight=301\nBPLeft=120\nBPTop=90\nRepeat=1\n");
    QByteArray first;
    zv::Settings firstSettings;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        TZentavistaApp w;
        useScriptedEngine(w);
        w.CreateForms();
        w.close();
        const QByteArray bytes = settingsBytes();
        const zv::Settings s = zv::loadSettingsFile(zv::Paths::settingsFile(), w.video().resolutionList());
        if (run == 0) {
            first = bytes;
            firstSettings = s;
            continue;
        }
        EXPECT_EQ(bytes, first) << "a second run with no change writes the same file";
        EXPECT_TRUE(s == firstSettings);
    }
    const zv::Settings s = zv::loadSettingsFile(zv::Paths::settingsFile(), {});
    EXPECT_EQ(s.FontSize, 30);
    EXPECT_EQ(s.FullScrResIndex, 4);
    EXPECT_EQ(s.RecentFiles, recent + QLatin1Char('|'));
    EXPECT_TRUE(s.OffsetEnabled);
    EXPECT_EQ(s.ParamFile, QStringLiteral("/x.avi"));
    EXPECT_TRUE(s.Repeat);
    EXPECT_TRUE(s.PLSVisible);
    EXPECT_EQ(QPoint(s.PLSLeft, s.PLSTop), QPoint(15, 25));
    EXPECT_EQ(QSize(s.PLSWidth, s.PLSHeight), QSize(321, 301));
    EXPECT_EQ(QPoint(s.BPLeft, s.BPTop), QPoint(120, 90));
    EXPECT_EQ(zv::readIniKey(zv::Paths::settingsFile(), "Main", "UnknownKey"), QStringLiteral("stays"));
}

TEST(SaveIni, WindowChangesAreWritten)
{
    zv::test::ScopedHome home;
    {
        TZentavistaApp w;
        useScriptedEngine(w);
        w.CreateForms();
        w.move(200, 150);
        w.resize(400, 380);
        w.Form6->move(33, 44);
        w.Form6->show();
        w.Form12->move(55, 66);
        w.commands().run(zv::Cmd::Powt1);
        w.close();
    }
    const zv::Settings s = zv::loadSettingsFile(zv::Paths::settingsFile(), {});
    EXPECT_EQ(QPoint(s.BPLeft, s.BPTop), QPoint(200, 150));
    EXPECT_EQ(zv::readIniKey(zv::Paths::settingsFile(), "Main", "BPWidth"), QStringLiteral("400"));
    EXPECT_TRUE(s.PLSVisible);
    EXPECT_EQ(QPoint(s.PLSLeft, s.PLSTop), QPoint(33, 44));
    EXPECT_FALSE(s.TEVisible);
    EXPECT_EQ(QPoint(s.TELeft, s.TETop), QPoint(55, 66));
    EXPECT_TRUE(s.Repeat);

    // The next start puts them back.
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    EXPECT_EQ(w.pos(), QPoint(200, 150));
    EXPECT_TRUE(w.Form6->isVisible());
    EXPECT_EQ(w.Form6->pos(), QPoint(33, 44));
    EXPECT_EQ(w.Form12->pos(), QPoint(55, 66));
    EXPECT_TRUE(w.commands().action(zv::Cmd::Powt1)->isChecked());
}

QStringList g_warnings;

// A user's close reports each failed write in a box; an unattended one (a signal, the session
// ending) shows none and writes the same reports to standard error.
TEST(SaveIni, AFailedWriteIsReportedAndTheProgramStillCloses)
{
    QTemporaryDir dir;
    // A file where the state folder should be: nothing can be created below it, even as root.
    const QString blocker = QDir(dir.path()).filePath("blocker");
    QFile(blocker).open(QIODevice::WriteOnly);
    zv::test::ScopedHome restoresHome; // puts $ZENTAVISTA_HOME back afterwards
    qputenv("ZENTAVISTA_HOME", (blocker + "/state").toLocal8Bit());

    for (const bool unattended : {false, true}) {
        SCOPED_TRACE(unattended ? "unattended" : "by the user");
        QStringList shown;
        TZentavistaApp w;
        useScriptedEngine(w);
        w.CreateForms();
        bool finished = false;
        QObject::connect(&w, &TZentavistaApp::shutDownFinished, [&] { finished = true; });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        poll.start(50);
        g_warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) {
                if (text.startsWith(QLatin1String("zentavista: ")))
                    g_warnings << text;
            });
        if (unattended)
            w.CloseUnattended();
        else
            w.close();
        qInstallMessageHandler(previous);
        poll.stop();

        // Every file that cannot be written reports on its own, in the order of the shut-down:
        // the temporary playlist, then the settings.
        const QStringList reports = unattended ? g_warnings : shown;
        EXPECT_TRUE(unattended ? shown.isEmpty() : true) << shown.join(" | ").toStdString();
        ASSERT_GE(reports.size(), 2);
        EXPECT_TRUE(reports.at(0).contains(blocker + "/state/zentavista.zvl")) << reports.at(0).toStdString();
        EXPECT_TRUE(reports.at(1).endsWith(
            QStringLiteral("Unable to write to %1").arg(blocker + "/state/zentavista.ini")))
            << reports.at(1).toStdString();
        EXPECT_TRUE(finished);
        EXPECT_EQ(w.lifecycleSteps().last(), QStringLiteral("ClearSubtitleTable"));
    }
}

} // namespace
