// The subtitle editor and the subtitle-file finder: their commands and what they ask of the
// player. The windows do the work; the main window lends them its position, options and
// loading.
#include "app/main_window.h"

#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_finder_dialog.h"
#include "playback/media_engine.h"
#include "subtitles/subtitle_editor.h"

#include <QAction>
#include <QTabWidget>

void TZentavistaApp::ConnectEditor()
{
    if (Form12) {
        TForm12::Player p;
        p.position = [this] {
            const MediaEngine *e = m();
            return e ? e->CurrentPosition() : 0.0;
        };
        p.timeSource = [this] { return settings().TETimeSuorceIndex; };
        p.timeFormat = [this] { return settings().TETimeFormatIndex; };
        p.autoLoadtextDir = [this] { return settings().AutoLoadtextDir; };
        p.currentMediaPath = [this] { return CurrentMediaPath; };
        p.loadSubtitles = [this](const QString &path) { LadujText(path); };
        p.showOptions = [this] {
            Opcje1Click();
            QTabWidget *pages = Form2->PageControl1;
            for (int i = 0; i < pages->count(); ++i) {
                if (pages->tabText(i) == QStringLiteral("Edytor napisów"))
                    pages->setCurrentIndex(i);
            }
        };
        p.findSubtitleFile = [this] { runCommand(SDPZN1); };
        Form12->setPlayer(std::move(p));
        Form12->OptionsApplied();
    }
    if (Form11) {
        Form11->setSources([this] { return CurrentMediaPath; },
                           [this] { return settings().AutoLoadtextDir; },
                           [this] {
                               QStringList paths;
                               for (const zv::TSubtitleRecord &r : subtitleDatabase().rows())
                                   paths << r.FullPath;
                               return paths;
                           });
        connect(Form11, &TForm11::subtitleChosen, this, [this](const QString &path) {
            MainAddProc(QStringList{path}, 2, false, true, false, true, DefaultDropPoint);
        });
    }
}

void TZentavistaApp::SDPZN1Click()
{
    if (!Form11)
        return;
    SDPZN1->setChecked(Form11->toggle());
}

void TZentavistaApp::Edytortxt1Click()
{
    if (!Form12)
        return;
    Form12->show();
    Form12->raise();
    Form12->activateWindow();
}
