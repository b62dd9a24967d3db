// The playlist window on its own and in the main window: what a row shows on screen, the
// menus and their enabling, the requests it makes of the main window, and the status mirrors.
#include "app/transport/transport_app.h"
#include "core/config/paths.h"
#include "core/playback/status_view.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_window.h"
#include "shell/drop_target.h"
#include "support/row_ink.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QStringList numbered(int n, const QString &name = QStringLiteral("film"))
{
    QStringList paths;
    for (int i = 0; i < n; ++i)
        paths << QStringLiteral("/f/%1%2.avi").arg(name).arg(i);
    return paths;
}

// A shown window over its own playlist.
struct Window {
    explicit Window(const QStringList &paths = {}, const QString &current = {})
    {
        form.playlist().PlsAddProc(paths, false, true);
        form.setCurrentMediaSource([current] { return current; });
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    QImage rowImage(int row)
    {
        QListView *list = form.ListView1;
        list->scrollTo(form.model->index(row, 0));
        QCoreApplication::processEvents();
        const QRect r = list->visualRect(form.model->index(row, 0));
        return list->viewport()->grab(r).toImage();
    }
    zv::test::ScopedHome home;
    TForm6 form;
};

// Rightmost column, left of `limit`, with a pixel mostly of colour `rgb` (the edges of
// smoothed letters are blends with the background); -1 when none.
int rightmost(const QImage &img, QRgb rgb, int limit)
{
    const auto near = [rgb](QRgb p) {
        return std::abs(qRed(p) - qRed(rgb)) < 60 && std::abs(qGreen(p) - qGreen(rgb)) < 60
            && std::abs(qBlue(p) - qBlue(rgb)) < 60;
    };
    for (int x = std::min(limit, img.width()) - 1; x >= 0; --x)
        for (int y = 0; y < img.height(); ++y)
            if (near(img.pixel(x, y)))
                return x;
    return -1;
}

bool holds(const QImage &img, QRgb rgb)
{
    return rightmost(img, rgb, img.width()) >= 0;
}

QStringList enabledItems(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        if (!a->isSeparator() && a->isEnabled())
            out << (a->menu() ? a->menu()->objectName() : a->objectName());
    return out;
}

} // namespace

TEST(PlaylistWindow, RowsOnScreen)
{
    QStringList paths = numbered(120);
    paths[3] = paths[0];   // the playing file twice
    paths[5] = "/f/" + QString(300, u'n') + ".avi";
    Window w(paths, paths[0]);
    w.form.playlist().DodajCzasDoPlalisty(paths[5], 3725);
    const int numberEnd = QFontMetrics(w.form.ListView1->font()).horizontalAdvance("120") + 12;

    // Row 7's number ends where row 120's does.
    const int end7 = rightmost(w.rowImage(6), qRgb(0, 255, 0), numberEnd);
    const int end120 = rightmost(w.rowImage(119), qRgb(0, 255, 0), numberEnd);
    EXPECT_GT(end7, 0);
    EXPECT_EQ(end7, end120);

    // The playing file is white both times; the others are lime.
    EXPECT_TRUE(holds(w.rowImage(0), qRgb(255, 255, 255)));
    EXPECT_TRUE(holds(w.rowImage(3), qRgb(255, 255, 255)));
    EXPECT_FALSE(holds(w.rowImage(1), qRgb(255, 255, 255)));
    EXPECT_TRUE(holds(w.rowImage(1), qRgb(0, 255, 0)));

    // A selected row on dark grey; the long name leaves the time its room at the right edge.
    w.form.selectRows({5});
    const QImage long5 = w.rowImage(5);
    EXPECT_TRUE(holds(long5, qRgb(88, 88, 88)));
    EXPECT_EQ(w.form.model->data(w.form.model->index(5, 0), zv::PlaylistModel::TimeRole).toString(), "1:02:05");
    EXPECT_GE(rightmost(long5, qRgb(0, 255, 0), long5.width()), long5.width() - 4) << "time at the right edge";

    // Right-to-left and combining names draw without disturbing the rows around them.
    w.form.playlist().PlsAddProc(QStringList{QStringLiteral("/f/\u05e9\u05dc\u05d5\u05dd.avi"),
                                             QStringLiteral("/f/e\u0301\u0301\u0301.avi")},
                                 false, false, 1);
    EXPECT_EQ(w.form.model->rowCount(), 122);
    EXPECT_EQ(rightmost(w.rowImage(7), qRgb(0, 255, 0), numberEnd), end7);
}

// Rows are at least their classic height and as high as the list's font needs: the marks
// over Polish capitals are not cut off. The row count used to bring the playing file into
// view follows the real height.
TEST(PlaylistWindow, RowsHoldTheAccentsOfTheirFont)
{
    QStringList paths = numbered(200);
    paths[0] = QStringLiteral(u"/f/Łódź, Źródło, Śnieg.avi");
    Window w(paths, paths[150]);
    w.form.resize(1000, w.form.height());   // the whole name fits, even in the largest font
    QListView *list = w.form.ListView1;
    const QModelIndex first = w.form.model->index(0, 0);
    const QString shown = first.data().toString();
    EXPECT_GE(list->visualRect(first).height(), 17) << "never below the classic height";
    for (const QFont &f : {list->font(), zv::test::pixelFont("DejaVu Serif", 16),
                           zv::test::pixelFont("DejaVu Math TeX Gyre", 13), zv::test::pixelFont("DejaVu Sans", 24)}) {
        list->setFont(f);
        QCoreApplication::processEvents();
        const std::string which = f.toString().toStdString();
        EXPECT_EQ(zv::test::cellInk(list, first).height(), zv::test::freeTextInk(shown, f).height()) << which;

        // The playing row just out of sight below the last whole row.
        const int visible = list->viewport()->height() / list->visualRect(first).height();
        list->scrollTo(w.form.model->index(150 - visible - 1, 0), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        w.form.PokazCurrPlayedFile();
        QCoreApplication::processEvents();
        EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(w.form.model->index(150, 0)).topLeft()))
            << which << ": the playing file is brought into view";
    }
}

TEST(PlaylistWindow, MenusDeletingAndSelecting)
{
    Window w;
    const QStringList listItems{"Wczytajplik1", "Zaznaczwszystko1", "Zostaw1", "Usunwszytkie1", "Usunzaznaczone1"};
    w.form.UpdateMenus();
    EXPECT_TRUE(enabledItems(w.form.PopupMenu1).isEmpty());
    EXPECT_EQ(enabledItems(w.form.PopupMenu2), (QStringList{"Sortuj1", "AddDir1", "AddFiles1", "Wczytajplayliste1"}))
        << "an empty playlist cannot be saved";

    const QStringList eight = numbered(8);
    w.form.playlist().PlsAddProc(eight, false, true);
    for (int i = 0; i < 8; ++i)
        w.form.playlist().DodajCzasDoPlalisty(eight[i], 60 + i);
    w.form.UpdateMenus();
    EXPECT_EQ(enabledItems(w.form.PopupMenu1), listItems);
    EXPECT_EQ(enabledItems(w.form.PopupMenu2).size(), 11);

    // "Zostaw" with rows 2 and 5 selected leaves those two, with their times.
    w.form.selectRows({2, 5});
    w.form.Zostaw1->trigger();
    EXPECT_EQ(w.form.playlist().paths(), (QStringList{eight[2], eight[5]}));
    EXPECT_EQ(w.form.playlist().at(0).TimeText, "1:02");
    EXPECT_EQ(w.form.playlist().at(1).TimeText, "1:05");

    // Selecting all, none, the inverse; Delete in the list removes the selected rows.
    w.form.playlist().PlsAddProc(numbered(4, "x"), false, true);
    w.form.Zaznaczwszystko2->trigger();
    EXPECT_EQ(w.form.selectedRows().size(), 6);
    w.form.Odznaczwszystko1->trigger();
    EXPECT_TRUE(w.form.selectedRows().isEmpty());
    w.form.selectRows({0, 2});
    w.form.Zaznaczodwrotnosc1->trigger();
    EXPECT_EQ(w.form.selectedRows(), (QList<int>{1, 3, 4, 5}));
    w.form.ListView1->setFocus();
    QTest::keyClick(w.form.ListView1, Qt::Key_Delete);
    EXPECT_EQ(w.form.playlist().paths(), (QStringList{eight[2], "/f/x0.avi"}));
    QTest::keyClick(w.form.ListView1, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w.form.selectedRows().size(), 2);

    // Deleting all empties the jump list; saving is off again.
    w.form.Usunwszytkie1->trigger();
    EXPECT_EQ(w.form.model->rowCount(), 0);
    EXPECT_TRUE(w.form.playlist().JumpNameList().isEmpty());
    w.form.UpdateMenus();
    EXPECT_FALSE(w.form.Zapiszplayliste1->isEnabled());

    // Sorting by file name goes through the window as well.
    w.form.playlist().PlsAddProc(QStringList{"/b/a.avi", "/a/B.avi"}, false, true);
    w.form.Sortujnazwa1->trigger();
    EXPECT_EQ(w.form.playlist().paths(), (QStringList{"/a/B.avi", "/b/a.avi"}));
    w.form.Sortujsciezka1->trigger();
    EXPECT_EQ(w.form.playlist().paths(), (QStringList{"/a/B.avi", "/b/a.avi"}));

    // Escape hides the window.
    QTest::keyClick(w.form.ListView1, Qt::Key_Escape);
    EXPECT_FALSE(w.form.isVisible());
}

TEST(PlaylistWindow, RequestsOfTheMainWindow)
{
    Window w(numbered(3), "/media/Filmy/film1.avi");
    QSignalSpy add(&w.form, &TForm6::addRequested);
    QSignalSpy save(&w.form, &TForm6::saveRequested);
    QSignalSpy open(&w.form, &TForm6::openRequested);
    QString startFolder;
    QString answer;
    w.form.setFolderPicker([&](QWidget *, const QString &, const QString &start) {
        startFolder = start;
        return answer;
    });
    w.form.setPlaylistSavePicker([&](QWidget *, const QString &, const QString &) { return answer; });
    w.form.setPlaylistOpenPicker([&](QWidget *, const QString &, const QString &) { return answer; });
    w.form.setFilesPicker([&](QWidget *, const QString &, const QString &) {
        return answer.isEmpty() ? QStringList() : QStringList{answer, answer + "2"};
    });

    struct Case {
        const char *name;
        QAction *TForm6::*item;
        QString answer;
        QList<QVariant> addArgs;   // empty: no add request
        QString saved;             // empty: no save request
    } cases[] = {
        {"a folder", &TForm6::AddDir1, "/m/Seria", {"/m/Seria", 1, false, true, false, QPoint(1, 10000)}, {}},
        {"files", &TForm6::AddFiles1, "/m/a.avi", {"/m/a.avi\r\n/m/a.avi2", 1, false, true, true, QPoint(1, 10000)}, {}},
        {"a playlist replaces the list", &TForm6::Wczytajplayliste1, "/m/l.zvl",
         {"/m/l.zvl", 3, true, true, false, QPoint(1, 10000)}, {}},
        {"saving without an extension", &TForm6::Zapiszplayliste1, "/m/lista", {}, "/m/lista.m3u"},
        {"saving as .zvl", &TForm6::Zapiszplayliste1, "/m/lista.zvl", {}, "/m/lista.zvl"},
        {"a cancelled folder", &TForm6::AddDir1, "", {}, {}},
        {"a cancelled save", &TForm6::Zapiszplayliste1, "", {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        add.clear();
        save.clear();
        answer = c.answer;
        (w.form.*c.item)->trigger();
        if (c.addArgs.isEmpty()) {
            EXPECT_EQ(add.count(), 0);
        } else {
            ASSERT_EQ(add.count(), 1);
            EXPECT_EQ(add.first(), c.addArgs);
        }
        EXPECT_EQ(save.isEmpty() ? QString() : save.first().first().toString(), c.saved);
    }
    EXPECT_EQ(startFolder, "/media/Filmy") << "the folder dialog starts beside the playing file";

    // The temporary playlist's buttons and the hint of "<<M".
    save.clear();
    w.form.SaveTempButton->click();
    ASSERT_EQ(save.count(), 1);
    EXPECT_EQ(save.first().first().toString(), zv::Paths::tempPlaylist());
    EXPECT_EQ(TForm6::loadTempHint(), QStringLiteral("Wczytaj playlistę z tymczasowego pliku:\n\n"));
    QFile temp(zv::Paths::tempPlaylist());
    ASSERT_TRUE(temp.open(QIODevice::WriteOnly));
    for (int i = 0; i < 300; ++i)
        temp.write(QStringLiteral("/filmy/żółw %1.avi\r\n").arg(i).toUtf8());
    temp.close();
    const QString hint = TForm6::loadTempHint();
    EXPECT_TRUE(hint.startsWith(QStringLiteral("Wczytaj playlistę z tymczasowego pliku:\n\n/filmy/żółw 0.avi\n")));
    EXPECT_EQ(hint.size(), QStringLiteral("Wczytaj playlistę z tymczasowego pliku:\n\n").size() + 2000 - 2000 / 20)
        << "2000 characters of the file, each CR LF shown as one line break";
    add.clear();
    w.form.LoadTempButton->click();
    ASSERT_EQ(add.count(), 1);
    EXPECT_EQ(add.first().mid(1), (QList<QVariant>{3, true, true, false, QPoint(1, 10000)}));

    // Enter and a double click open the focused row; "Wczytaj plik" only with a selection.
    w.form.ListView1->setCurrentIndex(w.form.model->index(2, 0));
    QTest::keyClick(w.form.ListView1, Qt::Key_Return);
    w.form.SelectNoneClick();
    w.form.Wczytajplik1->trigger();
    w.form.selectRows({1});
    w.form.ListView1->setCurrentIndex(w.form.model->index(1, 0));
    w.form.Wczytajplik1->trigger();
    ASSERT_EQ(open.count(), 2);
    EXPECT_EQ(open[0].first().toInt(), 2);
    EXPECT_EQ(open[1].first().toInt(), 1);
}

TEST(PlaylistWindow, InTheMainWindow)
{
    TransportApp app;
    TForm6 *pl = app.w->Form6;

    // "Playlista" shows and hides it; a hide from elsewhere clears the check mark too.
    pl->hide();
    app.w->commands().run(zv::Cmd::PL1);
    EXPECT_TRUE(pl->isVisible());
    EXPECT_TRUE(app.w->commands().action(zv::Cmd::PL1)->isChecked());
    EXPECT_TRUE(app.w->ToolButton20->isChecked());
    pl->close();
    EXPECT_FALSE(app.w->commands().action(zv::Cmd::PL1)->isChecked());
    EXPECT_FALSE(app.w->ToolButton20->isChecked());
    app.w->commands().run(zv::Cmd::PL1);

    // Transport buttons mirror the main window's and run its commands.
    app.w->status().UstawMStaus();
    for (QToolButton *b : {pl->ToolButton1, pl->ToolButton2, pl->ToolButton3, pl->ToolButton4, pl->ToolButton5})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    const QStringList paths = app.addEntries({"a.avi", "b.avi", "c.avi"});
    EXPECT_TRUE(pl->ToolButton1->isEnabled()) << "Play can open an entry";
    EXPECT_EQ(pl->model->rowCount(), 3) << "rows added by the main window reach the list";
    app.open(paths[1]);
    app.w->commands().run(zv::Cmd::Play);
    EXPECT_TRUE(pl->ToolButton1->isChecked());
    EXPECT_FALSE(pl->ToolButton2->isChecked());
    EXPECT_TRUE(pl->ToolButton4->isEnabled());
    EXPECT_TRUE(pl->ToolButton5->isEnabled());
    pl->ToolButton2->click();
    EXPECT_EQ(app.e->PlayState(), MediaEngine::psPaused);
    EXPECT_TRUE(pl->ToolButton2->isChecked());
    pl->ToolButton5->click();
    EXPECT_EQ(app.w->session().CurrentMediaPath, paths[2]);
    app.e->finishOpen(100, 2500, 320, 240);
    EXPECT_FALSE(pl->ToolButton5->isEnabled()) << "the last entry";
    EXPECT_EQ(pl->model->data(pl->model->index(2, 0), zv::PlaylistModel::TimeRole).toString(), "1:40");

    // Files dropped on the list go in at the row under the point; the default point appends.
    const QStringList more = app.addEntries({"x.avi", "y.avi"});
    app.w->playlist().playlist().removeRows({3, 4});
    const QRect row1 = pl->ListView1->visualRect(pl->model->index(1, 0));
    zv::TDragDropInfo info;
    info.Files = more;
    info.DropPoint = pl->ListView1->viewport()->mapTo(pl->ListView1, row1.center());
    app.w->playlist().OnListViewFMDragDrop(info);
    EXPECT_EQ(app.w->playlist().playlist().paths(), (QStringList{paths[0], more[1], more[0], paths[1], paths[2]}));
    info.DropPoint = app.w->state().DefaultDropPoint;
    app.w->playlist().OnListViewFMDragDrop(info);
    EXPECT_EQ(app.w->playlist().playlist().paths().mid(5), more);

    // The playing entry is brought into view when its clip opens.
    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("m%1.avi").arg(i);
    const QStringList manyPaths = app.addEntries(many);
    pl->ListView1->scrollToTop();
    app.open(manyPaths[150]);
    const QModelIndex playing = pl->model->index(app.w->playlist().playlist().firstIndexOf(manyPaths[150]), 0);
    const QRect shown = pl->ListView1->visualRect(playing);
    EXPECT_TRUE(shown.top() >= 0 && shown.bottom() < pl->ListView1->viewport()->height()) << shown.top();

    // Saving the playlist where it cannot be written tells the user; nothing else changes.
    pl->setPlaylistSavePicker([&](QWidget *, const QString &, const QString &) {
        return app.home.file("a.avi/lista.m3u");   // a file where a folder should be
    });
    const int before = app.w->playlist().playlist().count();
    pl->Zapiszplayliste1->trigger();
    ASSERT_EQ(app.messages.size(), 1);
    EXPECT_TRUE(app.messages[0].contains(QStringLiteral("Nie można zapisać playlisty"))) << app.messages[0].toStdString();
    EXPECT_EQ(app.w->playlist().playlist().count(), before);
}
