// Files dropped from a file manager: which URLs become paths, where the drop point is, and
// when delivery stops.
#include "shell/drop_target.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QTableWidget>
#include <QHeaderView>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

using zv::TDragDropInfo;

std::unique_ptr<QMimeData> uriList(const QByteArray &text)
{
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QStringLiteral("text/uri-list"), text);
    return mime;
}

// Sends a drop as the window system delivers it: an enter, then the drop itself. Returns
// whether the drop was accepted.
bool dropOn(QWidget *receiver, const QPoint &pos, const QMimeData *mime)
{
    QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(receiver, &enter);
    // Files are taken as a copy, never moved away from the file manager.
    EXPECT_TRUE(!enter.isAccepted() || enter.dropAction() == Qt::CopyAction);
    QDropEvent drop(QPointF(pos), Qt::CopyAction | Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(receiver, &drop);
    return drop.isAccepted();
}

struct Recorder {
    std::optional<TDragDropInfo> last;
    int calls = 0;
    void handle(const TDragDropInfo &info)
    {
        last = info;
        ++calls;
    }
};

TEST(DropTarget, UriListBecomesLocalPathsInOrder)
{
    const QString host = QStringLiteral("file://%1/srv/x.avi").arg(QSysInfo::machineHostName());
    struct Case {
        const char *name;
        QByteArray uriList;
        QStringList expected;  // empty: nothing delivered
    } cases[] = {
        {"space and Polish letters, percent-encoded",
         "file:///tmp/Moje%20Filmy/%C5%BC%C3%B3%C5%82w%20%C4%85.txt\r\n", {"/tmp/Moje Filmy/żółw ą.txt"}},
        {"several, comments skipped, order kept",
         "# from a file manager\r\nfile:///b/2.avi\r\nfile:///a/1.avi\r\n", {"/b/2.avi", "/a/1.avi"}},
        {"a folder loses its trailing slash", "file:///home/u/Filmy/\r\n", {"/home/u/Filmy"}},
        {"percent-encoded reserved characters",
         "file:///tmp/a%23b%25c%3Fd.txt\r\n", {"/tmp/a#b%c?d.txt"}},
        {"web links are left out", "http://example.com/a.avi\r\nfile:///x.avi\r\nftp://h/b.avi\r\n",
         {"/x.avi"}},
        {"localhost and this machine are local",
         "file://localhost/tmp/l.avi\r\n" + host.toUtf8() + "\r\n", {"/tmp/l.avi", "/srv/x.avi"}},
        {"another host's file is not local", "file://elsewhere.example/share/x.avi\r\n", {}},
        {"only web links", "https://example.com/film.avi\r\n", {}},
        {"no URLs at all", "", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QWidget target;
        Recorder rec;
        zv::registerDropTarget(&target, &rec, &Recorder::handle);
        const auto mime = uriList(c.uriList);
        const bool accepted = dropOn(&target, QPoint(3, 4), mime.get());
        if (c.expected.isEmpty()) {
            EXPECT_EQ(rec.calls, 0);
            EXPECT_FALSE(accepted);
            continue;
        }
        ASSERT_EQ(rec.calls, 1);
        EXPECT_TRUE(accepted);
        EXPECT_EQ(rec.last->Files, c.expected);
        EXPECT_EQ(rec.last->NumFiles, c.expected.size());
    }
}

TEST(DropTarget, PointAndClientArea)
{
    QWidget target;
    target.resize(200, 100);
    Recorder rec;
    zv::registerDropTarget(&target, [&rec](const TDragDropInfo &i) { rec.handle(i); });
    const auto mime = uriList("file:///a.txt\r\n");

    ASSERT_TRUE(dropOn(&target, QPoint(30, 40), mime.get()));
    EXPECT_EQ(rec.last->DropPoint, QPoint(30, 40));
    EXPECT_TRUE(rec.last->InClientArea);

    // A drop delivered at the edge (the window system may round outside).
    ASSERT_TRUE(dropOn(&target, QPoint(200, 40), mime.get()));
    EXPECT_FALSE(rec.last->InClientArea);
}

TEST(DropTarget, ListIsServedThroughItsViewportInItsOwnCoordinates)
{
    QTableWidget list(5, 2);
    list.resize(300, 200);
    list.show();
    Recorder rec;
    zv::registerDropTarget(&list, &rec, &Recorder::handle);
    EXPECT_TRUE(list.viewport()->acceptDrops());

    const auto mime = uriList("file:///a.txt\r\n");
    const QPoint inViewport(10, 20);
    ASSERT_TRUE(dropOn(list.viewport(), inViewport, mime.get()));
    EXPECT_EQ(rec.last->DropPoint, list.viewport()->mapTo(&list, inViewport));
    EXPECT_GT(rec.last->DropPoint.y(), inViewport.y());  // below the header
    EXPECT_TRUE(rec.last->InClientArea);
}

TEST(DropTarget, UnregisterAndDestructionEndDelivery)
{
    QWidget target;
    Recorder first, second;
    const auto mime = uriList("file:///a.txt\r\n");

    zv::registerDropTarget(&target, &first, &Recorder::handle);
    zv::registerDropTarget(&target, &second, &Recorder::handle);  // replaces the handler
    dropOn(&target, QPoint(1, 1), mime.get());
    EXPECT_EQ(first.calls, 0);
    EXPECT_EQ(second.calls, 1);

    zv::unregisterDropTarget(&target);
    EXPECT_FALSE(zv::isDropTarget(&target));
    EXPECT_FALSE(target.acceptDrops());  // as it was before
    EXPECT_FALSE(dropOn(&target, QPoint(1, 1), mime.get()));
    EXPECT_EQ(second.calls, 1);
    zv::unregisterDropTarget(&target);  // twice is harmless

    // A handler may end its own registration; a destroyed widget leaves nothing behind.
    auto *temporary = new QWidget;
    int calls = 0;
    zv::registerDropTarget(temporary, [&](const TDragDropInfo &) {
        ++calls;
        zv::unregisterDropTarget(temporary);
    });
    dropOn(temporary, QPoint(1, 1), mime.get());
    dropOn(temporary, QPoint(1, 1), mime.get());
    EXPECT_EQ(calls, 1);
    zv::registerDropTarget(temporary, [](const TDragDropInfo &) {});
    delete temporary;
    EXPECT_FALSE(zv::isDropTarget(temporary));
}

TEST(DropTarget, ListTextJoinsWithCrLfAndLeavesOutBrokenPaths)
{
    EXPECT_EQ(zv::dropListText({"/a b.txt", "/ż.avi"}), QStringLiteral("/a b.txt\r\n/ż.avi"));
    EXPECT_EQ(zv::dropListText({"/a\nb.avi", "/c.avi", "/d\r.avi", QStringLiteral("/e") + QChar(0)}),
              QStringLiteral("/c.avi"));
    EXPECT_EQ(zv::dropListText({}), QString());
}

} // namespace
