// The subtitle database in the main window: adding subtitle files, associating them with the
// open film, loading a row, the database window, and the automatic lookup after a film opens.
#include "app/main_window.h"

#include "core/config/settings.h"
#include "core/files/add_plan.h"
#include "core/files/get_typ.h"
#include "core/library/subtitle_database.h"
#include "core/library/subtitle_lookup.h"
#include "library/subtitle_database_window.h"

#include <QAction>

#include <exception>

zv::TSubtitleDatabase &TZentavistaApp::subtitleDatabase()
{
    return Form7->database();
}

void TZentavistaApp::TxtAddProc(const QStringList &Paths, QPoint DropPoint, bool LoadSubtitle,
                                bool AppendAtEnd)
{
    if (!Form7)
        return;
    const zv::FileClassifier classifier(settings().FileTypes);
    zv::Utf8Lines scratch;
    const auto kindOf = [&](const QString &path) { return int(classifier.classify(path, false, scratch)); };
    const zv::TSubtitleDatabase::AddResult added =
        subtitleDatabase().TxtAddProc(Paths, DropPoint.y(), LoadSubtitle, AppendAtEnd, kindOf);
    // The classification's lines of a large file would otherwise live on through the load.
    scratch.clear();
    Form7->rowsChanged();
    UstawMStaus();
    if (!added.pathToLoad.isEmpty())
        LadujText(added.pathToLoad);
}

void TZentavistaApp::SkojarzPliki(const QString &film, const QString &subtitle)
{
    if (!Form7)
        return;
    try {
        subtitleDatabase().SkojarzPliki(film, subtitle);
    } catch (const std::exception &) {
        filesMessage(QString::fromUtf16(zv::kAssociationErrorTitle),
                     QString::fromUtf16(zv::kAssociationErrorMessage));
    }
    Form7->associationsChanged();
}

void TZentavistaApp::LadujTextNr(int row)
{
    if (!Form7)
        return;
    if (const std::optional<QString> path = subtitleDatabase().fullPathOf(row))
        LadujText(*path);
}

void TZentavistaApp::BT1Click()
{
    Form7->setVisible(!Form7->isVisible());
    BT1->setChecked(Form7->isVisible());
    UstawMStaus();
}

QString TZentavistaApp::TryToFindFile() const
{
    if (!Form7)
        return {};
    return zv::TryToFindFile(Form7->database().rows(), CurrentMediaPath, settings().AutoLoadtextDir);
}

void TZentavistaApp::AutoLoadText()
{
    // A clip the engine opened without the file entry has no path to look up.
    if (!Form7 || CurrentMediaPath.isEmpty())
        return;
    const zv::AutoLoadDecision decision = zv::autoLoadTextDecision(
        subtitleDatabase().rows(), CurrentMediaPath,
        {settings().AutoLoadText, settings().AutoLoadtextDir}, Wy1->isChecked());
    switch (decision.action) {
    case zv::AutoLoadDecision::Action::Load:
        MainAddProc(QStringList{decision.path}, zv::addModeSubtitles, false, true, false, true, DefaultDropPoint);
        break;
    case zv::AutoLoadDecision::Action::SwitchDisplayOff:
        runCommand(Wy1);
        break;
    case zv::AutoLoadDecision::Action::Nothing:
        break;
    }
}
