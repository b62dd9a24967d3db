// Dragging with the real pointer through the X server: files from another program onto a row
// of the playlist and onto the main window, rows inside the list, and a row onto the subtitle
// database.
#include "app/transport/transport_app.h"
#include "core/library/subtitle_database.h"
#include "library/subtitle_database_window.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_window.h"
#include "support/x11_pointer.h"

#include <QTableView>
#include <gtest/gtest.h>

namespace {

using zv::test::dragFilesFromOutside;
using zv::test::dragPointer;

// The main window on the left, the playlist window beside it, nothing overlapping.
struct DragApp : TransportApp {
    DragApp()
    {
        w->move(0, 0);
        w->resize(500, 400);
        w->show();
        pl()->move(560, 0);
        pl()->resize(400, 360);
        pl()->show();
        pl()->raise();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(pl()));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    TForm6 *pl() const { return w->Form6; }
    QPoint rowCentre(int row) const
    {
        const QRect r = pl()->ListView1->visualRect(pl()->model->index(row, 0));
        return pl()->ListView1->viewport()->mapToGlobal(r.center());
    }
    QStringList names() const
    {
        QStringList out;
        for (const QString &p : w->playlist().playlist().paths())
            out << QFileInfo(p).fileName();
        return out;
    }
};

} // namespace

TEST(PlaylistDrag, FilesFromAnotherProgramOntoRowTwoAndOntoTheMainWindow)
{
    DragApp app;
    app.addEntries({"A.avi", "B.avi", "C.avi", "D.avi", "E.avi"});
    const QStringList dropped = app.addEntries({"x.avi", "y.avi", "z.avi"});
    app.w->playlist().playlist().removeRows({5, 6, 7});

    ASSERT_TRUE(dragFilesFromOutside(dropped, app.rowCentre(2)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.w->playlist().playlist().count() == 8; }, 5000)) << app.names().join(' ').toStdString();
    EXPECT_EQ(app.names(), (QStringList{"A.avi", "B.avi", "z.avi", "y.avi", "x.avi", "C.avi", "D.avi", "E.avi"}));
    EXPECT_TRUE(app.e->calls.filter("Open").isEmpty()) << "a drop on the list opens nothing";

    // Onto the main window: the playlist is replaced, in the order of the drop, and the first opens.
    const QPoint onMain = app.w->mapToGlobal(QPoint(app.w->width() / 2, app.w->height() / 2));
    ASSERT_TRUE(dragFilesFromOutside(dropped.mid(0, 2), onMain));
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.w->playlist().playlist().count() == 2; }, 5000)) << app.names().join(' ').toStdString();
    EXPECT_EQ(app.names(), (QStringList{"x.avi", "y.avi"}));
    EXPECT_EQ(app.w->session().CurrentMediaPath, dropped[0]);
}

TEST(PlaylistDrag, RowsReorderedInTheList)
{
    DragApp app;
    const QStringList eight{"0.avi", "1.avi", "2.avi", "3.avi", "4.avi", "5.avi", "6.avi", "7.avi"};
    struct Case {
        QList<int> rows;
        int target;
        QStringList expected;
    } cases[] = {
        {{4, 6}, 1, {"0.avi", "4.avi", "6.avi", "1.avi", "2.avi", "3.avi", "5.avi", "7.avi"}},
        {{1, 2}, 5, {"0.avi", "3.avi", "4.avi", "5.avi", "2.avi", "1.avi", "6.avi", "7.avi"}},
    };
    for (const Case &c : cases) {
        app.w->playlist().playlist().clear();
        app.addEntries(eight);
        app.pl()->selectRows(c.rows);
        ASSERT_TRUE(dragPointer(app.rowCentre(c.rows.first()), app.rowCentre(c.target)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return app.names() != eight; }, 5000)) << c.target;
        EXPECT_EQ(app.names(), c.expected);
    }

    // Released below the last row: nothing moves, nothing is lost.
    app.w->playlist().playlist().clear();
    app.addEntries(eight);
    app.pl()->selectRows({1});
    const QWidget *vp = app.pl()->ListView1->viewport();
    ASSERT_TRUE(dragPointer(app.rowCentre(1), vp->mapToGlobal(QPoint(20, vp->height() - 3))));
    QTest::qWait(300);
    EXPECT_EQ(app.names(), eight);
}

TEST(PlaylistDrag, RowOntoADatabaseRowAssociatesTheFilm)
{
    DragApp app;
    const QStringList films = app.addEntries({"film1.avi", "film2.avi"});
    QStringList subs;
    for (const char *n : {"a.txt", "b.txt"}) {
        QFile f(app.home.file(QString::fromLatin1(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{1}{25}Ala\r\n");
        subs << f.fileName();
    }
    app.w->library().TxtAddProc(subs, {}, app.w->state().DefaultDropPoint, false, true);
    TForm7 *db = app.w->Form7;
    db->move(0, 460);
    db->resize(500, 300);
    db->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(db));
    ASSERT_EQ(db->database().rows().size(), 2);

    app.pl()->selectRows({1});
    app.pl()->ListView1->setCurrentIndex(app.pl()->model->index(1, 0));
    QTableView *table = db->ListViewBazaNapisow;
    const QPoint onRow1 = table->viewport()->mapToGlobal(table->visualRect(table->model()->index(1, 1)).center());
    ASSERT_TRUE(dragPointer(app.rowCentre(1), onRow1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !db->database().rows()[1].AssociatedWith.isEmpty(); }, 5000));
    EXPECT_EQ(db->database().rows()[1].AssociatedWith, "film2.avi");
    EXPECT_TRUE(db->database().rows()[0].AssociatedWith.isEmpty());
    EXPECT_EQ(app.w->playlist().playlist().paths(), films) << "the playlist stays as it was";
}
