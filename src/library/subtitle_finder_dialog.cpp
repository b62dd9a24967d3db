#include "library/subtitle_finder_dialog.h"

#include "core/library/subtitle_finder.h"

#include <QFileInfo>

TForm11::TForm11(QWidget *parent) : FilteredListDialog(parent)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Skocz do pliku z napisami..."));
    setSortedRows(true);
    connect(this, &FilteredListDialog::chosen, this, [this](int, const QString &name) {
        const QStringList paths = paths_;   // a load may show the dialog again meanwhile
        for (const QString &p : paths) {
            if (QFileInfo(p).fileName() == name)
                emit subtitleChosen(p);
        }
    });
}

void TForm11::setSources(std::function<QString()> currentMedia, std::function<QString()> autoLoadtextDir,
                         std::function<QStringList()> databasePaths)
{
    currentMedia_ = std::move(currentMedia);
    autoLoadtextDir_ = std::move(autoLoadtextDir);
    databasePaths_ = std::move(databasePaths);
}

QStringList TForm11::sourceNames()
{
    paths_ = zv::subtitleFinderPaths(currentMedia_ ? currentMedia_() : QString(),
                                     autoLoadtextDir_ ? autoLoadtextDir_() : QString(),
                                     databasePaths_ ? databasePaths_() : QStringList());
    QStringList names;
    names.reserve(paths_.size());
    for (const QString &p : paths_)
        names << QFileInfo(p).fileName();
    return names;
}
