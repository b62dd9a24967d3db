// The subtitle editor in the main window with real libmpv playing the generated clip: the
// player's load shows the file in the editor, clicks stamp lines with the playing second, the
// file is saved in the encoding it came in and loads back; writing mode stamps a new line
// until the first letter.
#include "subtitle_app.h"

#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "playback/media_engine.h"
#include "subtitles/subtitle_editor.h"
#include "video/video_window.h"

#include "support/open_clip.h"
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>

#include <cmath>
#include <cstdio>

#include <sys/stat.h>

namespace {

QPoint lineCentre(QPlainTextEdit *te, int line)
{
    return te->cursorRect(QTextCursor(te->document()->findBlockByNumber(line))).center();
}

QString lineText(QPlainTextEdit *te, int line)
{
    return te->document()->findBlockByNumber(line).text();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct EditorApp : SubtitleApp {
    EditorApp() : SubtitleApp(TForm9::mpvEngine(false))
    {
        editor = w->Form12;
        editor->message = [this](const QString &, const QString &text, QMessageBox::Icon) { boxes << text; };
        editor->askSave = [this](QWidget *, const QString &) {
            ++questions;
            return answer;
        };
        editor->askSaveAnyway = [this](QWidget *, const QString &text) {
            saveAnywayQuestions << text;
            return saveAnyway;
        };
    }
    TForm12 *editor = nullptr;
    QStringList boxes;
    int questions = 0;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    QStringList saveAnywayQuestions;
    QMessageBox::StandardButton saveAnyway = QMessageBox::Cancel;
};

void appendToLine(QPlainTextEdit *te, int line, const QString &text)
{
    QTextCursor c(te->document()->findBlockByNumber(line));
    c.movePosition(QTextCursor::EndOfBlock);
    c.insertText(text);
}

} // namespace

TEST(SubtitleEditor, StampsWhilePlayingAreSavedInTheFilesEncodingAndLoadBack)
{
    EditorApp app;
    TZentavistaApp &w = *app.w;
    TForm12 &ed = *app.editor;
    const QStringList lines{QStringLiteral("0:00:00:Zażółć gęślą jaźń"), QStringLiteral("0:00:00:Druga|linia"),
                            QStringLiteral("0:00:00:Trzecia")};
    const QString path = app.write(QStringLiteral("film.txt"), lines, zv::TextEncoding::Windows1250);
    w.subtitles().LadujText(path);
    EXPECT_TRUE(ed.TE->toPlainText().isEmpty()) << "a hidden editor takes the file when shown";

    w.commands().run(zv::Cmd::Edytortxt1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ed));
    EXPECT_EQ(ed.EditedFile, path);
    EXPECT_EQ(ed.encoding(), zv::TextEncoding::Windows1250);
    EXPECT_EQ(ed.TE->toPlainText(), lines.join(u'\n'));
    EXPECT_EQ(ed.windowTitle(), QStringLiteral("Edytor napisów - film.txt"));
    MediaEngine *e = w.m();
    ASSERT_TRUE(zv::test::openClip(e));
    e->Play();

    // Format 0 keeps "Usuń poprzedni czas" on, so the old stamps are replaced.
    ed.Wstawiajczas1->trigger();
    EXPECT_TRUE(ed.modes().insertTime && ed.modes().removePrevious);
    EXPECT_EQ(ed.TE->viewport()->cursor().shape(), Qt::PointingHandCursor);
    const auto stampAt = [&](int line, double after) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return e->CurrentPosition() >= after; }, 10000));
        ed.Timer1Timer();
        const double at = e->CurrentPosition();
        const QString stamp = ed.stamp();
        EXPECT_EQ(stamp, zv::editor::timeStamp(qint64(at), 0)) << at;
        QTest::mouseClick(ed.TE->viewport(), Qt::LeftButton, {}, lineCentre(ed.TE, line));
        return stamp;
    };
    const QString first = stampAt(0, 1.1);
    const QString third = stampAt(2, 2.1);
    EXPECT_NE(first, third);
    EXPECT_EQ(lineText(ed.TE, 0), first + QStringLiteral("Zażółć gęślą jaźń"));
    EXPECT_EQ(lineText(ed.TE, 1), lines[1]);
    EXPECT_EQ(lineText(ed.TE, 2), third + QStringLiteral("Trzecia"));
    // A click below the last line stamps nothing.
    QTest::mouseClick(ed.TE->viewport(), Qt::LeftButton, {}, QPoint(5, ed.TE->viewport()->height() - 3));
    EXPECT_EQ(lineText(ed.TE, 2), third + QStringLiteral("Trzecia"));
    EXPECT_EQ(ed.StatusPanel2->text(), QStringLiteral("Wiersz: 2"));

    ASSERT_TRUE(ed.ZapiszClick());
    const QStringList stamped{first + QStringLiteral("Zażółć gęślą jaźń"), lines[1], third + QStringLiteral("Trzecia")};
    EXPECT_EQ(readAll(path), zv::encodeText(stamped.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"),
                                            zv::TextEncoding::Windows1250));

    // Back into the player: the stamps are the lines' times.
    ed.Zaladujedytowany1->trigger();
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), path);
    EXPECT_EQ(ed.TE->toPlainText(), stamped.join(u'\n'));
    EXPECT_EQ(app.questions, 0);
    EXPECT_TRUE(app.boxes.isEmpty()) << app.boxes.join(u'\n').toStdString();
    e->Stop();
}

TEST(SubtitleEditor, WritingModeStampsTheNewLineUntilTheFirstLetter)
{
    EditorApp app;
    TZentavistaApp &w = *app.w;
    TForm12 &ed = *app.editor;
    w.commands().run(zv::Cmd::Edytortxt1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ed));
    ed.activateWindow();
    MediaEngine *e = w.m();
    ASSERT_TRUE(zv::test::openClip(e));
    e->Play();

    ed.Trybpisania1->trigger();
    EXPECT_TRUE(ed.modes().writingMode);
    EXPECT_FALSE(ed.Usunpoprzedniczas1->isEnabled());
    EXPECT_FALSE(ed.Wstawiajczas1->isChecked());
    ed.TE->setFocus();
    QTest::keyClicks(ed.TE, QStringLiteral("Pierwszy"));
    QTest::keyClick(ed.TE, Qt::Key_Return);
    EXPECT_TRUE(ed.StampPending);
    // The new line shows the running time and follows it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lineText(ed.TE, 1).isEmpty(); }, 2000));
    const QString early = lineText(ed.TE, 1);
    EXPECT_TRUE(early.startsWith(QStringLiteral("0:00:0")) && early.endsWith(u':')) << early.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lineText(ed.TE, 1) != early; }, 3000)) << early.toStdString();
    const QString running = lineText(ed.TE, 1);
    EXPECT_TRUE(running.startsWith(QStringLiteral("0:00:0")) && running.endsWith(u':')) << running.toStdString();

    // The first letter freezes it, and the typed text follows.
    QTest::keyClicks(ed.TE, QStringLiteral("Ala"));
    EXPECT_FALSE(ed.StampPending);
    const QString frozen = lineText(ed.TE, 1);
    EXPECT_TRUE(frozen.endsWith(QStringLiteral("Ala")));
    QTest::qWait(1300);
    EXPECT_EQ(lineText(ed.TE, 1), frozen);
    EXPECT_EQ(lineText(ed.TE, 0), QStringLiteral("Pierwszy"));

    // Enter inside a line: the stamp goes in front of the carried end instead of over it.
    QTextCursor c = ed.TE->textCursor();
    c.setPosition(4);
    ed.TE->setTextCursor(c);
    QTest::keyClick(ed.TE, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return lineText(ed.TE, 1) != QLatin1String("wszy"); }, 2000));
    EXPECT_TRUE(lineText(ed.TE, 1).startsWith(QStringLiteral("0:00:0")) && lineText(ed.TE, 1).endsWith(QStringLiteral(":wszy")))
        << lineText(ed.TE, 1).toStdString();
    EXPECT_EQ(lineText(ed.TE, 0), QStringLiteral("Pier"));
    QTest::keyClick(ed.TE, Qt::Key_Up);
    EXPECT_FALSE(ed.StampPending);
    e->Stop();

    // An unsaved document cannot go to the player.
    ed.Zaladujedytowany1->trigger();
    EXPECT_EQ(app.boxes, QStringList{QStringLiteral("Najpierw musisz zapisać plik z napisami.")});
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty());

    // "Opcje..." opens the options on the editor's page.
    ed.Opcje1->trigger();
    EXPECT_TRUE(w.Form2->isVisible());
    EXPECT_EQ(w.Form2->PageControl1->tabText(w.Form2->PageControl1->currentIndex()), QStringLiteral("Edytor napisów"));
    w.Form2->hide();

    // A new document is saved as UTF-8; closing the program asks about unsaved text first.
    EXPECT_TRUE(ed.TE->document()->isModified());
    w.close();
    EXPECT_EQ(app.questions, 1);
    EXPECT_TRUE(w.isVisible()) << "Cancel keeps the program running";
    const QString target = app.files.filePath(QStringLiteral("nowy.txt"));
    ed.pickSaveFile = [&](QWidget *, const QString &) { return target; };
    app.answer = QMessageBox::Save;
    w.close();
    EXPECT_EQ(app.questions, 2);
    EXPECT_EQ(QString::fromUtf8(readAll(target)),
              QStringLiteral("Pier\r\n") + lineText(ed.TE, 1) + QStringLiteral("\r\n") + frozen + QStringLiteral("\r\n"));
}

TEST(SubtitleEditor, FilesItCannotEditAreRefusedAndTheTextStays)
{
    EditorApp app;
    TForm12 &ed = *app.editor;
    ASSERT_TRUE(ed.LoadTxtToEdit(app.write(QStringLiteral("dobry.txt"), {QStringLiteral("0:00:01:Dobry")})));
    const QString huge = app.writeBytes(QStringLiteral("duzy.txt"), QByteArray(TForm12::kMaxFileBytes + 1, 'a'));
    const QString longLine = app.writeBytes(QStringLiteral("wiersz.txt"), QByteArray(1024 * 1024, 'a'));
    const QString pipe = app.files.filePath(QStringLiteral("potok.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    for (const QString &path : {huge, longLine, pipe, app.files.filePath(QStringLiteral("brak.txt"))}) {
        EXPECT_FALSE(ed.LoadTxtToEdit(path));
        EXPECT_EQ(ed.TE->toPlainText(), QStringLiteral("0:00:01:Dobry"));
        EXPECT_EQ(ed.windowTitle(), QStringLiteral("Edytor napisów - dobry.txt"));
    }
    EXPECT_EQ(app.boxes.size(), 4);
    // What the player loads but the editor cannot take is passed over without a box of its own.
    ed.PlayerLoaded(huge);
    EXPECT_EQ(app.boxes.size(), 4);

    // Unsaved text: the player's next file asks first; Cancel keeps the text.
    ed.TE->appendPlainText(QStringLiteral("0:00:02:Zmiana"));
    const QString next = app.write(QStringLiteral("nastepny.txt"), {QStringLiteral("0:00:05:Inny")});
    app.w->subtitles().LadujText(next);
    EXPECT_EQ(app.questions, 1);
    EXPECT_EQ(app.w->subtitles().CurrentSubtitleFile(), next);
    EXPECT_TRUE(ed.TE->toPlainText().endsWith(QStringLiteral("Zmiana")));
    // Closing the subtitles in the player starts a new document once the text may go.
    app.answer = QMessageBox::Discard;
    app.w->commands().run(zv::Cmd::Zamknij2);
    EXPECT_EQ(app.questions, 2);
    EXPECT_TRUE(ed.TE->toPlainText().isEmpty());
    EXPECT_TRUE(ed.EditedFile.isEmpty());
    EXPECT_EQ(ed.windowTitle(), QStringLiteral("Edytor napisów"));
}

TEST(SubtitleEditor, SaveWritesBackTheBytesTheTextNeverTouched)
{
    EditorApp app;
    TForm12 &ed = *app.editor;
    // Windows-1250 with bytes the code page has no character for (0x81, 0x98) and a no-break
    // space (0xA0).
    const auto cp1250 = [](const char *utf8) { return zv::encodeText(QString::fromUtf8(utf8), zv::TextEncoding::Windows1250); };
    const QByteArray first = cp1250("0:00:01:Zażółć") + "\x81" + cp1250(" gęślą\r\n");
    const QByteArray second = cp1250("0:00:02:Cena\u00A05") + "\x98" + cp1250("zł\r\n");
    const QString path = app.writeBytes(QStringLiteral("film.txt"), first + second + "0:00:03:Trzecia\r\n");
    ASSERT_TRUE(ed.LoadTxtToEdit(path));
    EXPECT_EQ(ed.encoding(), zv::TextEncoding::Windows1250);

    appendToLine(ed.TE, 2, QStringLiteral(" linia"));
    ASSERT_TRUE(ed.ZapiszClick());
    const QByteArray edited = first + second + "0:00:03:Trzecia linia\r\n";
    EXPECT_EQ(readAll(path), edited);
    EXPECT_EQ(ed.encoding(), zv::TextEncoding::Windows1250);
    EXPECT_TRUE(app.saveAnywayQuestions.isEmpty());

    // A character outside the code page needs UTF-8, which cannot carry those bytes: asked first.
    appendToLine(ed.TE, 2, QStringLiteral(" 日本"));
    EXPECT_FALSE(ed.ZapiszClick());
    ASSERT_EQ(app.saveAnywayQuestions.size(), 1);
    EXPECT_TRUE(app.saveAnywayQuestions[0].contains(QStringLiteral("UTF-8")));
    EXPECT_EQ(readAll(path), edited);
    EXPECT_TRUE(ed.TE->document()->isModified());
    app.saveAnyway = QMessageBox::Yes;
    ASSERT_TRUE(ed.ZapiszClick());
    EXPECT_EQ(ed.encoding(), zv::TextEncoding::Utf8);
    EXPECT_EQ(QString::fromUtf8(readAll(path)),
              QStringLiteral("0:00:01:Zażółć\uFFFD gęślą\r\n0:00:02:Cena\u00A05\uFFFDzł\r\n0:00:03:Trzecia linia 日本\r\n"));
    EXPECT_TRUE(app.boxes.isEmpty()) << app.boxes.join(u'\n').toStdString();
}

TEST(SubtitleEditor, SaveAsksBeforeOverwritingAnotherProgramsChange)
{
    EditorApp app;
    TForm12 &ed = *app.editor;
    const QString path = app.write(QStringLiteral("film.txt"), {QStringLiteral("0:00:01:Pierwsza")});
    ASSERT_TRUE(ed.LoadTxtToEdit(path));
    appendToLine(ed.TE, 0, QStringLiteral(" zmiana"));
    // Replaced the way mv does it: a new file renamed over the old one.
    const auto replace = [&](const QByteArray &bytes) {
        const QString other = app.writeBytes(QStringLiteral("nowy.txt"), bytes);
        ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()), 0);
    };
    const QByteArray outside("0:00:09:Z innego programu\r\n");
    replace(outside);

    EXPECT_FALSE(ed.ZapiszClick());
    EXPECT_EQ(app.saveAnywayQuestions,
              QStringList{QStringLiteral("Plik został zmieniony przez inny program. Zapisać mimo to?")});
    EXPECT_EQ(readAll(path), outside);
    EXPECT_TRUE(ed.TE->document()->isModified());
    // Closing asks about the unsaved text; saving there asks again, and Cancel keeps both.
    app.answer = QMessageBox::Save;
    EXPECT_FALSE(ed.CanClose());
    EXPECT_EQ(app.saveAnywayQuestions.size(), 2);
    EXPECT_EQ(readAll(path), outside);

    app.saveAnyway = QMessageBox::Yes;
    ASSERT_TRUE(ed.ZapiszClick());
    const QByteArray mine("0:00:01:Pierwsza zmiana\r\n");
    EXPECT_EQ(readAll(path), mine);
    // What the editor wrote itself, the same bytes put back, or a file that is gone: no question.
    app.saveAnywayQuestions.clear();
    ASSERT_TRUE(ed.ZapiszClick());
    replace(mine);
    ASSERT_TRUE(ed.ZapiszClick());
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(ed.ZapiszClick());
    EXPECT_EQ(readAll(path), mine);
    EXPECT_TRUE(app.saveAnywayQuestions.isEmpty()) << app.saveAnywayQuestions.join(u'\n').toStdString();
    // Other text of the same size is noticed too.
    app.saveAnyway = QMessageBox::Cancel;
    replace("0:00:01:Pierwsza ZMIANA\r\n");
    EXPECT_FALSE(ed.ZapiszClick());
    EXPECT_EQ(app.saveAnywayQuestions.size(), 1);
    EXPECT_TRUE(app.boxes.isEmpty()) << app.boxes.join(u'\n').toStdString();
}
