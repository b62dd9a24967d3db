#include "library/subtitle_database_window.h"

#include "library/subtitle_file_filter.h"

#include "core/config/paths.h"
#include "core/library/database_file.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_database_model.h"
#include "playlist/list_row_height.h"
#include "shell/drop_target.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The database's drop rule places rows as if the list had an 18-pixel header and 14-pixel
// rows; a drop is translated into that geometry so that it lands on the row under the pointer.
constexpr int kRuleHeaderHeight = 18;
constexpr int kRuleRowHeight = 14;
// For commands that append, the point carries no meaning; this is the one used for such calls.
constexpr QPoint kDefaultDropPoint(1, 10000);

} // namespace

const QString TForm7::kSubtitleFilesFilter = zv::subtitleFilesFilter();

TForm7::TForm7(QWidget *parent)
    : QWidget(parent, Qt::Tool), ownDb_(std::make_unique<zv::TSubtitleDatabase>()), db_(ownDb_.get())
{
    build();
}

TForm7::TForm7(zv::TSubtitleDatabase &db, QWidget *parent) : QWidget(parent, Qt::Tool), db_(&db)
{
    build();
}

TForm7::~TForm7()
{
    zv::unregisterDropTarget(ListViewBazaNapisow);
}

void TForm7::build()
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Baza tekstów"));
    resize(459, 272);
    setMinimumSize(320, 200);

    openUrl_ = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    pickFolder_ = [](QWidget *parent, const QString &title, const QString &start) {
        return QFileDialog::getExistingDirectory(parent, title, start);
    };
    pickFiles_ = [](QWidget *parent, const QString &filter, const QString &start) {
        return QFileDialog::getOpenFileNames(parent, QString(), start, filter);
    };
    showMessage_ = [](QWidget *parent, const QString &title, const QString &text) {
        QMessageBox::warning(parent, title, text);
    };

    model_ = new zv::SubtitleDatabaseModel(*db_, this);

    auto *view = new QTableView(this);
    ListViewBazaNapisow = view;
    view->setObjectName(QStringLiteral("ListViewBazaNapisow"));
    view->setModel(model_);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->verticalHeader()->hide();
    // Fixed row heights keep a list of a hundred thousand rows quick to show and scroll.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Four pixels of air around the text, and at least the room the accents over capitals need
    // (the grid line takes the row's last pixel).
    view->verticalHeader()->setDefaultSectionSize(
        std::max(view->fontMetrics().height() + 4, listRowHeight(view->font()) + 1));
    QHeaderView *header = view->horizontalHeader();
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The "Index" column holds nothing and is never seen.
    view->setColumnHidden(zv::SubtitleDatabaseModel::ColIndex, true);
    view->setColumnWidth(zv::SubtitleDatabaseModel::ColFileName, 150);
    view->setColumnWidth(zv::SubtitleDatabaseModel::ColFormat, 50);
    view->setColumnWidth(zv::SubtitleDatabaseModel::ColAssociatedWith, 150);
    view->setColumnWidth(zv::SubtitleDatabaseModel::ColSize, 64);
    view->setColumnWidth(zv::SubtitleDatabaseModel::ColFullPath, 150);
    view->installEventFilter(this);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    StatusPanel = new QLabel(StatusBar1);
    // A long path must not widen the window.
    StatusPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar1->addWidget(StatusPanel, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(0);
    Zamknij = new QPushButton(QStringLiteral("Zamknij"), Panel1);
    Zamknij->setObjectName(QStringLiteral("Zamknij"));
    connect(Zamknij, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view, 1);
    layout->addWidget(Panel1);
    layout->addWidget(StatusBar1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto add = [this](const char *name, const QString &caption, void (TForm7::*handler)()) {
        QAction *a = PopupMenu1->addAction(caption);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    WczytajTekst1 = add("WczytajTekst1", QStringLiteral("Wczytaj tekst"), &TForm7::WczytajTekst1Click);
    PopupMenu1->setDefaultAction(WczytajTekst1);
    UsunZBazy1 = add("UsunZBazy1", QStringLiteral("Usuń z bazy"), &TForm7::UsunZBazy1Click);
    UsunSkojarzenie1 = add("UsunSkojarzenie1", QStringLiteral("Usuń skojarzenie"), &TForm7::UsunSkojarzenie1Click);
    PosprzatajListe1 = add("PosprzatajListe1", QStringLiteral("Posprzątaj listę"), &TForm7::PosprzatajListe1Click);
    EdytujPlik1 = add("EdytujPlik1", QStringLiteral("Edytuj plik"), &TForm7::EdytujPlik1Click);
    PopupMenu1->addSeparator();
    DodajKatalog1 = add("DodajKatalog1", QStringLiteral("Dodaj katalog..."), &TForm7::DodajKatalog1Click);
    DodajPliki1 = add("DodajPliki1", QStringLiteral("Dodaj pliki..."), &TForm7::DodajPliki1Click);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TForm7::UpdatePopupMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenu1->popup(ListViewBazaNapisow->viewport()->mapToGlobal(pos));
    });

    connect(view, &QAbstractItemView::doubleClicked, this, [this] { WczytajTekst1Click(); });
    // The status panel and the items' enabling follow every change of the choice or the rows,
    // so that an item is never triggered in a state it was not enabled for.
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TForm7::updateStatus);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &TForm7::updateStatus);
    connect(model_, &QAbstractItemModel::dataChanged, this, &TForm7::updateStatus);
    connect(model_, &QAbstractItemModel::modelReset, this, &TForm7::updateStatus);

    zv::registerDropTarget(view, this, &TForm7::OnListViewBazaNapisowFMDragDrop);
    // Installed after the drop target, so it sees the program's own drags first.
    view->viewport()->installEventFilter(this);
    UpdatePopupMenu();
}

void TForm7::rowsChanged()
{
    model_->rowsReset();
}

void TForm7::associationsChanged()
{
    model_->rowsEdited();
}

bool TForm7::OdczytajBazeNapisow()
{
    zv::DatabaseReadResult result;
    model_->changeRows([&] { result = zv::OdczytajBazeNapisow(*db_); });
    const QString message = zv::databaseReadMessage(result);
    if (!message.isEmpty())
        showMessage_(nullptr, QStringLiteral("Błąd"), message);
    return result.status == zv::DatabaseReadResult::Status::Ok;
}

bool TForm7::ZapiszBazenapisow(QString *failure)
{
    QString error;
    if (zv::ZapiszBazenapisow(*db_, &error))
        return true;
    const QString text = zv::databaseWriteMessage(zv::Paths::databaseFile(), error);
    if (failure)
        *failure = text;
    else
        showMessage_(nullptr, QStringLiteral("Błąd"), text);
    return false;
}

QList<int> TForm7::selectedRows() const
{
    QList<int> rows;
    const int count = model_->rowCount();
    for (const QItemSelectionRange &range : ListViewBazaNapisow->selectionModel()->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r) {
            if (r >= 0 && r < count)
                rows.append(r);
        }
    }
    // Ranges may overlap after Ctrl-clicks.
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TForm7::singleSelectedRow() const
{
    const QList<int> rows = selectedRows();
    return rows.size() == 1 ? rows.front() : -1;
}

void TForm7::UpdatePopupMenu()
{
    updateEnabling(selectedRows().size());
}

void TForm7::updateEnabling(qsizetype selected)
{
    WczytajTekst1->setEnabled(selected == 1);
    UsunZBazy1->setEnabled(selected > 0);
    UsunSkojarzenie1->setEnabled(selected > 0);
    PosprzatajListe1->setEnabled(!db_->isEmpty());
    EdytujPlik1->setEnabled(selected == 1);
    DodajKatalog1->setEnabled(true);
    DodajPliki1->setEnabled(true);
}

void TForm7::updateStatus()
{
    // The row with the focus when it is chosen, otherwise the first chosen one.
    const QList<int> rows = selectedRows();
    const int current = ListViewBazaNapisow->selectionModel()->currentIndex().row();
    int row = -1;
    if (std::binary_search(rows.begin(), rows.end(), current))
        row = current;
    else if (!rows.isEmpty())
        row = rows.front();
    const std::optional<QString> path = db_->fullPathOf(row);
    StatusPanel->setText(path.value_or(QString()));
    updateEnabling(rows.size());
}

QString TForm7::currentSubtitleFolder() const
{
    const QString file = currentSubtitleFile_ ? currentSubtitleFile_() : QString();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

void TForm7::WczytajTekst1Click()
{
    const int row = singleSelectedRow();
    if (row >= 0)
        emit loadSubtitleRequested(row);
}

void TForm7::UsunZBazy1Click()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    const QList<qsizetype> indices(rows.begin(), rows.end());
    model_->changeRows([&] { db_->removeRows(indices); });
}

void TForm7::UsunSkojarzenie1Click()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    db_->clearAssociations(QList<qsizetype>(rows.begin(), rows.end()));
    model_->rowsEdited();
}

void TForm7::PosprzatajListe1Click()
{
    model_->changeRows([&] { db_->removeMissing(); });
}

void TForm7::EdytujPlik1Click()
{
    const std::optional<QString> path = db_->fullPathOf(singleSelectedRow());
    if (!path)
        return;
    // The desktop starts its opener without waiting, so a file that is gone would fail
    // unseen; say so here instead.
    if (!QFileInfo(*path).isFile() || !openUrl_(QUrl::fromLocalFile(*path)))
        showMessage_(this, QStringLiteral("Błąd"), QStringLiteral("Nie można otworzyć pliku:\n%1").arg(*path));
}

void TForm7::DodajKatalog1Click()
{
    const QString folder = pickFolder_(
        this, QStringLiteral("Przytrzymaj klawisz SHIFT jeśli nie chcesz przeszukiwać podkatalogów."),
        currentSubtitleFolder());
    if (!folder.isEmpty())
        emit addFilesRequested(zv::dropListText({folder}), true, kDefaultDropPoint);
}

void TForm7::DodajPliki1Click()
{
    const QString text = zv::dropListText(pickFiles_(this, kSubtitleFilesFilter, currentSubtitleFolder()));
    if (!text.isEmpty())
        emit addFilesRequested(text, true, kDefaultDropPoint);
}

void TForm7::OnListViewBazaNapisowFMDragDrop(const zv::TDragDropInfo &info)
{
    const QString text = zv::dropListText(info.Files);
    if (text.isEmpty())
        return;
    QTableView *view = ListViewBazaNapisow;
    const QPoint inViewport = view->viewport()->mapFrom(view, info.DropPoint);
    // Over the header the drop goes to the first row shown; below the last row, to the end.
    int row = view->rowAt(qMax(0, inViewport.y()));
    if (row < 0)
        row = model_->rowCount();
    const QPoint rulePoint(info.DropPoint.x(), kRuleHeaderHeight + row * kRuleRowHeight + kRuleRowHeight / 2);
    emit addFilesRequested(text, false, rulePoint);
}

void TForm7::setPlaylistDragSource(QWidget *list, std::function<QString()> focusedEntryPath)
{
    playlistList_ = list;
    focusedEntryPath_ = std::move(focusedEntryPath);
}

bool TForm7::isPlaylistDrag(const QDropEvent *event) const
{
    auto *source = qobject_cast<QWidget *>(event->source());
    return source && playlistList_ && (source == playlistList_ || playlistList_->isAncestorOf(source));
}

bool TForm7::ListViewBazaNapisowDragDrop(const QPoint &viewportPos)
{
    const int row = ListViewBazaNapisow->rowAt(viewportPos.y());
    const QString film = focusedEntryPath_ ? focusedEntryPath_() : QString();
    if (row < 0 || film.isEmpty() || !db_->associateRow(row, film))
        return false;
    model_->rowsEdited();
    return true;
}

bool TForm7::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListViewBazaNapisow->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            // Drags started in the program: only the playlist's, and only onto a row.
            auto *drop = static_cast<QDropEvent *>(event);
            if (!drop->source())
                return false;  // from outside: the shell drop target's business
            const QPoint pos = drop->position().toPoint();
            // Entering may happen off the rows; the moves over them must still come.
            const bool wanted = isPlaylistDrag(drop)
                && (event->type() == QEvent::DragEnter || ListViewBazaNapisow->rowAt(pos.y()) >= 0);
            if (wanted && event->type() == QEvent::Drop)
                ListViewBazaNapisowDragDrop(pos);
            if (wanted) {
                drop->setDropAction(Qt::CopyAction);
                drop->accept();
            } else {
                drop->ignore();
            }
            return true;
        }
        default:
            return false;
        }
    }
    if (watched == ListViewBazaNapisow && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::SelectAll)) {
            ListViewBazaNapisow->selectAll();
            return true;
        }
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Escape:
            Zamknij->click();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            WczytajTekst1Click();
            return true;
        case Qt::Key_Delete:
            UsunZBazy1Click();
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm7::keyPressEvent(QKeyEvent *event)
{
    // The cancel button's key, wherever the focus is in the window.
    if (event->key() == Qt::Key_Escape && !(event->modifiers() & ~Qt::KeypadModifier)) {
        Zamknij->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm7::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit closed();
}
