#pragma once

#include <QAbstractTableModel>

#include <functional>

namespace zv {

class TSubtitleDatabase;

// The database rows as the report list shows them: an empty "Index" column, then the five
// fields of a row in their stored order. Reads the database it is given (not owned) and is
// told of changes through rowsReset / rowsEdited.
class SubtitleDatabaseModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColIndex, ColFileName, ColFormat, ColAssociatedWith, ColSize, ColFullPath, ColumnCount };

    explicit SubtitleDatabaseModel(TSubtitleDatabase &db, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Runs `change` on the rows as a reset of the model (rows added, removed or moved):
    // views drop their selection.
    void changeRows(const std::function<void()> &change);
    // The same after the rows were already changed by someone else.
    void rowsReset();
    // The same rows, some fields changed: selection stays.
    void rowsEdited();

private:
    TSubtitleDatabase &db_;
};

} // namespace zv
