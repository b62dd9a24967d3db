// The main window's small conveniences: the recent-files menu, the tray icons, the help menu's
// mail links and the About window.
#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/key_table.h"
#include "app/tray_icons.h"
#include "core/app/recent_files.h"
#include "core/config/settings.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

#ifndef ZV_AUTHOR_MAIL
#define ZV_AUTHOR_MAIL "zentavista@users.noreply.github.com"
#endif

// ---- recent files ------------------------------------------------------------------------------

QStringList TZentavistaApp::RecentFilesList() const
{
    QStringList paths;
    for (QAction *a : RecentFiles1->actions())
        paths << a->data().toString();
    return paths;
}

void TZentavistaApp::AddRecentFile(const QString &Path)
{
    const QStringList paths = zv::addRecentFile(RecentFilesList(), Path, QFileInfo(Path).isFile());
    if (paths == RecentFilesList())
        return;
    RecentFiles1->clear();
    for (const QString &path : paths) {
        // The caption is the path; "&" would otherwise mark a shortcut letter.
        QAction *a = RecentFiles1->addAction(QString(path).replace(QLatin1Char('&'), QLatin1String("&&")));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, a] { RecentMenuProc(a); });
    }
    RecentFiles1->setEnabled(!paths.isEmpty());
}

void TZentavistaApp::RecentMenuProc(QAction *item)
{
    MainAddProc(QStringList{item->data().toString()}, 31, true, true, true, true, DefaultDropPoint);
}

// ---- tray icons --------------------------------------------------------------------------------

void TZentavistaApp::UstawTrayIcons()
{
    if (!trayIcons_) {
        if (!settings().ShowTrayIcon)
            return;
        trayIcons_ = new zv::TrayIcons({Prev, OW1, Stop, Next},
                                       [this](QAction *command) {
                                           runCommand(command);
                                           UstawMStaus();
                                       },
                                       this);
    }
    trayIcons_->setVisible(settings().ShowTrayIcon);
}

zv::TrayIcons *TZentavistaApp::trayIcons() const
{
    return trayIcons_;
}

// ---- help --------------------------------------------------------------------------------------

void TZentavistaApp::About1Click()
{
    Form10->setKeyList(zv::keyListTexts(*this));
    Form10->exec();
}

void TZentavistaApp::mailAuthor(const char *subject)
{
    // Nothing to report when no mail program starts: the link is all the program offers.
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:%1?subject=%2")
                                       .arg(QLatin1String(ZV_AUTHOR_MAIL), QLatin1String(subject))));
}

void TZentavistaApp::Informacjeobdach1Click()
{
    mailAuthor("Zentavista_v1.0_bug_report");
}

void TZentavistaApp::Propozycje1Click()
{
    mailAuthor("Zentavista_v1.0_suggestions");
}
