// The real program ended by a signal while nobody can answer it: during a start-up box, during
// the start question, and with the state folder full. It must end on its own, show no window
// after the signal and leave the state files as they were.
#include "support/program_process.h"
#include "support/x11_windows.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

using zv::test::fileBytes;
using zv::test::Program;
using zv::test::shownWindowTitles;
using zv::test::writeFileBytes;

const QString kProgram = QStringLiteral(ZV_PROGRAM);

// A playlist of three existing films whose paths are long enough not to fit a small file limit.
void writePlaylist(const Program &program)
{
    QByteArray list;
    for (int i = 1; i <= 3; ++i) {
        const QString film = program.file(QStringLiteral("film-o-dość-długiej-nazwie-numer-%1.avi").arg(i));
        writeFileBytes(film, {});
        list += film.toUtf8() + "\r\n";
    }
    writeFileBytes(program.file("zentavista.zvl"), list);
}

struct Case {
    const char *label;
    QStringList args;
    rlim_t fileSizeLimit;
    std::function<void(const Program &)> prepare;
    QString waitForTitle;    // the window shown when the signal is sent
    const char *reported;    // expected on standard error, or nullptr
    bool duringStartUp;      // no state had been read in full: nothing may be written
};

TEST(UnattendedExit, ASignalEndsTheProgramWithoutClicksAndLeavesTheFilesAlone)
{
    const Case cases[] = {
        {"damaged database box at start", {}, 0,
         [](const Program &p) {
             writePlaylist(p);
             QByteArray noise(100000, '\0');
             QRandomGenerator(13).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
             writeFileBytes(p.file("zentavista.zvd"), noise);
         },
         QStringLiteral("Błąd"), nullptr, true},
        {"start question", {"/q=Zaczynamy?"}, 0, [](const Program &p) { writePlaylist(p); },
         QStringLiteral("Zentavista"), nullptr, true},
        {"full disk at exit", {}, 200,
         [](const Program &p) {
             writePlaylist(p);
             writeFileBytes(p.ini(), "[Main]\r\nSaveLoadPlaylist=1\r\n");
         },
         QStringLiteral("Zentavista"), "Nie można zapisać playlisty", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        Program program;
        program.fileSizeLimit = c.fileSizeLimit;
        c.prepare(program);
        const QStringList names = QDir(program.home.path()).entryList(QDir::Files);
        QHash<QString, QByteArray> before;
        for (const QString &name : names)
            before.insert(name, fileBytes(program.file(name)));

        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        program.start(p, kProgram, c.args);
        ASSERT_TRUE(p.waitForStarted(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shownWindowTitles(p.processId()).contains(c.waitForTitle); },
                                    30000))
            << "never showed " << c.waitForTitle.toStdString();
        const qint64 pid = p.processId();
        const QStringList shownAtSignal = shownWindowTitles(pid);
        ::kill(pid_t(pid), SIGTERM);

        // Nothing clicks: the program must end by itself, opening no new window meanwhile.
        QElapsedTimer clock;
        clock.start();
        QStringList shownLater;
        while (p.state() != QProcess::NotRunning && clock.elapsed() < 5000) {
            for (const QString &title : shownWindowTitles(pid))
                if (!shownAtSignal.contains(title) && !shownLater.contains(title))
                    shownLater << title;
            p.waitForFinished(50);
        }
        EXPECT_EQ(p.state(), QProcess::NotRunning) << "still running 5 s after the signal";
        EXPECT_TRUE(shownLater.isEmpty()) << shownLater.join(", ").toStdString();
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
        const QString output = QString::fromUtf8(p.readAll());
        if (c.reported) {
            EXPECT_TRUE(output.contains(QString::fromUtf8(c.reported))) << output.toStdString();
        }
        // A close whose saves failed is a failure to whoever sent the signal.
        if (c.reported) {
            EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
            EXPECT_NE(p.exitCode(), 0);
        }

        // The files the program found are untouched, and a stopped start-up adds no state file.
        // (The damaged database is kept aside under another name.)
        for (const QString &name : names) {
            if (name == "zentavista.zvd")
                continue;
            EXPECT_EQ(fileBytes(program.file(name)), before.value(name)) << name.toStdString();
        }
        for (const char *state : {"zentavista.ini", "zentavista.zvl", "zentavista.zvd"}) {
            const bool added = c.duringStartUp && !names.contains(state) && QFile::exists(program.file(state));
            EXPECT_FALSE(added) << state;
        }
    }
}

} // namespace
