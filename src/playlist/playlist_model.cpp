#include "playlist/playlist_model.h"

#include "core/common/visible_text.h"

#include "core/playlist/playlist.h"
#include "core/playlist/playlist_rows.h"
#include "playlist/list_row_height.h"

#include <QDataStream>
#include <QFontMetrics>
#include <QIODevice>
#include <QMimeData>
#include <QPainter>

#include <algorithm>

namespace zv {

const QString PlaylistModel::kRowsMimeType = QStringLiteral("application/x-zentavista-playlist-rows");

PlaylistModel::PlaylistModel(QObject *parent) : QAbstractListModel(parent) {}

PlaylistModel::~PlaylistModel()
{
    if (playlist_)
        playlist_->setObserver({});
}

void PlaylistModel::setPlaylist(TPlaylist *playlist)
{
    if (playlist == playlist_)
        return;
    beginResetModel();
    if (playlist_)
        playlist_->setObserver({});
    playlist_ = playlist;
    if (playlist_)
        playlist_->setObserver([this](PlaylistChange c, bool before) { observe(int(c), before); });
    endResetModel();
}

void PlaylistModel::observe(int change, bool before)
{
    if (PlaylistChange(change) == PlaylistChange::Rows) {
        // One reset per change, however many rows it touched.
        if (before)
            beginResetModel();
        else
            endResetModel();
    } else if (!before && rowCount() > 0) {
        emit dataChanged(index(0), index(rowCount() - 1), {TimeRole, Qt::DisplayRole});
    }
}

int PlaylistModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !playlist_ ? 0 : playlist_->count();
}

QVariant PlaylistModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TPlaylistEntry &e = playlist_->at(index.row());
    switch (role) {
    case Qt::DisplayRole: return visibleText(TPlaylist::bareFileName(e.Path));
    case Qt::ToolTipRole: return visibleText(e.Path);
    case PathRole: return e.Path;
    case TimeRole: return e.TimeText;
    case PlayingRole: return e.Path == currentPath();
    default: return {};
    }
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

Qt::DropActions PlaylistModel::supportedDragActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions PlaylistModel::supportedDropActions() const
{
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList PlaylistModel::mimeTypes() const
{
    return {kRowsMimeType};
}

QMimeData *PlaylistModel::mimeData(const QModelIndexList &indexes) const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const QModelIndex &i : indexes)
        out << qint32(i.row());
    auto *mime = new QMimeData;
    mime->setData(kRowsMimeType, bytes);
    return mime;
}

PlaylistRowDelegate::PlaylistRowDelegate(PlaylistModel *model, int minimumRowHeight, QObject *parent)
    : QStyledItemDelegate(parent), model_(model), minimumRowHeight_(minimumRowHeight)
{
}

QSize PlaylistRowDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    // The texts start a pixel below the row's top.
    return {option.rect.width(), std::max(minimumRowHeight_, listRowHeight(option.font) + 1)};
}

void PlaylistRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    const TPlaylist *pl = model_->playlist();
    if (!pl || index.row() >= pl->count() || !(option.state & QStyle::State_Enabled))
        return;
    const TPlaylistEntry &entry = pl->at(index.row());
    const QRect r = option.rect;
    const PlaylistRowColors colors = playlistRowColors(option.state & QStyle::State_Selected,
                                                       entry.Path == model_->currentPath());
    painter->save();
    painter->fillRect(r, QColor::fromRgb(colors.background));
    painter->setPen(QColor::fromRgb(colors.text));
    painter->setFont(option.font);
    const QFontMetrics fm(option.font);
    const PlaylistRowLayout l = layoutPlaylistRow(index.row(), pl->count(), entry, r.left(), r.right(),
                                                  [&fm](const QString &t) { return fm.horizontalAdvance(t); });
    const int top = r.top() + 1;
    const int h = r.height() - 1;
    // Each piece in its own box, laid out left to right, so that a right-to-left name cannot
    // pull the number or the time across the row.
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextForceLeftToRight;
    // Right-aligned in boxes that end where the texts must end: the exact text width decides
    // where they start, so "7." and "120." end on the same pixel.
    painter->drawText(QRect(r.left(), top, l.numberRight - r.left(), h), flags | Qt::AlignRight, l.number);
    if (!l.time.isEmpty())
        painter->drawText(QRect(r.left(), top, l.timeRight - r.left() + 1, h), flags | Qt::AlignRight, l.time);
    painter->drawText(QRect(l.nameLeft, top, fm.horizontalAdvance(l.name), h),
                      Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, l.name);
    painter->restore();
}

} // namespace zv
