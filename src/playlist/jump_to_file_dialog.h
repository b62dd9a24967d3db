#pragma once

#include "playlist/filtered_list_dialog.h"

#include <functional>

// The jump-to-file dialog "Skocz do pliku...": the bare file names of the playlist, narrowed
// while the user types words, and the chosen one opened.
class TForm8 : public FilteredListDialog {
    Q_OBJECT

public:
    explicit TForm8(QWidget *parent = nullptr);

    // Read each time the dialog shows: the names (JumpNameList) and CurrentMediaPath, whose
    // file name is selected.
    void setSources(std::function<QStringList()> names, std::function<QString()> currentMedia);

signals:
    // The chosen name: the playlist opens the first entry with that file name and plays.
    void jumpRequested(const QString &name);

protected:
    QStringList sourceNames() override;
    int initialRow(const QStringList &names) override;

private:
    std::function<QStringList()> names_;
    std::function<QString()> currentMedia_;
};
