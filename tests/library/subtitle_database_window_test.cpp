// The database window over a few rows: what the list shows, what the commands do to the
// rows, and what the window asks of the main window.
#include "library/subtitle_database_window.h"
#include "library/subtitle_database_model.h"

#include "core/config/paths.h"
#include "core/library/subtitle_database.h"
#include "support/row_ink.h"
#include "support/test_env.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

using zv::TSubtitleRecord;

class DatabaseWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        for (const char *name : {"a.txt", "b.txt"}) {
            QFile f(dir_.filePath(QLatin1String(name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        db_.append({"a.txt", "tmp", "film1.avi", "1 KB", dir_.filePath("a.txt")});
        db_.append({"b.txt", "mdvd", "", "2 KB", dir_.filePath("b.txt")});
        db_.append({"gone.txt", "lrc", "film2.avi", "1 KB", dir_.filePath("gone.txt")});
        form_ = std::make_unique<TForm7>(db_);
        form_->rowsChanged();
        form_->setMessageSink([this](QWidget *, const QString &, const QString &text) { messages_ << text; });
        form_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.get()));
    }

    QTableView *view() const { return form_->ListViewBazaNapisow; }

    void select(std::initializer_list<int> rows, int current = -1)
    {
        auto *sel = view()->selectionModel();
        sel->clearSelection();
        for (int r : rows)
            sel->select(view()->model()->index(r, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (current >= 0)
            sel->setCurrentIndex(view()->model()->index(current, 1), QItemSelectionModel::NoUpdate);
    }

    QStringList fileNames() const
    {
        QStringList names;
        for (const TSubtitleRecord &r : db_.rows())
            names << r.FileName;
        return names;
    }

    QString rowText(int row) const
    {
        QStringList cells;
        for (int c = 0; c < view()->model()->columnCount(); ++c)
            cells << view()->model()->index(row, c).data().toString();
        return cells.join(QLatin1Char('|'));
    }

    QPoint rowCenter(int row) const
    {
        return view()->visualRect(view()->model()->index(row, 1)).center();
    }

    void sendDrop(const QPoint &inViewport, const QByteArray &uriList)
    {
        QMimeData mime;
        mime.setData(QStringLiteral("text/uri-list"), uriList);
        QDragEnterEvent enter(inViewport, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view()->viewport(), &enter);
        QDropEvent drop(QPointF(inViewport), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view()->viewport(), &drop);
    }

    QTemporaryDir dir_;
    zv::TSubtitleDatabase db_;
    std::unique_ptr<TForm7> form_;
    QStringList messages_;
};

TEST_F(DatabaseWindow, ShowsTheRowsUnderTheirCaptions)
{
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Baza tekstów"));

    const QStringList captions = {"Index", "Nazwa pliku", "Format", "Skojarzono z...", "Rozmiar", "Pełna nazwa"};
    const int widths[] = {0, 150, -1, 150, -1, 150};  // -1: not fixed by the design
    ASSERT_EQ(view()->model()->columnCount(), captions.size());
    for (int c = 0; c < captions.size(); ++c) {
        EXPECT_EQ(view()->model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
        if (widths[c] == 0) {
            EXPECT_TRUE(view()->isColumnHidden(c));
        } else if (widths[c] > 0) {
            EXPECT_EQ(view()->columnWidth(c), widths[c]);
        }
    }
    EXPECT_EQ(rowText(0), "|a.txt|tmp|film1.avi|1 KB|" + dir_.filePath("a.txt"));
    EXPECT_EQ(rowText(1), "|b.txt|mdvd||2 KB|" + dir_.filePath("b.txt"));
    const auto sizeAlign = view()->model()->index(0, 4).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    EXPECT_TRUE(sizeAlign & Qt::AlignRight);
}

TEST_F(DatabaseWindow, StatusBarFollowsTheChosenRow)
{
    select({1}, 1);
    EXPECT_EQ(form_->StatusPanel->text(), dir_.filePath("b.txt"));
    // With several rows the one with the focus is shown.
    select({0, 2}, 2);
    EXPECT_EQ(form_->StatusPanel->text(), dir_.filePath("gone.txt"));
    select({0, 1}, 2);
    EXPECT_EQ(form_->StatusPanel->text(), dir_.filePath("a.txt"));
    view()->clearSelection();
    EXPECT_EQ(form_->StatusPanel->text(), QString());

    // A change of the row's content made elsewhere shows at once.
    select({1}, 1);
    db_.SkojarzPliki("/f/film.avi", "/x/b.txt");
    form_->associationsChanged();
    EXPECT_EQ(view()->model()->index(1, 3).data().toString(), "film.avi");
    EXPECT_EQ(form_->selectedRows(), QList<int>{1});
}

TEST_F(DatabaseWindow, KeysSelectAllDeleteAndLoad)
{
    view()->setFocus();
    QSignalSpy load(form_.get(), &TForm7::loadSubtitleRequested);

    QTest::keyClick(view(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form_->selectedRows(), (QList<int>{0, 1, 2}));
    QTest::keyClick(view(), Qt::Key_Return);
    EXPECT_EQ(load.count(), 0);  // only with exactly one row

    select({1});
    QTest::keyClick(view(), Qt::Key_Return);
    QTest::keyClick(view(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(load.count(), 2);
    EXPECT_EQ(load.at(0).at(0).toInt(), 1);

    select({0, 2});
    QTest::keyClick(view(), Qt::Key_Delete);
    EXPECT_EQ(fileNames(), QStringList{"b.txt"});
    EXPECT_EQ(view()->model()->rowCount(), 1);
    EXPECT_TRUE(form_->selectedRows().isEmpty());
    EXPECT_EQ(form_->StatusPanel->text(), QString());
    QTest::keyClick(view(), Qt::Key_Delete);  // nothing chosen: nothing goes
    EXPECT_EQ(db_.size(), 1);
}

TEST_F(DatabaseWindow, DoubleClickLoadsThatRow)
{
    QSignalSpy load(form_.get(), &TForm7::loadSubtitleRequested);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(2));
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, rowCenter(2));
    ASSERT_GE(load.count(), 1);
    EXPECT_EQ(load.last().at(0).toInt(), 2);
}

TEST_F(DatabaseWindow, PopupItemsAndTheirEnabling)
{
    QStringList captions;
    for (QAction *a : form_->PopupMenu1->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{"Wczytaj tekst", "Usuń z bazy", "Usuń skojarzenie", "Posprzątaj listę",
                                     "Edytuj plik", "-", "Dodaj katalog...", "Dodaj pliki..."}));
    EXPECT_EQ(form_->PopupMenu1->defaultAction(), form_->WczytajTekst1);

    struct Case {
        const char *name;
        std::initializer_list<int> selected;
        bool emptyList;
        // Wczytaj, Usuń z bazy, Usuń skojarzenie, Posprzątaj, Edytuj, Dodaj katalog, Dodaj pliki
        std::array<bool, 7> enabled;
    } cases[] = {
        {"nothing chosen", {}, false, {false, false, false, true, false, true, true}},
        {"one row", {1}, false, {true, true, true, true, true, true, true}},
        {"two rows", {0, 2}, false, {false, true, true, true, false, true, true}},
        {"empty list", {}, true, {false, false, false, false, false, true, true}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.emptyList) {
            db_.clear();
            form_->rowsChanged();
        }
        select(c.selected);
        const QAction *items[] = {form_->WczytajTekst1, form_->UsunZBazy1, form_->UsunSkojarzenie1,
                                  form_->PosprzatajListe1, form_->EdytujPlik1, form_->DodajKatalog1,
                                  form_->DodajPliki1};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(items[i]->isEnabled(), c.enabled[i]) << items[i]->text().toStdString();
    }
}

TEST_F(DatabaseWindow, RowCommandsChangeOnlyWhatTheySay)
{
    // "Usuń skojarzenie" on the chosen rows; the choice stays.
    select({0, 1});
    form_->UsunSkojarzenie1->trigger();
    EXPECT_EQ(db_.at(0).AssociatedWith, QString());
    EXPECT_EQ(db_.at(2).AssociatedWith, "film2.avi");
    EXPECT_EQ(form_->selectedRows(), (QList<int>{0, 1}));

    // "Posprzątaj listę" removes the rows whose file is gone, whatever is chosen.
    select({});
    form_->PosprzatajListe1->trigger();
    EXPECT_EQ(fileNames(), (QStringList{"a.txt", "b.txt"}));
    EXPECT_EQ(view()->model()->rowCount(), 2);

    // "Usuń z bazy" and "Wczytaj tekst" work on the rows chosen.
    QSignalSpy load(form_.get(), &TForm7::loadSubtitleRequested);
    select({1});
    form_->WczytajTekst1->trigger();
    ASSERT_EQ(load.count(), 1);
    EXPECT_EQ(load.at(0).at(0).toInt(), 1);
    form_->UsunZBazy1->trigger();
    EXPECT_EQ(fileNames(), QStringList{"a.txt"});
}

TEST_F(DatabaseWindow, EditFileOpensItOrSaysItIsGone)
{
    QList<QUrl> opened;
    form_->setUrlOpener([&](const QUrl &url) { opened << url; return true; });
    select({1});
    form_->EdytujPlik1->trigger();
    EXPECT_EQ(opened, QList<QUrl>{QUrl::fromLocalFile(dir_.filePath("b.txt"))});
    EXPECT_TRUE(messages_.isEmpty());

    select({2});
    form_->EdytujPlik1->trigger();
    EXPECT_EQ(opened.size(), 1);
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains(dir_.filePath("gone.txt")));
}

TEST_F(DatabaseWindow, AddCommandsAskForFilesAppendedAtTheEnd)
{
    QSignalSpy add(form_.get(), &TForm7::addFilesRequested);
    form_->setCurrentSubtitleFileSource([this] { return dir_.filePath("a.txt"); });
    QStringList asked;  // title or filter, then the start folder, of each dialog
    QStringList answer = {"/t/1.txt", "/t/2 ż.lrc"};
    form_->setFolderPicker([&](QWidget *, const QString &title, const QString &start) {
        asked << title << start;
        return answer.value(0);
    });
    form_->setFilesPicker([&](QWidget *, const QString &filter, const QString &start) {
        asked << filter.section(";;", 0, 0) << start;
        return answer;
    });

    form_->DodajKatalog1->trigger();
    form_->DodajPliki1->trigger();
    EXPECT_EQ(asked, (QStringList{"Przytrzymaj klawisz SHIFT jeśli nie chcesz przeszukiwać podkatalogów.",
                                  dir_.path(), "Pliki tekstów [*.txt;*.lrc;*.sfl;*.srt] (*.txt *.lrc *.sfl *.srt)",
                                  dir_.path()}));
    ASSERT_EQ(add.count(), 2);
    EXPECT_EQ(add.at(0).at(0).toString(), "/t/1.txt");
    EXPECT_EQ(add.at(1).at(0).toString(), "/t/1.txt\r\n/t/2 ż.lrc");
    EXPECT_TRUE(add.at(0).at(1).toBool() && add.at(1).at(1).toBool());

    // Cancelled dialogs ask for nothing.
    answer.clear();
    form_->DodajKatalog1->trigger();
    form_->DodajPliki1->trigger();
    EXPECT_EQ(add.count(), 2);
}

TEST_F(DatabaseWindow, ShellDropLandsOnTheRowUnderThePointer)
{
    QSignalSpy add(form_.get(), &TForm7::addFilesRequested);
    const QPoint belowLastRow(rowCenter(2).x(), rowCenter(2).y() + view()->rowHeight(2) * 2);
    const struct {
        const char *name;
        QPoint where;
        int row;
    } cases[] = {
        {"on the first row", rowCenter(0), 0},
        {"on the second row", rowCenter(1), 1},
        {"below the last row", belowLastRow, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        add.clear();
        sendDrop(c.where, "file:///n/x%20y.txt\r\nhttp://example.com/z.txt\r\nfile:///n/%C5%BC.txt\r\n");
        ASSERT_EQ(add.count(), 1);
        EXPECT_EQ(add.at(0).at(0).toString(), QStringLiteral("/n/x y.txt\r\n/n/ż.txt"));
        EXPECT_FALSE(add.at(0).at(1).toBool());
        EXPECT_EQ(zv::dropRowIndex(add.at(0).at(2).toPoint().y()), c.row);
    }
    add.clear();
    sendDrop(rowCenter(0), "http://example.com/z.txt\r\n");
    EXPECT_EQ(add.count(), 0);
}

TEST_F(DatabaseWindow, PlaylistEntryDroppedOnARowAssociatesThatRowOnly)
{
    QString focused = "/filmy/Nowy Film.avi";
    form_->setPlaylistDragSource(nullptr, [&] { return focused; });
    select({1});
    EXPECT_TRUE(form_->ListViewBazaNapisowDragDrop(rowCenter(1)));
    EXPECT_EQ(db_.at(1).AssociatedWith, "Nowy Film.avi");
    EXPECT_EQ(db_.at(0).AssociatedWith, "film1.avi");
    EXPECT_EQ(form_->selectedRows(), QList<int>{1});

    const QPoint belowRows(rowCenter(2).x(), rowCenter(2).y() + view()->rowHeight(2) * 2);
    EXPECT_FALSE(form_->ListViewBazaNapisowDragDrop(belowRows));
    focused.clear();  // an empty playlist
    EXPECT_FALSE(form_->ListViewBazaNapisowDragDrop(rowCenter(0)));
    EXPECT_EQ(db_.at(0).AssociatedWith, "film1.avi");
}

TEST_F(DatabaseWindow, ClosingTellsTheMainWindow)
{
    QSignalSpy closed(form_.get(), &TForm7::closed);
    form_->Zamknij->click();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(closed.count(), 1);

    form_->show();
    QTest::keyClick(view(), Qt::Key_Escape);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(closed.count(), 2);
}

TEST_F(DatabaseWindow, StoredFileRoundTripAndFailuresAreTold)
{
    zv::test::ScopedHome home;
    ASSERT_TRUE(form_->ZapiszBazenapisow());
    TForm7 again;
    again.setMessageSink([this](QWidget *, const QString &, const QString &text) { messages_ << text; });
    EXPECT_TRUE(again.OdczytajBazeNapisow());
    EXPECT_EQ(again.database().rows(), db_.rows());
    EXPECT_EQ(again.ListViewBazaNapisow->model()->rowCount(), 3);

    // A file that is not a database is told about once.
    {
        QFile f(zv::Paths::databaseFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x00\x01\x02garbage", 10));
    }
    TForm7 damaged;
    damaged.setMessageSink([this](QWidget *, const QString &, const QString &text) { messages_ << text; });
    EXPECT_FALSE(damaged.OdczytajBazeNapisow());
    EXPECT_EQ(messages_.size(), 1);

    // A place that cannot take the file: the save says so instead of passing for done.
    QFile::remove(zv::Paths::databaseFile());
    ASSERT_TRUE(QDir().mkpath(zv::Paths::databaseFile() + "/blocked"));
    EXPECT_FALSE(form_->ZapiszBazenapisow());
    EXPECT_EQ(messages_.size(), 2);
}

} // namespace

namespace {

// A hundred thousand rows must stay usable: every step over all rows is linear (a quadratic
// step would take minutes here). Bounds are loose for sanitizer builds on a shared machine.
TEST(DatabaseWindowLarge, HundredThousandRowsStayQuick)
{
    constexpr int kRows = 100000;
    zv::TSubtitleDatabase db;
    for (int i = 0; i < kRows; ++i) {
        const QString name = QStringLiteral("napisy%1.txt").arg(i);
        db.append({name, "tmp", "", "1 KB", QStringLiteral("/nie/ma/") + name});
    }
    TForm7 form(db);
    QElapsedTimer timer;
    timer.start();
    form.rowsChanged();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::processEvents();
    const qint64 shown = timer.restart();

    form.ListViewBazaNapisow->setFocus();
    QTest::keyClick(form.ListViewBazaNapisow, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(form.selectedRows().size(), kRows);
    EXPECT_FALSE(form.WczytajTekst1->isEnabled());
    const qint64 selected = timer.restart();

    form.PosprzatajListe1->trigger();  // none of the files exists
    EXPECT_EQ(db.size(), 0);
    const qint64 cleaned = timer.restart();

    std::printf("100000 rows: shown %lld ms, all chosen %lld ms, cleaned %lld ms\n",
                static_cast<long long>(shown), static_cast<long long>(selected),
                static_cast<long long>(cleaned));
    EXPECT_LT(shown, 5000);
    EXPECT_LT(selected, 5000);
    EXPECT_LT(cleaned, 5000);
}

} // namespace

namespace {

// Rows as high as the desktop's font needs: the marks over Polish capitals are not cut off.
TEST(DatabaseWindowFonts, RowsHoldTheAccentsOfTheirFont)
{
    struct RestoreFont {
        QFont original = QApplication::font();
        ~RestoreFont() { QApplication::setFont(original); }
    } restore;
    QTemporaryDir dir;
    const QString name = QStringLiteral(u"Łódź, Źródło, Śnieg.txt");
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const QFont &f : {restore.original, zv::test::pixelFont("DejaVu Serif", 12),
                           zv::test::pixelFont("DejaVu Math TeX Gyre", 13)}) {
        QApplication::setFont(f);
        zv::TSubtitleDatabase db;
        db.append({name, "tmp", "film.avi", "1 KB", dir.filePath(name)});
        TForm7 form(db);
        form.rowsChanged();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QTableView *view = form.ListViewBazaNapisow;
        const QModelIndex cell = view->model()->index(0, zv::SubtitleDatabaseModel::ColFileName);
        // The grid line is the cell's last pixel row.
        EXPECT_EQ(zv::test::cellInk(view, cell, 1).height(), zv::test::freeTextInk(cell.data().toString(), f).height())
            << f.toString().toStdString();
    }
}

} // namespace
