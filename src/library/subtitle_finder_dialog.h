#pragma once

#include "playlist/filtered_list_dialog.h"

#include <functional>

// "Skocz do pliku z napisami...": the subtitle files beside the film, in the extra folder and
// in the database, narrowed while the user types; the chosen file is added and loaded.
class TForm11 : public FilteredListDialog {
    Q_OBJECT

public:
    explicit TForm11(QWidget *parent = nullptr);

    // Read each time the dialog shows: CurrentMediaPath, AutoLoadtextDir and the database's
    // full paths in database order.
    void setSources(std::function<QString()> currentMedia, std::function<QString()> autoLoadtextDir,
                    std::function<QStringList()> databasePaths);

    // The candidates of the last showing, full paths in list order.
    const QStringList &paths() const { return paths_; }

signals:
    // Each candidate path whose file name is the chosen one, in list order: the program
    // adds it to the database and loads it, so the last one stays loaded.
    void subtitleChosen(const QString &path);

protected:
    QStringList sourceNames() override;

private:
    std::function<QString()> currentMedia_, autoLoadtextDir_;
    std::function<QStringList()> databasePaths_;
    QStringList paths_;
};
