#include "app/about_dialog.h"
#include "app/transport/transport_app.h"
#include "app/tray_icons.h"
#include "core/config/paths.h"
#include "core/config/ini_file.h"
#include "core/config/settings.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

namespace shelltest {

// Takes the mailto links the program hands to the desktop.
class MailCatcher : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl &url) { urls << url; }
    QList<QUrl> urls;
};

} // namespace shelltest

namespace {

TEST(RecentFilesMenu, OpenedFilesComeBackAtTheNextStart)
{
    QStringList kept;
    QString home;
    {
        TransportApp app;
        home = app.home.path();
        const QStringList paths = app.addEntries(
            {QStringLiteral("a & b.avi"), QStringLiteral("second.avi"), QStringLiteral("gone.avi")});
        for (const QString &p : paths)
            app.open(p);
        app.open(paths[0]);   // opened again: back on top, once
        kept = app.w->files().RecentFilesList();
        EXPECT_EQ(kept, (QStringList{paths[0], paths[2], paths[1]}));
        EXPECT_TRUE(app.w->commands().menu(zv::MenuId::RecentFiles1)->isEnabled());
        EXPECT_EQ(app.w->commands().menu(zv::MenuId::RecentFiles1)->actions().first()->text(), QString(paths[0]).replace(QLatin1Char('&'), QStringLiteral("&&")));
        QFile::remove(app.home.file(QStringLiteral("gone.avi")));
        // A hand-edited file may hold far more; only 20 existing ones are kept.
        app.w->options().saveini();
        QStringList many = app.w->files().RecentFilesList();
        for (int i = 0; i < 10000; ++i)
            many << app.home.file(QStringLiteral("none%1.avi").arg(i));
        zv::writeIniKey(zv::Paths::settingsFile(), QStringLiteral("Main"), QStringLiteral("RecentFiles"),
                        zv::recentFilesValue(many));
        app.w->options().loadini();
        EXPECT_EQ(app.w->files().RecentFilesList(),
                  (QStringList{kept[0], kept[2]}));   // the deleted file dropped out

        // A click opens it as "Otwórz..." does.
        app.w->commands().menu(zv::MenuId::RecentFiles1)->actions().at(1)->trigger();
        EXPECT_EQ(app.w->session().CurrentMediaPath, kept[2]);
        EXPECT_EQ(app.w->files().RecentFilesList().first(), kept[2]);
    }
}

TEST(HelpMenu, MailLinksCarryTheirSubjects)
{
    shelltest::MailCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &catcher, "open");
    TransportApp app;
    app.w->commands().run(zv::Cmd::Informacjeobdach1);
    app.w->commands().run(zv::Cmd::Propozycje1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(catcher.urls[0].query(), QStringLiteral("subject=Zentavista_v1.0_bug_report"));
    EXPECT_EQ(catcher.urls[1].query(), QStringLiteral("subject=Zentavista_v1.0_suggestions"));
}

TEST(AboutWindow, ListsTheKeysAndStartsOnItsFirstPage)
{
    TransportApp app;
    TForm10 *about = app.w->Form10;
    int shown = 0;
    const auto closeSoon = [&] {
        QTimer::singleShot(200, about, [&] {
            ++shown;
            EXPECT_TRUE(about->isVisible());
            EXPECT_GT(about->KeyList->topLevelItemCount(), 40);
            about->PageControl1->setCurrentIndex(2);
            about->reject();
        });
    };
    closeSoon();
    app.w->commands().run(zv::Cmd::About1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(about->PageControl1->currentIndex(), 0);
    EXPECT_EQ(about->PageControl1->tabText(0), QStringLiteral("O programie..."));
}

// The icons docked in the tray host: our windows (by their class, the program's name) in the
// window tree under the host's panel, read with xwininfo.
QString trayTree()
{
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                   QStringLiteral("for w in $(xdotool search --class trayer); do "
                                                  "xwininfo -tree -id $w; done")});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

int dockedIcons()
{
    const QString ours = QStringLiteral("\"%1\")").arg(QCoreApplication::applicationName());
    int n = 0;
    for (const QString &line : trayTree().split(QLatin1Char('\n')))
        n += line.contains(ours);
    return n;
}

TEST(TrayIcons, AllFourComeAndGoWithTheOption)
{
    QProcess host;
    host.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"),
                                          QStringLiteral("--height"), QStringLiteral("22"),
                                          QStringLiteral("--widthtype"), QStringLiteral("request")});
    ASSERT_TRUE(host.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 5000));

    TransportApp app;
    app.w->settings().ShowTrayIcon = false;
    app.w->options().UstawZmienneDoOpcji();   // the option as the dialog shows it, then applied
    app.w->options().UstawOpcjeDoZmiennych();
    EXPECT_EQ(app.w->desktop().trayIcons(), nullptr);
    app.w->settings().ShowTrayIcon = true;
    app.w->options().UstawZmienneDoOpcji();
    app.w->options().UstawOpcjeDoZmiennych();
    ASSERT_NE(app.w->desktop().trayIcons(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([] { return dockedIcons() == 4; }, 5000))
        << trayTree().toStdString();
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(app.w->desktop().trayIcons()->icon(i)->contextMenu());
    EXPECT_EQ(app.w->desktop().trayIcons()->icon(1)->toolTip(), QStringLiteral("Play / Pauza"));

    // The context menu's item runs the command as a click would.
    app.e->playState = MediaEngine::psPlaying;
    app.w->status().UstawMStaus();
    app.e->calls.clear();
    app.w->desktop().trayIcons()->icon(2)->contextMenu()->actions().first()->trigger();
    EXPECT_TRUE(app.e->calls.contains(QStringLiteral("Stop")));

    app.w->settings().ShowTrayIcon = false;
    app.w->options().UstawZmienneDoOpcji();   // the option as the dialog shows it, then applied
    app.w->options().UstawOpcjeDoZmiennych();
    EXPECT_TRUE(QTest::qWaitFor([] { return dockedIcons() == 0; }, 5000));
    host.kill();
    host.waitForFinished(2000);
}

} // namespace

#include "shell_test.moc"
