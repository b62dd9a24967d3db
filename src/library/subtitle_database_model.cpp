#include "library/subtitle_database_model.h"

#include "core/common/visible_text.h"
#include "core/library/subtitle_database.h"

#include <QColor>

namespace zv {

SubtitleDatabaseModel::SubtitleDatabaseModel(TSubtitleDatabase &db, QObject *parent)
    : QAbstractTableModel(parent), db_(db)
{
}

int SubtitleDatabaseModel::rowCount(const QModelIndex &parent) const
{
    // Qt's views count rows in int; a database that large would be unusable anyway.
    return parent.isValid() ? 0 : int(qMin<qsizetype>(db_.size(), INT_MAX));
}

int SubtitleDatabaseModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SubtitleDatabaseModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= db_.size())
        return QVariant();
    if (role == Qt::TextAlignmentRole && index.column() == ColSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    const TSubtitleRecord &r = db_.at(index.row());
    // A row whose file is gone is greyed and says so; only the rows on screen are asked.
    if (role == Qt::ForegroundRole)
        return TSubtitleDatabase::realFileExists(r.FullPath) ? QVariant() : QVariant(QColor(Qt::gray));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case ColFileName:
        if (!TSubtitleDatabase::realFileExists(r.FullPath))
            return visibleText(r.FileName) + QStringLiteral(" (brak pliku)");
        return visibleText(r.FileName);
    case ColFormat: return r.Format;
    case ColAssociatedWith: return visibleText(r.AssociatedWith);
    case ColSize: return r.SizeText;
    case ColFullPath: return visibleText(r.FullPath);
    default: return QVariant();
    }
}

QVariant SubtitleDatabaseModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::TextAlignmentRole && section == ColSize)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case ColIndex: return QStringLiteral("Index");
    case ColFileName: return QStringLiteral("Nazwa pliku");
    case ColFormat: return QStringLiteral("Format");
    case ColAssociatedWith: return QStringLiteral("Skojarzono z...");
    case ColSize: return QStringLiteral("Rozmiar");
    case ColFullPath: return QStringLiteral("Pełna nazwa");
    default: return QVariant();
    }
}

void SubtitleDatabaseModel::changeRows(const std::function<void()> &change)
{
    beginResetModel();
    change();
    endResetModel();
}

void SubtitleDatabaseModel::rowsReset()
{
    beginResetModel();
    endResetModel();
}

void SubtitleDatabaseModel::rowsEdited()
{
    if (db_.isEmpty())
        return;
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::DisplayRole});
}

} // namespace zv
