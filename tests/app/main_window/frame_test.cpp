// The main window's panels and the other windows as they are created.
#include "support/app_features.h"
#include "app_fixture.h"
#include "app/about_dialog.h"
#include "library/subtitle_finder_dialog.h"
#include "subtitles/subtitle_editor.h"
#include "video/fullscreen_bar.h"
#include "config/options_dialog.h"
#include "subtitles/line_windows.h"
#include "playlist/playlist_window.h"
#include "library/subtitle_database_window.h"
#include "playlist/jump_to_file_dialog.h"
#include "video/video_window.h"
#include "subtitles/jump_to_subtitle_dialog.h"
#include "support/test_env.h"

#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

TEST(MainFrame, PanelsStackInTheirHeights)
{
    TZentavistaApp w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Zentavista"));
    EXPECT_EQ(w.centralWidget()->size(), QSize(320, 300));
    EXPECT_EQ(w.minimumWidth(), 320);

    struct Strip {
        QWidget *panel;
        int height;
    };
    const Strip strips[] = {{w.Panel10, 25}, {w.Panel11, 68}, {w.Panel4, 18},
                            {w.Panel2, 27},  {w.Panel1, 22}};
    for (const Strip &s : strips) {
        SCOPED_TRACE(s.panel->objectName().toStdString());
        EXPECT_EQ(s.panel->height(), s.height);
        EXPECT_EQ(s.panel->width(), 320);
    }
    // The video area takes what the strips leave, between the toolbar and the bottom block.
    EXPECT_EQ(w.Panel12->geometry(), QRect(0, 25, 320, 300 - 25 - 68));
    EXPECT_EQ(w.Panel11->y(), 300 - 68);
    EXPECT_EQ(w.Panel12->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(w.Panel12->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(w.Panel1->palette().color(QPalette::Window), QColor(Qt::black));
    // The status bar: state and names on the left, the time flush right in Panel9.
    EXPECT_LT(w.Label1->x(), w.Label3->x());
    EXPECT_EQ(w.Panel9->geometry().right(), w.Panel1->width() - 1 - w.Panel1->layout()->contentsMargins().right());
    EXPECT_TRUE(w.Label2->alignment() & Qt::AlignRight);
    EXPECT_EQ(w.Panel3->geometry().right(), w.Panel2->width() - 1);
    EXPECT_EQ(w.ToolBar1->parentWidget(), w.Panel10);
    EXPECT_EQ(w.ToolBar2->parentWidget(), w.Panel2);
    EXPECT_EQ(w.ToolBar4->parentWidget(), w.Panel2);

    // Shown with nothing open, the window may not shrink below its strips.
    EXPECT_EQ(w.minimumHeight(), w.height() - w.Panel12->height());
}

TEST(MainFrame, VideoWindowFillsTheVideoPanel)
{
    TZentavistaApp w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto *video = new QWidget(w.videoPanel());
    video->show();
    const QRect inside = w.Panel12->contentsRect();
    EXPECT_TRUE(QTest::qWaitFor([&] { return video->geometry() == inside; }, 2000));
    EXPECT_LT(inside.width(), w.Panel12->width()) << "the bevel stays visible";

    w.resize(500, 420);
    EXPECT_TRUE(QTest::qWaitFor([&] { return video->geometry() == w.Panel12->contentsRect(); }, 2000));
    EXPECT_EQ(video->width(), w.Panel12->width() - 2);
}

TEST(MainFrame, FormsAreCreatedWithTheirClassesAndCaptions)
{
    zv::test::ScopedHome home;
    TZentavistaApp w;
    useScriptedEngine(w);
    w.CreateForms();
    struct Form {
        QWidget *window;
        const char *className;
        const char *caption;
    };
    const Form forms[] = {
        {w.Form9, "TForm9", nullptr},
        {w.Form2, "TForm2", "Opcje"},
        {w.Form6, "TForm6", "Playlista"},
        {w.JumpToTextFrm, "TJumpToTextFrm", "Skocz do napisu..."},
        {w.Form7, "TForm7", "Baza tekstów"},
        {w.Form8, "TForm8", "Skocz do pliku..."},
        {w.Form11, "TForm11", "Skocz do pliku z napisami..."},
        {w.Form12, "TForm12", "Edytor napisów"},
        {w.Form13, "TForm13", nullptr},
        {w.Form10, "TForm10", "O programie..."},
        {w.Form5, "TForm5", nullptr},
        {w.Form4, "TForm4", nullptr},
        {w.Form3, "TForm3", nullptr},
    };
    for (const Form &f : forms) {
        ASSERT_NE(f.window, nullptr) << f.className;
        SCOPED_TRACE(f.className);
        EXPECT_STREQ(f.window->metaObject()->className(), f.className);
        EXPECT_EQ(f.window->isWindow(), f.className != std::string("TForm9"));
        if (f.caption) {
            EXPECT_EQ(f.window->windowTitle(), QString::fromUtf8(f.caption));
        }
    }
    // The subtitle line windows float over the picture and never take the focus; they are the
    // player's own tool windows, not above every program.
    for (QWidget *line : {static_cast<QWidget *>(w.Form3), static_cast<QWidget *>(w.Form4),
                          static_cast<QWidget *>(w.Form5)}) {
        SCOPED_TRACE(line->metaObject()->className());
        const Qt::WindowFlags flags = line->windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(line->parentWidget(), &w);
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
        EXPECT_TRUE(line->testAttribute(Qt::WA_ShowWithoutActivating));
        EXPECT_EQ(line->height(), 0) << "invisible until the first subtitle";
    }
    EXPECT_TRUE(w.Form13->windowFlags().testFlag(Qt::FramelessWindowHint));
    // The video window sits in the video area and fills it inside the bevel.
    EXPECT_EQ(w.Form9->parentWidget(), w.videoPanel());
    EXPECT_TRUE(w.Form9->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Form9->geometry() == w.Panel12->contentsRect(); }, 2000));
    EXPECT_EQ(w.Form13->height(), 70);
}

TEST(MainFrame, DisplayModesAreDistinctTexts)
{
    const QStringList modes = zv::VideoController::DisplayModeList();
    ASSERT_FALSE(modes.isEmpty()) << "the test display has at least its own mode";
    const QRegularExpression form(QStringLiteral("^\\d+ x \\d+ x \\d+$"));
    for (const QString &m : modes)
        EXPECT_TRUE(form.match(m).hasMatch()) << m.toStdString();
    EXPECT_EQ(QSet<QString>(modes.begin(), modes.end()).size(), modes.size());
}

} // namespace
