#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include <functional>

namespace zv {

class TPlaylist;

// The playlist's entries as rows of a list, read straight from the TPlaylist (no copies).
// The model watches the playlist, so rows changed by anyone (the main window adding files,
// sorting, play times) reach the views. Drags carry the rows under kRowsMimeType only: no
// file URLs, so a row dropped on another window is never taken for a file.
class PlaylistModel : public QAbstractListModel {
    Q_OBJECT

public:
    static const QString kRowsMimeType;
    enum Role { PathRole = Qt::UserRole + 1, TimeRole, PlayingRole };

    explicit PlaylistModel(QObject *parent = nullptr);
    ~PlaylistModel() override;

    // The playlist shown (not owned; it must outlive the model or be replaced first).
    void setPlaylist(TPlaylist *playlist);
    TPlaylist *playlist() const { return playlist_; }
    // CurrentMediaPath, asked while drawing: rows with that path are the playing file.
    void setCurrentPathSource(std::function<QString()> source) { currentPath_ = std::move(source); }
    QString currentPath() const { return currentPath_ ? currentPath_() : QString(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

private:
    void observe(int change, bool before);

    TPlaylist *playlist_ = nullptr;
    std::function<QString()> currentPath_;
};

// Draws a row: number, name cut with "..." and play time in the list's font, lime on black
// (dark grey when selected), the playing file in white. Rows are `minimumRowHeight` high, or
// higher when the list's font needs more.
class PlaylistRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    PlaylistRowDelegate(PlaylistModel *model, int minimumRowHeight, QObject *parent = nullptr);
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    PlaylistModel *model_;
    int minimumRowHeight_;
};

} // namespace zv
