#include "playlist/filtered_list_dialog.h"

#include "core/common/visible_text.h"
#include "playlist/list_row_height.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace zv {

// The names shown: rows of the filter's name list, without copying the names.
class FilteredListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void show(const QStringList &names, const QList<int> &rows)
    {
        beginResetModel();
        names_ = names;
        rows_ = rows;
        endResetModel();
    }
    void clear() { show({}, {}); }
    void setRowHeight(int height)
    {
        if (height == rowHeight_)
            return;
        emit layoutAboutToBeChanged();
        rowHeight_ = height;
        emit layoutChanged();
    }
    int sourceRowAt(int row) const { return row >= 0 && row < rows_.size() ? rows_[row] : -1; }
    QString nameAt(int row) const { return row >= 0 && row < rows_.size() ? names_.at(rows_[row]) : QString(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rows_.size())
            return {};
        if (role == Qt::DisplayRole)
            return zv::visibleText(names_.at(rows_[index.row()]));
        if (role == Qt::SizeHintRole)
            return QSize(0, rowHeight_);
        return {};
    }

private:
    QStringList names_;
    QList<int> rows_;
    int rowHeight_ = 13;
};

} // namespace zv

FilteredListDialog::FilteredListDialog(QWidget *parent) : QDialog(parent)
{
    setFixedSize(442, 271);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    GroupBox1 = new QGroupBox(QStringLiteral("Szukaj napisu:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->setContentsMargins(6, 2, 6, 6);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    groupLayout->addWidget(Edit1);
    layout->addWidget(GroupBox1);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    model_ = new zv::FilteredListModel(this);
    ListBox1 = new QListView(Panel1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setModel(model_);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    followListFont();
    panelLayout->addWidget(ListBox1);
    layout->addWidget(Panel1, 1);

    Button1 = new QPushButton(QStringLiteral("Anuluj"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    // Enter jumps; only Escape and a click cancel.
    Button1->setAutoDefault(false);
    Button1->setDefault(false);
    layout->addWidget(Button1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    slice_ = new QTimer(this);
    slice_->setSingleShot(true);
    slice_->setInterval(0);
    connect(slice_, &QTimer::timeout, this, &FilteredListDialog::runSlice);
    connect(Edit1, &QLineEdit::textChanged, this, &FilteredListDialog::Edit1Change);
    // A click chooses the row and gives the typing back to the edit box.
    connect(ListBox1, &QListView::clicked, this, [this] { Edit1->setFocus(); });
    connect(ListBox1, &QListView::doubleClicked, this, [this] { Jump(); });
    for (QWidget *w : {static_cast<QWidget *>(Edit1), static_cast<QWidget *>(ListBox1),
                       static_cast<QWidget *>(Button1)})
        w->installEventFilter(this);
}

FilteredListDialog::~FilteredListDialog() = default;

int FilteredListDialog::initialRow(const QStringList &)
{
    return -1;
}

QStringList FilteredListDialog::shownNames() const
{
    QStringList out;
    for (int i = 0; i < model_->rowCount(); ++i)
        out << model_->nameAt(i);
    return out;
}

int FilteredListDialog::selectedRow() const
{
    const QModelIndexList rows = ListBox1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void FilteredListDialog::selectRow(int row)
{
    if (row < 0 || row >= model_->rowCount()) {
        ListBox1->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(row);
    ListBox1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    ListBox1->scrollTo(index);
}

bool FilteredListDialog::searching() const
{
    return !filter_.done();
}

void FilteredListDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    filter_.setNames(sourceNames());
    rankNames();
    {
        const QSignalBlocker block(Edit1);
        Edit1->clear();
    }
    slice_->stop();
    showMatches();
    const int source = initialRow(filter_.names());
    const QList<int> &shown = filter_.matches();
    selectRow(source < 0 ? -1 : int(shown.indexOf(source)));
    Edit1->setFocus();
}

void FilteredListDialog::Edit1Change(const QString &text)
{
    filter_.start(text);
    if (filter_.done()) {
        slice_->stop();
        showMatches();
    } else {
        runSlice();
    }
}

void FilteredListDialog::runSlice()
{
    QElapsedTimer clock;
    clock.start();
    while (!filter_.step(2048)) {
        if (clock.elapsed() >= kSliceMs) {
            // The rest after pending keystrokes; one of them may start a newer search.
            slice_->start();
            return;
        }
    }
    showMatches();
}

void FilteredListDialog::finishSearch()
{
    if (filter_.done())
        return;
    slice_->stop();
    while (!filter_.step(1 << 16)) {
    }
    showMatches();
}

void FilteredListDialog::rankNames()
{
    rank_.clear();
    if (!sorted_)
        return;
    // Ordered once per showing, so a keystroke only sorts small integers.
    const QStringList &names = filter_.names();
    QStringList lowered;
    lowered.reserve(names.size());
    for (const QString &n : names)
        lowered << n.toLower();
    QList<int> order(names.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&lowered](int a, int b) {
        return QString::localeAwareCompare(lowered[a], lowered[b]) < 0;
    });
    rank_.resize(names.size());
    for (int i = 0; i < order.size(); ++i)
        rank_[order[i]] = i;
}

void FilteredListDialog::showMatches()
{
    QList<int> rows = filter_.matches();
    if (sorted_)
        std::sort(rows.begin(), rows.end(), [this](int a, int b) { return rank_[a] < rank_[b]; });
    model_->show(filter_.names(), rows);
    ListBox1->clearSelection();
}

void FilteredListDialog::Jump()
{
    int row = selectedRow();
    if (row < 0) {
        // Typing leaves no row selected, and Enter after typing means the best match: the
        // first one. The search for the last text typed finishes first, so that a fast typist
        // gets the match of what was typed and not of a shorter text.
        finishSearch();
        row = model_->rowCount() > 0 ? 0 : -1;
    }
    const int source = model_->sourceRowAt(row);
    const QString name = model_->nameAt(row);
    accept();
    if (source >= 0)
        emit chosen(source, name);
}

bool FilteredListDialog::toggle()
{
    if (isVisible())
        hide();
    else
        exec();
    return isVisible();
}

void FilteredListDialog::done(int result)
{
    slice_->stop();
    filter_.setNames({});
    model_->clear();
    QDialog::done(result);
    emit closed();
}

void FilteredListDialog::followListFont()
{
    // As high as the list's font needs, never below the 13 pixels the dialog was laid out for.
    model_->setRowHeight(listRowHeight(ListBox1->font(), 13));
}

bool FilteredListDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox1 && event->type() == QEvent::FontChange)
        followListFont();
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    zv::JumpKey k;
    switch (key->key()) {
    case Qt::Key_Down: k = zv::JumpKey::Down; break;
    case Qt::Key_Up: k = zv::JumpKey::Up; break;
    case Qt::Key_PageUp: k = zv::JumpKey::PageUp; break;
    case Qt::Key_PageDown: k = zv::JumpKey::PageDown; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Jump();
        return true;
    default:
        return false;
    }
    const int row = zv::jumpKeyRow(k, selectedRow(), model_->rowCount());
    if (row >= 0)
        selectRow(row);
    return true;
}
