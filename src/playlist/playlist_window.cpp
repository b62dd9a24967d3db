#include "playlist/playlist_window.h"
#include "playback/transport_button.h"

#include "core/common/text_codec.h"
#include "core/config/paths.h"
#include "core/files/add_plan.h"
#include "core/files/intake_after_open.h"
#include "core/playback/status_view.h"
#include "core/playlist/playlist.h"
#include "playlist/playlist_model.h"
#include "shell/drop_target.h"

#include <QAction>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 17;   // at least; a taller font makes the rows taller
constexpr int kBottomBarHeight = 26;
constexpr QPoint kDefaultDropPoint(1, 10000);
constexpr int kHintChars = 2000;

// Bytes [0, n) of `bytes` without a UTF-8 sequence cut off at the end, so that a prefix of a
// UTF-8 file still reads as UTF-8.
QByteArray wholeUtf8Prefix(const QByteArray &bytes)
{
    qsizetype end = bytes.size();
    qsizetype i = end;
    int continuation = 0;
    while (i > 0 && continuation < 3 && (quint8(bytes[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++continuation;
    }
    if (i == 0)
        return bytes;
    const quint8 lead = quint8(bytes[i - 1]);
    const int need = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (need > continuation)
        end = i - 1;
    return bytes.left(end);
}


QPushButton *flatButton(QWidget *parent, const char *name, const QString &text, const QString &hint)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setFlat(true);
    b->setFocusPolicy(Qt::NoFocus);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(9);
    b->setFont(f);
    b->setFixedHeight(kBottomBarHeight - 4);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(text) + 12);
    return b;
}

} // namespace

// ---- the list -----------------------------------------------------------------------------

TPlaylistListView::TPlaylistListView(QWidget *parent) : QListView(parent) {}

int TPlaylistListView::rowAtListPoint(const QPoint &pos) const
{
    const QPoint inViewport = viewport()->mapFrom(this, pos);
    if (!viewport()->rect().contains(inViewport))
        return -1;
    const QModelIndex index = indexAt(inViewport);
    return index.isValid() ? index.row() : -1;
}

bool TPlaylistListView::isOwnDrag(const QDropEvent *event) const
{
    return event->source() == this && event->mimeData()->hasFormat(zv::PlaylistModel::kRowsMimeType);
}

void TPlaylistListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (isOwnDrag(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TPlaylistListView::dragMoveEvent(QDragMoveEvent *event)
{
    // Only a row may take the drop.
    if (isOwnDrag(event) && indexAt(event->position().toPoint()).isValid()) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TPlaylistListView::dropEvent(QDropEvent *event)
{
    const QModelIndex target = indexAt(event->position().toPoint());
    if (!isOwnDrag(event) || !target.isValid()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    QList<int> rows;
    for (const QModelIndex &i : selectionModel()->selectedRows())
        rows << i.row();
    emit rowsDropped(rows, target.row());
}

void TPlaylistListView::startDrag(Qt::DropActions)
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty() || !model())
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(model()->mimeData(rows));
    // The rows are moved by the drop itself (or associated elsewhere); nothing is removed
    // when the drag ends.
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

// ---- the window ---------------------------------------------------------------------------

const QString TForm6::kPlaylistOpenFilter = QStringLiteral(
    "Pliki playlisty (*.zvl *.m3u *.ZVL *.M3U);;Pliki ZVL (*.zvl *.ZVL);;Pliki M3U (*.m3u *.M3U);;"
    "Wszytskie pliki (*)");
const QString TForm6::kPlaylistSaveFilter = QStringLiteral("Plik M3U (*.m3u);;Plik ZVL (*.zvl)");

TForm6::TForm6(QWidget *parent)
    : QWidget(parent, Qt::Tool), own_(std::make_unique<zv::TPlaylist>()), playlist_(own_.get())
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Playlista"));
    resize(320, 300);
    move(190, 405);
    setMinimumSize(320, 139);
    build();
}

TForm6::~TForm6()
{
    if (ListView1)
        zv::unregisterDropTarget(ListView1);
    // The model stops watching before a playlist it does not own goes away.
    model->setPlaylist(nullptr);
}

void TForm6::build()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    model = new zv::PlaylistModel(this);
    model->setPlaylist(playlist_);
    model->setCurrentPathSource([this] { return currentMedia_ ? currentMedia_() : QString(); });

    ListView1 = new TPlaylistListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(model);
    ListView1->setItemDelegate(new zv::PlaylistRowDelegate(model, kRowHeight, ListView1));
    // Equal rows let the view place 100 000 rows without asking each for its size.
    ListView1->setUniformItemSizes(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setDragEnabled(true);
    ListView1->setAcceptDrops(true);
    ListView1->setDragDropMode(QAbstractItemView::DragDrop);
    ListView1->setDefaultDropAction(Qt::MoveAction);
    ListView1->setDropIndicatorShown(false);
    ListView1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    ListView1->setMinimumWidth(310);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(13);
    ListView1->setFont(font);
    QPalette pal = ListView1->palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Text, QColor(0, 255, 0));
    ListView1->setPalette(pal);
    ListView1->setAutoFillBackground(true);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->installEventFilter(this);
    layout->addWidget(ListView1, 1);

    connect(ListView1, &QListView::doubleClicked, this, [this](const QModelIndex &) {
        emit openRequested(focusedRow());
    });
    connect(ListView1, &TPlaylistListView::rowsDropped, this, &TForm6::reorder);
    // Items that need entries follow the rows, whoever changed them.
    connect(model, &QAbstractItemModel::modelReset, this, &TForm6::UpdateMenus);
    zv::registerDropTarget(ListView1, this, &TForm6::onDrop);

    buildMenus();
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });
    buildBottomBar();
    layout->addWidget(Panel1);
}

void TForm6::buildMenus()
{
    const auto item = [this](QMenu *menu, const char *name, const char *caption, void (TForm6::*handler)()) {
        QAction *a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Wczytajplik1 = item(PopupMenu1, "Wczytajplik1", "Wczytaj plik", &TForm6::Wczytajplik1Click);
    PopupMenu1->setDefaultAction(Wczytajplik1);
    Zaznaczwszystko1 = item(PopupMenu1, "Zaznaczwszystko1", "Zaznacz wszystko", &TForm6::SelectAllClick);
    Zostaw1 = item(PopupMenu1, "Zostaw1", "Zostaw", &TForm6::DeleteOthersClick);
    Usunwszytkie1 = item(PopupMenu1, "Usunwszytkie1", "Usuń wszytkie", &TForm6::DeleteAllClick);
    Usunzaznaczone1 = item(PopupMenu1, "Usunzaznaczone1", "Usuń zaznaczone", &TForm6::DeleteSelectedClick);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm6::UpdateMenus);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Zaznaczwszystko2 = item(PopupMenu2, "Zaznaczwszystko2", "Zaznacz wszystko", &TForm6::SelectAllClick);
    Odznaczwszystko1 = item(PopupMenu2, "Odznaczwszystko1", "Odznacz wszystko", &TForm6::SelectNoneClick);
    Zaznaczodwrotnosc1 = item(PopupMenu2, "Zaznaczodwrotnosc1", "Zaznacz odwrotność", &TForm6::InvertSelectionClick);
    PopupMenu2->addSeparator();
    Usunwszystkie2 = item(PopupMenu2, "Usunwszystkie2", "Usuń wszystkie", &TForm6::DeleteAllClick);
    Usunzaznaczone2 = item(PopupMenu2, "Usunzaznaczone2", "Usuń zaznaczone", &TForm6::DeleteSelectedClick);
    Usunpozostale1 = item(PopupMenu2, "Usunpozostale1", "Usuń pozostałe", &TForm6::DeleteOthersClick);
    PopupMenu2->addSeparator();
    Sortuj1 = PopupMenu2->addMenu(QStringLiteral("Sortuj"));
    Sortuj1->setObjectName(QStringLiteral("Sortuj1"));
    Sortujsciezka1 = Sortuj1->addAction(QStringLiteral("Sortuj według ścieżki i nazwy pliku"));
    Sortujsciezka1->setObjectName(QStringLiteral("Sortujsciezka1"));
    connect(Sortujsciezka1, &QAction::triggered, this, [this] { SortujPLS(0); });
    Sortujnazwa1 = Sortuj1->addAction(QStringLiteral("Sortuj według nazwy pliku"));
    Sortujnazwa1->setObjectName(QStringLiteral("Sortujnazwa1"));
    connect(Sortujnazwa1, &QAction::triggered, this, [this] { SortujPLS(1); });
    PopupMenu2->addSeparator();
    AddDir1 = item(PopupMenu2, "AddDir1", "Dodaj katalog...", &TForm6::AddDir1Click);
    AddFiles1 = item(PopupMenu2, "AddFiles1", "Dodaj pliki...", &TForm6::AddFilesClick);
    PopupMenu2->addSeparator();
    Wczytajplayliste1 = item(PopupMenu2, "Wczytajplayliste1", "Wczytaj playlistę", &TForm6::LoadPlaylistClick);
    Zapiszplayliste1 = item(PopupMenu2, "Zapiszplayliste1", "Zapisz playlistę", &TForm6::SavePlaylistClick);
    connect(PopupMenu2, &QMenu::aboutToShow, this, &TForm6::UpdateMenus);
    UpdateMenus();
}

void TForm6::buildBottomBar()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kBottomBarHeight);
    auto *bar = new QHBoxLayout(Panel1);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(1);

    ToolBar1 = new QToolBar(Panel1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolButton4 = zv::transportButton(ToolBar1, "ToolButton4", QStringLiteral("Poprzedni"), QStyle::SP_MediaSkipBackward);
    ToolBar1->addSeparator();
    ToolButton1 = zv::transportButton(ToolBar1, "ToolButton1", QStringLiteral("Play"), QStyle::SP_MediaPlay);
    ToolButton2 = zv::transportButton(ToolBar1, "ToolButton2", QStringLiteral("Pauza"), QStyle::SP_MediaPause);
    ToolButton3 = zv::transportButton(ToolBar1, "ToolButton3", QStringLiteral("Stop"), QStyle::SP_MediaStop);
    ToolBar1->addSeparator();
    ToolButton5 = zv::transportButton(ToolBar1, "ToolButton5", QStringLiteral("Następny"), QStyle::SP_MediaSkipForward);
    ToolBar1->addSeparator();
    // Pressed states show the play state; a click must not flip them on its own.
    for (QToolButton *b : {ToolButton1, ToolButton2, ToolButton3})
        b->setCheckable(true);
    const auto wire = [this](QToolButton *b, QAction *TForm6::*target) {
        connect(b, &QToolButton::clicked, this, [this, b, target] {
            if (b->isCheckable())
                b->setChecked(!b->isChecked());
            if (run_ && this->*target)
                run_(this->*target);
            emit statusRefreshRequested();
        });
    };
    wire(ToolButton4, &TForm6::prev_);
    wire(ToolButton1, &TForm6::play_);
    wire(ToolButton2, &TForm6::playPause_);
    wire(ToolButton3, &TForm6::stop_);
    wire(ToolButton5, &TForm6::next_);
    bar->addWidget(ToolBar1);

    MenuButton = flatButton(Panel1, "MenuButton", QStringLiteral("MENU"), QStringLiteral("Rozwiń menu"));
    LoadTempButton = flatButton(Panel1, "LoadTempButton", QStringLiteral("<<M"), loadTempHint());
    SaveTempButton = flatButton(Panel1, "SaveTempButton", QStringLiteral(">>M"),
                                QStringLiteral("Zapisz obecna playlistę do tymczasowego pliku"));
    connect(MenuButton, &QPushButton::clicked, this, &TForm6::MenuButtonClick);
    connect(LoadTempButton, &QPushButton::clicked, this, &TForm6::LoadTempClick);
    connect(SaveTempButton, &QPushButton::clicked, this, &TForm6::SaveTempClick);
    LoadTempButton->setMouseTracking(true);
    LoadTempButton->installEventFilter(this);
    bar->addWidget(MenuButton);
    bar->addWidget(LoadTempButton);
    bar->addWidget(SaveTempButton);
    bar->addStretch(1);
}

void TForm6::setPlaylist(zv::TPlaylist *playlist)
{
    playlist_ = playlist ? playlist : own_.get();
    model->setPlaylist(playlist_);
    UpdateMenus();
}

zv::TPlaylist &TForm6::playlist() const
{
    return *playlist_;
}

void TForm6::setCurrentMediaSource(std::function<QString()> source)
{
    currentMedia_ = std::move(source);
    ListView1->viewport()->update();
}

void TForm6::bindTransport(std::function<void(QAction *)> run, QAction *prev, QAction *play, QAction *playPause,
                           QAction *stop, QAction *next)
{
    run_ = std::move(run);
    prev_ = prev;
    play_ = play;
    playPause_ = playPause;
    stop_ = stop;
    next_ = next;
}

void TForm6::setMediaDialogTexts(const QString &mediaFilter, const QString &folderTitle)
{
    mediaFilter_ = mediaFilter;
    folderTitle_ = folderTitle;
}

void TForm6::showTransportState(const zv::playback::StatusView &v)
{
    zv::showTransport(v, ToolButton1, ToolButton2, ToolButton3, ToolButton4, ToolButton5);
    // Play times and the playing file's colour follow the status.
    ListView1->viewport()->update();
    UpdateMenus();
}

// ---- selection ----------------------------------------------------------------------------

QList<int> TForm6::selectedRows() const
{
    QList<int> rows;
    // Ranges, not one index per row: 100 000 selected rows stay cheap.
    for (const QItemSelectionRange &r : ListView1->selectionModel()->selection()) {
        for (int i = r.top(); i <= r.bottom(); ++i)
            rows << i;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TForm6::focusedRow() const
{
    const QModelIndex i = ListView1->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TForm6::selectRows(const QList<int> &rows)
{
    QItemSelection selection;
    int start = -1, prev = -2;
    const auto flush = [&] {
        if (start >= 0)
            selection.select(model->index(start), model->index(prev));
    };
    for (int r : rows) {
        if (r < 0 || r >= model->rowCount())
            continue;
        if (r != prev + 1) {
            flush();
            start = r;
        }
        prev = r;
    }
    flush();
    ListView1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TForm6::SelectAllClick()
{
    ListView1->selectAll();
}

void TForm6::SelectNoneClick()
{
    ListView1->clearSelection();
}

void TForm6::InvertSelectionClick()
{
    const int n = model->rowCount();
    if (n == 0)
        return;
    QItemSelection all(model->index(0), model->index(n - 1));
    ListView1->selectionModel()->select(all, QItemSelectionModel::Toggle);
}

// ---- editing ------------------------------------------------------------------------------

void TForm6::DeleteAllClick()
{
    playlist().clear();
    emit statusRefreshRequested();
}

void TForm6::DeleteSelectedClick()
{
    playlist().removeRows(selectedRows());
    emit statusRefreshRequested();
}

void TForm6::DeleteOthersClick()
{
    playlist().keepRows(selectedRows());
    emit statusRefreshRequested();
}

void TForm6::SortujPLS(int mode)
{
    playlist().SortujPLS(mode);
    emit statusRefreshRequested();
}

void TForm6::reorder(const QList<int> &rows, int target)
{
    const QList<int> moved = playlist().moveRowsTo(rows, target);
    if (!moved.isEmpty()) {
        // The moved rows stay chosen where they landed, ready for the next drag.
        selectRows(moved);
        ListView1->selectionModel()->setCurrentIndex(model->index(moved.first()), QItemSelectionModel::NoUpdate);
    }
    emit statusRefreshRequested();
}

void TForm6::Wczytajplik1Click()
{
    if (!selectedRows().isEmpty())
        emit openRequested(focusedRow());
    playlist().LadujMediaPlikiDoJumpa();
}

void TForm6::UpdateMenus()
{
    const bool any = !playlist().isEmpty();
    for (QAction *a : PopupMenu1->actions())
        a->setEnabled(any);
    for (QAction *a : {Zaznaczwszystko2, Odznaczwszystko1, Zaznaczodwrotnosc1, Usunwszystkie2, Usunzaznaczone2,
                       Usunpozostale1, Zapiszplayliste1})
        a->setEnabled(any);
}

// ---- files --------------------------------------------------------------------------------

QString TForm6::mediaFolder() const
{
    return zv::folderOfMedia(currentMedia_ ? currentMedia_() : QString());
}

void TForm6::AddDir1Click()
{
    const QString start = mediaFolder();
    const QString folder = pickFolder_ ? pickFolder_(this, folderTitle_, start)
                                       : QFileDialog::getExistingDirectory(this, folderTitle_, start);
    if (folder.isEmpty())
        return;
    emit addRequested(zv::dropListText({folder}), zv::addModeMedia, false, true, false, kDefaultDropPoint);
}

void TForm6::AddFilesClick()
{
    const QString start = mediaFolder();
    const QString filter = mediaFilterSource_ ? mediaFilterSource_() : mediaFilter_;
    const QStringList files = pickFiles_ ? pickFiles_(this, filter, start)
                                         : QFileDialog::getOpenFileNames(this, QString(), start, filter);
    const QString text = zv::dropListText(files);
    if (text.isEmpty())
        return;
    emit addRequested(text, zv::addModeMedia, false, true, true, kDefaultDropPoint);
    emit statusRefreshRequested();
}

void TForm6::LoadPlaylistClick()
{
    const QString start = mediaFolder();
    const QString file = pickPlaylist_ ? pickPlaylist_(this, kPlaylistOpenFilter, start)
                                       : QFileDialog::getOpenFileName(this, QString(), start, kPlaylistOpenFilter);
    if (file.isEmpty())
        return;
    emit addRequested(zv::dropListText({file}), zv::addModeAll, true, true, false, kDefaultDropPoint);
    emit statusRefreshRequested();
}

void TForm6::SavePlaylistClick()
{
    QString file;
    if (pickSaveName_) {
        file = pickSaveName_(this, kPlaylistSaveFilter, mediaFolder());
    } else {
        QFileDialog dialog(this, QString(), mediaFolder(), kPlaylistSaveFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("m3u"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            file = dialog.selectedFiles().constFirst();
    }
    if (file.isEmpty())
        return;
    // A name typed without an extension gets the first filter's.
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".m3u");
    emit saveRequested(file);
}

void TForm6::MenuButtonClick()
{
    PopupMenu2->popup(QCursor::pos());
}

void TForm6::SaveTempClick()
{
    emit saveRequested(zv::Paths::tempPlaylist());
}

void TForm6::LoadTempClick()
{
    emit addRequested(zv::dropListText({zv::Paths::tempPlaylist()}), zv::addModeAll, true, true, false,
                      kDefaultDropPoint);
    emit statusRefreshRequested();
}

QString TForm6::loadTempHint()
{
    QString text;
    QFile f(zv::Paths::tempPlaylist());
    // A regular file only: opening a FIFO of that name would block until something writes it.
    if (QFileInfo(f.fileName()).isFile() && f.open(QIODevice::ReadOnly)) {
        // 2000 characters are at most 8000 bytes in any encoding the file may be in.
        const QByteArray head = f.read(4 * kHintChars + 4);
        const bool whole = f.atEnd();
        text = zv::decodeText(whole ? head : wholeUtf8Prefix(head)).text.left(kHintChars);
    }
    // Tooltips break lines at LF; a CR would show as a stray character.
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return QStringLiteral("Wczytaj playlistę z tymczasowego pliku:\n\n") + text;
}

void TForm6::onDrop(const zv::TDragDropInfo &info)
{
    emit filesDropped(info);
}

int TForm6::dropRowAt(const QPoint &listPoint) const
{
    return ListView1->rowAtListPoint(listPoint);
}

void TForm6::PokazCurrPlayedFile()
{
    const int index = playlist().firstIndexOf(currentMedia_ ? currentMedia_() : QString());
    const QModelIndex topIndex = ListView1->indexAt(QPoint(1, 1));
    const int top = topIndex.isValid() ? topIndex.row() : 0;
    const int rowHeight = model->rowCount() > 0 ? ListView1->sizeHintForRow(0) : kRowHeight;
    const double rows = double(ListView1->viewport()->height()) / std::max(1, rowHeight);
    if (const std::optional<int> newTop = zv::scrollTopToShow(index, top, rows))
        ListView1->scrollTo(model->index(std::min(*newTop, model->rowCount() - 1)), QAbstractItemView::PositionAtTop);
}

// ---- keys and events ------------------------------------------------------------------------

bool TForm6::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LoadTempButton && (event->type() == QEvent::Enter || event->type() == QEvent::ToolTip)) {
        // Read each time: the file changes behind the window's back.
        LoadTempButton->setToolTip(loadTempHint());
        return false;
    }
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        bool handled = true;
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier)
            DeleteSelectedClick();
        else if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            emit openRequested(focusedRow());
        else if (key->matches(QKeySequence::SelectAll))
            SelectAllClick();
        else if (key->key() == Qt::Key_Escape)
            hide();
        else
            handled = false;
        if (!handled) {
            // The list's own navigation first, then the refresh.
            QMetaObject::invokeMethod(this, &TForm6::statusRefreshRequested, Qt::QueuedConnection);
            return false;
        }
        emit statusRefreshRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm6::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm6::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        emit visibilityChanged(true);
}

void TForm6::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        emit visibilityChanged(false);
}
