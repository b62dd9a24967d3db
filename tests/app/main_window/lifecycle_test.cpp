// Start-up and shut-down: their order, what the first files and the hand-off reach, and the
// real program closing cleanly on a termination signal.
#include "support/app_features.h"
#include "app_fixture.h"
#include <QUrl>
#include "shell/mpris_server.h"
#include "app/single_instance.h"
#include "core/app/command_line.h"
#include "core/config/ini_file.h"
#include "core/config/paths.h"
#include "core/config/settings.h"
#include "core/playlist/playlist.h"
#include "video/video_window.h"
#include "support/program_process.h"
#include "support/test_env.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

namespace {

const QStringList kStartUp = {
    "CreateLineBitmaps", "loadini", "OdczytajBazeNapisow", "UstawZmienneDoOpcji",
    "UstawOpcjeDoZmiennych", "SprawdzSkojarzenia", "LineWindowsHidden", "MainAddProc", "show",
    "UstawOCXWindow", "ShowVideoWindow", "focus", "UstawMStaus",
};

void writeSettings(const QString &text)
{
    QFile f(zv::Paths::settingsFile());
    QDir().mkpath(QFileInfo(f).path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

TEST(StartUp, RunsInOrderAndRestoresThePlaylistWithoutOpening)
{
    zv::test::ScopedHome home;
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    EXPECT_EQ(w.lifecycleSteps(), kStartUp);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.state().DefaultDropPoint, QPoint(1, 10000));
    ASSERT_EQ(w.files().mainAddCalls().size(), 1);
    const auto &call = w.files().mainAddCalls().first();
    EXPECT_EQ(call.Text, zv::Paths::tempPlaylist());
    EXPECT_EQ(call.AddMode, 31);
    EXPECT_TRUE(call.ClearFirst && call.AppendAtEnd);
    EXPECT_FALSE(call.OpenFirst || call.LoadSubtitle);
    EXPECT_EQ(call.DropPoint, QPoint(1, 10000));
}

TEST(StartUp, FirstFilesComeFromTheCommandLineAndSwitchesOutrankSettings)
{
    zv::test::ScopedHome home;
    writeSettings("[Main]\nPanScanValue=150\nSaveLoadPlaylist=1\n");
    const QString film = home.file("film.avi");
    QFile(film).open(QIODevice::WriteOnly);
    const zv::CommandLine cmd = zv::parseCommandLine({film, "/f", "/p=90"});

    TZentavistaApp w;
    w.setCommandLine(cmd.params, cmd.CmdFullScreen, cmd.CmdPanScan, cmd.CmdAutoPanScan,
                     cmd.PanScanValue);
    useScriptedEngine(w);
    w.CreateForms();
    ASSERT_EQ(w.files().mainAddCalls().size(), 1) << "the saved playlist is not restored over the files given";
    const auto &call = w.files().mainAddCalls().first();
    EXPECT_EQ(call.Paths, zv::ParamFilesToList(cmd.params));
    EXPECT_EQ(call.Paths.value(0), film);
    EXPECT_EQ(call.AddMode, 31);
    EXPECT_TRUE(call.ClearFirst && call.AppendAtEnd && call.OpenFirst && call.LoadSubtitle);
    EXPECT_TRUE(w.state().CmdFullScreen && w.state().CmdPanScan);
    EXPECT_FALSE(w.state().CmdAutoPanScan);
    EXPECT_EQ(w.settings().PanScanValue, 90);
}

// The only argument decides what opens: a name with a line break is that one file (its pieces
// name other files), and a playlist that lists itself opens nothing and reaches no engine.
TEST(StartUp, TheArgumentOpensExactlyWhatItNames)
{
    zv::test::ScopedHome home;
    const QString broken = home.file("film\nb.avi");
    const QString self = home.file("sama.m3u");
    for (const QString &decoy : {home.file("film"), home.file("b.avi"), broken})
        QFile(decoy).open(QIODevice::WriteOnly);
    {
        QFile f(self);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write((self + "\r\n" + self + "\r\nsama.m3u\r\n").toUtf8());
    }
    struct Case {
        QString argument;
        QString opened;   // empty: nothing
        int entries;
    };
    const Case cases[] = {{broken, broken, 1}, {self, QString(), 0}};
    const QString cwd = QDir::currentPath();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        TZentavistaApp w;
        w.setCommandLine({c.argument}, false, false, false, std::nullopt);
        useScriptedEngine(w);
        QDir::setCurrent(home.path()); // the playlist's relative line resolves to itself too
        w.CreateForms();
        EXPECT_EQ(w.session().CurrentMediaPath, c.opened);
        EXPECT_EQ(w.playlist().playlist().paths().size(), c.entries);
        const QStringList opens = scriptedEngine(w)->calls.filter(QRegularExpression("^Open ."));
        EXPECT_EQ(opens.size(), c.entries) << opens.join(" | ").toStdString();
        for (const QString &open : opens)
            EXPECT_FALSE(open.endsWith(".m3u")) << open.toStdString();
    }
    QDir::setCurrent(cwd);
}

// A termination request while a start-up box waits (the database read, the playlist read)
// closes the box and stops the start-up there: no window is shown and nothing is saved.
TEST(StartUp, AnUnattendedCloseDuringAStartUpBoxStopsIt)
{
    struct Case {
        const char *label;
        const char *damaged; // a state file replaced by something unreadable
    };
    const Case cases[] = {{"database", "zentavista.zvd"}, {"playlist", "zentavista.zvl"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        zv::test::ScopedHome home;
        const QString damaged = home.file(c.damaged);
        if (QString(c.label) == "database")
            zv::test::writeFileBytes(damaged, QByteArray(4096, '\x01'));
        else
            ::mkfifo(QFile::encodeName(damaged).constData(), 0600); // not a file: cannot be read
        TZentavistaApp w;
        useScriptedEngine(w);
        QSignalSpy finished(&w, &TZentavistaApp::shutDownFinished);
        QStringList boxes;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto *box = QApplication::activeModalWidget(); box && boxes.isEmpty()) {
                boxes << box->windowTitle();
                w.CloseUnattended();
            }
        });
        poll.start(20);
        w.CreateForms();
        poll.stop();
        EXPECT_EQ(boxes.size(), 1);
        EXPECT_EQ(w.lifecycleSteps().filter("StartUpStopped").size(), 1);
        EXPECT_FALSE(w.lifecycleSteps().contains("show"));
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(QFile::exists(zv::Paths::settingsFile()));
        if (QString(c.label) == "playlist")
            EXPECT_FALSE(QFileInfo(damaged).isFile()) << "the playlist was written over";
        else
            EXPECT_FALSE(QFile::exists(zv::Paths::tempPlaylist()));
    }
}

// A film asked for over the bus while a start-up box waits is opened after the saved playlist
// comes back, not wiped out by it.
TEST(StartUp, AFilmAskedForDuringStartUpOpensAfterThePlaylistComesBack)
{
    zv::test::ScopedHome home;
    const QString saved = home.file(QStringLiteral("zapisany.avi"));
    const QString asked = home.file(QStringLiteral("z magistrali.avi"));
    zv::test::writeFileBytes(saved, "x");
    zv::test::writeFileBytes(asked, "x");
    zv::test::writeFileBytes(home.file(QStringLiteral("zentavista.zvl")), saved.toUtf8() + "\r\n");
    zv::test::writeFileBytes(home.file(QStringLiteral("zentavista.zvd")), QByteArray(4096, '\x01'));
    TZentavistaApp w;
    useScriptedEngine(w);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = QApplication::activeModalWidget()) {
            w.desktop().mpris()->OpenUri(QUrl::fromLocalFile(asked).toString());
            box->close();
        }
    });
    poll.start(20);
    w.CreateForms();
    poll.stop();
    const zv::TPlaylist &list = w.playlist().playlist();
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0).Path, asked);
    EXPECT_EQ(w.session().CurrentMediaPath, asked);
}

TEST(StartUp, NoPlaylistRestoreWhenTheOptionIsOff)
{
    zv::test::ScopedHome home;
    writeSettings("[Main]\nSaveLoadPlaylist=0\n");
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    EXPECT_TRUE(w.files().mainAddCalls().isEmpty());
    EXPECT_FALSE(w.lifecycleSteps().contains("MainAddProc"));
}

TEST(ShutDown, RunsOnceInOrderAndWritesTheSettings)
{
    zv::test::ScopedHome home;
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    // Shown subtitles, as if a subtitle file were loaded (the status refresh enables Wy1 then).
    w.commands().action(zv::Cmd::Wy1)->setEnabled(true);
    w.commands().action(zv::Cmd::Wy1)->setChecked(true);
    QSignalSpy finished(&w, &TZentavistaApp::shutDownFinished);
    const qsizetype before = w.lifecycleSteps().size();

    EXPECT_TRUE(w.commands().run(zv::Cmd::Zakocz1));
    const QStringList steps = w.lifecycleSteps().mid(before);
    EXPECT_EQ(steps, (QStringList{"ShuttingDown", "StopGlobalKeys", "StopTimers", "StopEngine",
                                  "SubtitlesOff", "HideWindows", "SavePlaylist", "saveini",
                                  "ZapiszBazenapisow", "CloseMedia", "ClearSubtitleTable"}));
    EXPECT_TRUE(w.state().ShuttingDown);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Form9->isVisible());
    // The engine is stopped first and left with no file last.
    const QStringList engineCalls = scriptedEngine(w)->calls;
    ASSERT_GE(engineCalls.size(), 2);
    EXPECT_EQ(engineCalls.mid(engineCalls.size() - 2), (QStringList{"Stop", "Open "}));
    EXPECT_FALSE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_FALSE(w.status().Timer2->isActive() || w.status().Timer3->isActive() || w.video().Timer8->isActive());
    EXPECT_TRUE(QFile::exists(zv::Paths::settingsFile()));
    EXPECT_EQ(finished.count(), 1);

    // A second close (a signal arriving late) neither saves again nor finishes twice.
    w.close();
    EXPECT_EQ(w.lifecycleSteps().count("saveini"), 1);
    EXPECT_EQ(finished.count(), 1);
}

TEST(ShutDown, AWindowThatNeverReadTheSettingsLeavesTheFileAlone)
{
    zv::test::ScopedHome home;
    writeSettings("[Main]\nFontSize=40\n");
    {
        TZentavistaApp w;
        w.show();
        w.close();
    }
    EXPECT_EQ(zv::readIniKey(zv::Paths::settingsFile(), "Main", "FontSize"), QStringLiteral("40"));
    EXPECT_TRUE(zv::readIniKey(zv::Paths::settingsFile(), "Main", "BPLeft").isEmpty());
}

TEST(HandOff, APathFromASecondStartOpensLikeTheMenu)
{
    zv::test::ScopedHome home;
    QTemporaryDir runtime;
    qputenv("ZENTAVISTA_RUNTIME_DIR", runtime.path().toLocal8Bit());
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    const qsizetype before = w.files().mainAddCalls().size();
    zv::SingleInstance instance;
    w.connectSingleInstance(&instance);
    emit instance.fileHandedOver(QStringLiteral("/srv/filmy/film.avi"));
    ASSERT_EQ(w.files().mainAddCalls().size(), before + 1);
    const auto &call = w.files().mainAddCalls().last();
    EXPECT_EQ(call.Text, QStringLiteral("/srv/filmy/film.avi"));
    EXPECT_EQ(call.AddMode, 31);
    EXPECT_TRUE(call.ClearFirst && call.AppendAtEnd && call.OpenFirst && call.LoadSubtitle);
    EXPECT_EQ(call.DropPoint, QPoint(1, 10000));

    // Only the latest calls are kept: a long run does not grow without bound.
    for (int i = 0; i < 2 * zv::FilesController::kMainAddCallsKept; ++i)
        emit instance.fileHandedOver(QStringLiteral("/srv/filmy/%1.avi").arg(i));
    ASSERT_EQ(w.files().mainAddCalls().size(), zv::FilesController::kMainAddCallsKept);
    EXPECT_EQ(w.files().mainAddCalls().last().Text,
              QStringLiteral("/srv/filmy/%1.avi").arg(2 * zv::FilesController::kMainAddCallsKept - 1));

    w.state().ShuttingDown = true;
    emit instance.fileHandedOver(QStringLiteral("/srv/filmy/drugi.avi"));
    EXPECT_EQ(w.files().mainAddCalls().size(), zv::FilesController::kMainAddCallsKept)
        << "nothing is added while the program closes";
    EXPECT_NE(w.files().mainAddCalls().last().Text, QStringLiteral("/srv/filmy/drugi.avi"));
    qunsetenv("ZENTAVISTA_RUNTIME_DIR");
}

using zv::test::Program;
const QString kProgram = QStringLiteral(ZV_PROGRAM);

// Ended the way a desktop logout or a terminal ends it.
TEST(ShutDown, TerminationSignalsCloseThroughTheNormalPath)
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        Program program;
        {
            QFile f(program.ini());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("[Main]\nPanScanValue=133\nSomethingElse=kept\nSaveLoadPlaylist=0\n");
        }
        QProcess p;
        ASSERT_TRUE(program.startRunning(p, kProgram));
        ::kill(static_cast<pid_t>(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_FALSE(zv::readIniKey(program.ini(), "Main", "BPLeft").isEmpty())
            << "the settings were written at exit";
        EXPECT_EQ(zv::readIniKey(program.ini(), "Main", "PanScanValue"), QStringLiteral("133"));
        EXPECT_EQ(zv::readIniKey(program.ini(), "Main", "SomethingElse"), QStringLiteral("kept"));
    }
}

TEST(HandOff, ASecondStartPassesOnlyItsFirstFileAndEnds)
{
    Program program;
    QProcess first;
    ASSERT_TRUE(program.startRunning(first, kProgram));
    const QString a = QDir(program.home.path()).filePath("a.avi");
    const QString b = QDir(program.home.path()).filePath("b.avi");
    for (const QString &f : {a, b})
        QFile(f).open(QIODevice::WriteOnly);

    QProcess second;
    program.start(second, kProgram, {a, b});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(zv::readIniKey(program.ini(), "Main", "ParamFile"), a);

    // A start with nothing to hand over changes nothing.
    QProcess third;
    program.start(third, kProgram);
    ASSERT_TRUE(third.waitForFinished(20000));
    EXPECT_EQ(third.exitCode(), 0);
    EXPECT_EQ(zv::readIniKey(program.ini(), "Main", "ParamFile"), a);

    // The running instance keeps the key when it saves its own settings.
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(20000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_EQ(zv::readIniKey(program.ini(), "Main", "ParamFile"), a);
}

} // namespace
