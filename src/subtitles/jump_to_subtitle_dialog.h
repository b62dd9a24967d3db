#pragma once

#include "playlist/filtered_list_dialog.h"

#include <functional>

// The jump-to-subtitle dialog "Skocz do napisu...": every subtitle line with the film time it
// is shown at (TimeListShifted), narrowed while the user types words; the chosen line's film
// second is sought.
class TJumpToTextFrm : public FilteredListDialog {
    Q_OBJECT

public:
    explicit TJumpToTextFrm(QWidget *parent = nullptr);

    // Read each time the dialog shows: the lines of TimeListShifted, one per time table entry.
    void setSource(std::function<QStringList()> lines);

signals:
    // The chosen line, as an index into the time table.
    void jumpRequested(int line);

protected:
    QStringList sourceNames() override;

private:
    std::function<QStringList()> lines_;
};
