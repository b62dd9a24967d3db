// The settings file applied to the windows: loadini at start-up, saveini at shut-down. What
// belongs to subsystems not built into the windows yet stays in the working settings and is
// written back as it was read.
#include "app/main_window.h"

#include "core/config/ini_file.h"
#include "core/config/options_controls.h"
#include "core/config/paths.h"
#include "core/config/settings.h"
#include "core/video/display_mode_switch.h"
#include "subtitles/subtitle_editor.h"
#include "playlist/playlist_window.h"
#include "library/subtitle_database_window.h"

#include <QAction>
#include <QMessageBox>

namespace {

// A damaged file must not ask the window system for absurd windows.
constexpr int kMaxCoordinate = 32000;
constexpr int kMaxExtent = 16000;

void applyBounds(QWidget *w, int left, int top, int width, int height)
{
    w->move(qBound(-kMaxCoordinate, left, kMaxCoordinate), qBound(-kMaxCoordinate, top, kMaxCoordinate));
    w->resize(qBound(1, width, kMaxExtent), qBound(1, height, kMaxExtent));
}

} // namespace

namespace {

// What loadini applies beyond the working settings: windows, repeat and recent files.
void applyToWindows(TZentavistaApp &w)
{
    const zv::Settings &s = w.settings();
    if (s.PLSVisibleExists)
        applyBounds(w.Form6, s.PLSLeft, s.PLSTop, s.PLSWidth, s.PLSHeight);
    w.Form6->setVisible(s.PLSVisible);
    // The database window and the editor always start hidden; only their places come back.
    if (s.BNVisibleExists)
        applyBounds(w.Form7, s.BNLeft, s.BNTop, s.BNWidth, s.BNHeight);
    if (s.TEVisibleExists)
        applyBounds(w.Form12, s.TELeft, s.TETop, s.TEWidth, s.TEHeight);

    w.move(qBound(-kMaxCoordinate, s.BPLeft, kMaxCoordinate),
           qBound(-kMaxCoordinate, s.BPTop, kMaxCoordinate));
    w.UstawOCXWindow();

    if (s.Repeat && !w.Powt1->isChecked())
        w.runCommand(w.Powt1);
    // Each is put on top in turn, so the newest goes last; missing files drop out here.
    const QStringList recent = zv::recentFilesFromValue(s.RecentFiles);
    for (qsizetype i = recent.size() - 1; i >= 0; --i)
        w.AddRecentFile(recent.at(i));
}

} // namespace

void TZentavistaApp::loadini()
{
    resolutionList_ = displayModes().modes();
    *settings_ = zv::loadSettingsFile(zv::Paths::settingsFile(), resolutionList_);
    settingsLoaded_ = true;
    applyToWindows(*this);
}

void TZentavistaApp::LoadDefaultSettings()
{
    // Defaults hold no recent files and repeat off, so the menu and "Powtarzaj" keep theirs.
    *settings_ = zv::defaultSettings(resolutionList_);
    applyToWindows(*this);
}

bool TZentavistaApp::saveini()
{
    // Settings never read must not overwrite the user's file with defaults.
    if (!settingsLoaded_)
        return true;
    zv::Settings &s = *settings_;
    s.Repeat = Powt1->isChecked();
    s.PLSVisible = Form6->isVisible();
    s.PLSLeft = Form6->x();
    s.PLSTop = Form6->y();
    s.PLSWidth = Form6->width();
    s.PLSHeight = Form6->height();
    s.BNVisible = Form7->isVisible();
    s.BNLeft = Form7->x();
    s.BNTop = Form7->y();
    s.BNWidth = Form7->width();
    s.BNHeight = Form7->height();
    s.TEVisible = Form12->isVisible();
    s.TELeft = Form12->x();
    s.TETop = Form12->y();
    s.TEWidth = Form12->width();
    s.TEHeight = Form12->height();
    s.BPLeft = x();
    s.BPTop = y();
    s.BPWidth = width();
    s.BPHeight = height();
    // The gap between the subtitle lines as the user left them on screen.
    s.DisplayerDistance = DisplayerDistanceToSave();
    s.RecentFiles = zv::recentFilesValue(RecentFilesList());

    const QString path = zv::Paths::settingsFile();
    QString error;
    if (zv::saveSettingsFile(path, s, &error))
        return true;
    const QString text = error.isEmpty() ? zv::writeFailureMessage(path) : error;
    if (!reportedUnattended(text))
        QMessageBox::critical(nullptr, QStringLiteral("Zentavista"), text);
    return false;
}
