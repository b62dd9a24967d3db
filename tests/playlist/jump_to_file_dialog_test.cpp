// The jump-to-file dialog: typing narrows the names, the list keys, Enter (with and without a
// chosen row) and a click, typing faster than a search over 100 000 names runs, and rows that
// hold the accents of their font.
#include "playlist/jump_to_file_dialog.h"
#include "support/row_ink.h"
#include "support/typing.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The dialog shown (not modally) over `names`, with `current` playing.
struct Dialog {
    explicit Dialog(const QStringList &names, const QString &current = {})
    {
        form.setSources([names] { return names; }, [current] { return current; });
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    QStringList typed(const QString &text)
    {
        form.Edit1->clear();
        zv::test::typeText(form.Edit1, text);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form.searching(); }, 5000));
        return form.shownNames();
    }
    TForm8 form;
};

} // namespace

TEST(JumpDialog, TypingNarrowsTheNames)
{
    // Two entries with the same file name from different folders.
    const QStringList names{"Star.Wars.1977.avi", "wars_star.mpg", "Star Trek.avi", "Star Trek.avi", "inne.avi"};
    Dialog d(names, "/filmy/Star Trek.avi");
    EXPECT_EQ(d.form.shownNames(), names);
    EXPECT_EQ(d.form.selectedRow(), 3) << "the last row with the playing file's name";
    EXPECT_EQ(d.form.focusWidget(), d.form.Edit1);
    EXPECT_EQ(d.form.windowTitle(), QStringLiteral("Skocz do pliku..."));

    struct Case {
        const char *typed;
        QStringList shown;
    } cases[] = {
        {"star  wars", {"Star.Wars.1977.avi", "wars_star.mpg"}},
        {"WARS Star", {"Star.Wars.1977.avi", "wars_star.mpg"}},
        {"   ", names},
        {"trek", {"Star Trek.avi", "Star Trek.avi"}},
        {"nic", {}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(d.typed(QString::fromUtf8(c.typed)), c.shown) << c.typed;
        EXPECT_EQ(d.form.selectedRow(), -1) << "no row is chosen after filtering";
    }

    // A click chooses the row and gives the typing back to the edit box.
    d.typed("star");
    QListView *list = d.form.ListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 0)).center());
    EXPECT_EQ(d.form.selectedRow(), 1);
    EXPECT_EQ(d.form.focusWidget(), d.form.Edit1);
}

TEST(JumpDialog, ListKeysEnterAndCancel)
{
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names << QStringLiteral("plik%1.avi").arg(i);
    Dialog d(names);
    QSignalSpy jump(&d.form, &TForm8::jumpRequested);
    QSignalSpy closed(&d.form, &TForm8::closed);
    struct Case {
        int from;
        Qt::Key key;
        QWidget *(*in)(TForm8 &);
        int expected;
    } cases[] = {
        {7, Qt::Key_PageDown, [](TForm8 &f) -> QWidget * { return f.Edit1; }, 29},
        {29, Qt::Key_PageUp, [](TForm8 &f) -> QWidget * { return f.ListBox1; }, 17},
        {20, Qt::Key_PageUp, [](TForm8 &f) -> QWidget * { return f.Button1; }, 0},
        {5, Qt::Key_Down, [](TForm8 &f) -> QWidget * { return f.Edit1; }, 6},
        {29, Qt::Key_Down, [](TForm8 &f) -> QWidget * { return f.Edit1; }, 29},
        {0, Qt::Key_Up, [](TForm8 &f) -> QWidget * { return f.Edit1; }, 0},
    };
    for (const Case &c : cases) {
        d.form.selectRow(c.from);
        QTest::keyClick(c.in(d.form), c.key);
        EXPECT_EQ(d.form.selectedRow(), c.expected) << c.from << " " << c.key;
    }
    EXPECT_EQ(d.form.Edit1->text(), QString()) << "the keys do not reach the edit box";

    d.form.selectRow(12);
    QTest::keyClick(d.form.Edit1, Qt::Key_Return);
    EXPECT_FALSE(d.form.isVisible());
    ASSERT_EQ(jump.count(), 1);
    EXPECT_EQ(jump.first().first().toString(), "plik12.avi");
    EXPECT_EQ(closed.count(), 1);
    EXPECT_TRUE(d.form.shownNames().isEmpty()) << "closing empties the list";

    // Enter with an empty list closes without a choice; Escape cancels.
    d.form.show();
    d.typed("nic");
    QTest::keyClick(d.form.Edit1, Qt::Key_Enter);
    EXPECT_FALSE(d.form.isVisible());
    d.form.show();
    d.form.selectRow(3);
    QTest::keyClick(d.form.Edit1, Qt::Key_Escape);
    EXPECT_FALSE(d.form.isVisible());
    EXPECT_EQ(jump.count(), 1);
    EXPECT_EQ(closed.count(), 3);
}

TEST(JumpDialog, EnterWithNoRowChosenTakesTheFirstMatch)
{
    QStringList names;
    for (int i = 0; i < 30; ++i)
        names << QStringLiteral("plik%1.avi").arg(i);
    names << QStringLiteral("Ósmy film.avi");
    Dialog d(names);
    QSignalSpy jump(&d.form, &TForm8::jumpRequested);
    struct Case {
        const char *typed;
        QList<Qt::Key> keys;   // before Enter, in the edit box
        const char *chosen;    // nullptr: nothing
    } cases[] = {
        {"plik2", {}, "plik2.avi"},
        {"plik2", {Qt::Key_Down}, "plik2.avi"},
        {"plik2", {Qt::Key_Down, Qt::Key_Down}, "plik20.avi"},
        {"plik2", {Qt::Key_Up}, "plik2.avi"},
        {"ósm", {}, "Ósmy film.avi"},
        {"  ", {}, "plik0.avi"},
        {"nic", {}, nullptr},
    };
    for (const Case &c : cases) {
        jump.clear();
        d.form.show();
        d.typed(QString::fromUtf8(c.typed));
        ASSERT_EQ(d.form.selectedRow(), -1);
        for (Qt::Key k : c.keys)
            QTest::keyClick(d.form.Edit1, k);
        QTest::keyClick(d.form.Edit1, Qt::Key_Return);
        EXPECT_FALSE(d.form.isVisible()) << c.typed;
        if (!c.chosen) {
            EXPECT_EQ(jump.count(), 0) << c.typed;
            continue;
        }
        ASSERT_EQ(jump.count(), 1) << c.typed;
        EXPECT_EQ(jump.first().first().toString(), QString::fromUtf8(c.chosen)) << c.typed;
    }
}

TEST(JumpDialog, TypingFasterThanTheSearchShowsTheLastText)
{
    QStringList names;
    for (int i = 0; i < 100000; ++i)
        names << QStringLiteral("Serial %1 odcinek %2.avi").arg(i % 97).arg(i);
    Dialog d(names);
    // Keystrokes arrive while a search over 100 000 names is under way; each drops the last.
    for (const char *text : {"odcinek 9", "odcinek 99", "odcinek 999", "odcinek 9999"}) {
        d.form.Edit1->setText(QString::fromLatin1(text));
        QCoreApplication::processEvents();
    }
    d.form.Edit1->setText("99999 odcinek serial 89");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !d.form.searching(); }, 20000));
    EXPECT_EQ(d.form.shownNames(), QStringList{"Serial 89 odcinek 99999.avi"});

    // Enter typed right after the text, before its search has run, takes the first match of
    // that text, not of the list shown meanwhile.
    QSignalSpy jump(&d.form, &TForm8::jumpRequested);
    d.form.Edit1->clear();
    QTest::keyClicks(d.form.Edit1, "odcinek 99998");
    ASSERT_TRUE(d.form.searching());
    QTest::keyClick(d.form.Edit1, Qt::Key_Return);
    ASSERT_EQ(jump.count(), 1);
    EXPECT_EQ(jump.first().first().toString(), QStringLiteral("Serial 88 odcinek 99998.avi"));
}

// The rows of the jump dialogs (this one, the subtitle lines, the subtitle files) are as high
// as their font needs: the marks over Polish capitals are not cut off, whatever the font.
TEST(JumpDialog, RowsHoldTheAccentsOfTheirFont)
{
    const QString name = QStringLiteral(u"Łódź, Źródło, Śnieg");
    Dialog d({name, QStringLiteral("inne.avi")});
    // The list's own font, then fonts whose marks stand above their ascent.
    for (const QFont &f : {d.form.ListBox1->font(), zv::test::pixelFont("DejaVu Serif", 12),
                           zv::test::pixelFont("DejaVu Math TeX Gyre", 13), zv::test::pixelFont("DejaVu Sans", 20)}) {
        d.form.ListBox1->setFont(f);
        QCoreApplication::processEvents();
        const QModelIndex first = d.form.ListBox1->model()->index(0, 0);
        EXPECT_GE(d.form.ListBox1->visualRect(first).height(), QFontMetrics(f).lineSpacing()) << f.toString().toStdString();
        EXPECT_EQ(zv::test::cellInk(d.form.ListBox1, first).height(), zv::test::freeTextInk(name, f).height())
            << f.toString().toStdString();
    }
}
