// Subtitle files loaded through the main window: what the user is told, the encodings, the
// table swapped in whole while the window stays responsive, and closing the file.
#include "subtitle_app.h"
#include "core/config/settings.h"
#include "core/files/add_plan.h"

#include "core/library/subtitle_database.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/subtitle_timer.h"
#include "core/subtitles/time_list.h"
#include "library/subtitle_database_window.h"

#include <QAction>
#include <QTableView>
#include <QColor>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using zv::SubtitleMessage;

namespace {

const QString kPolish = QStringLiteral("Zażółć gęślą jaźń");

TEST(SubtitleLoading, EachOutcomeTellsTheUserExactlyOnce)
{
    using Icon = SubtitleMessage::Icon;
    const QString lostLines = QStringLiteral(
        "Podczas ładowania pliku jeden lub więcej wierszy nie zostało poprawnie wczytanych.\n"
        "Liczba nierozpoznanych wierszy: %1\nError: %2");
    struct Case {
        const char *name;
        QStringList lines;
        QList<SubtitleMessage> expected;
        bool loads;
    };
    const Case cases[] = {
        {"empty file", {}, {{QStringLiteral("Nie da sie załadować pliku z tekstem"),
                             QStringLiteral("Błąd"), Icon::Error}}, false},
        {"no known format", {QStringLiteral("12345 abc"), QStringLiteral("0:00:01:x")},
         {{QStringLiteral("Nie da się rozpoznać typu pliku z tekstem"), QStringLiteral("Błąd"),
           Icon::Error}}, false},
        {"time lines", {QStringLiteral("0:00:01:Ala"), QStringLiteral("1:75:00:x"),
                        QStringLiteral("24:00:00:x"), QStringLiteral("0:00:02:")},
         {{lostLines.arg(2).arg(6660), QStringLiteral("Zentavista!"), Icon::Warning}}, true},
        {"frame lines", {QStringLiteral("{10}{20}Ala"), QStringLiteral("{99999999999}{1}x")},
         {{lostLines.arg(1).arg(6661), QStringLiteral("Zentavista!"), Icon::Warning}}, true},
        {"bracket lines", {QStringLiteral("[00:10][99:99]Ala")},
         {{lostLines.arg(1).arg(6660), QStringLiteral("Zentavista!"), Icon::Warning}}, true},
        {"clean time lines", {QStringLiteral("0:00:01:Ala")}, {}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleApp app(scriptedEngineFactory());
        const QString path = app.write(QStringLiteral("napisy.txt"), c.lines);
        app.w->subtitles().LadujText(path);
        EXPECT_EQ(app.messages, c.expected);
        EXPECT_EQ(app.w->subtitles().CurrentSubtitleFile(), c.loads ? path : QString());
        // A file that loads switches the display on; one that does not leaves it off.
        EXPECT_EQ(app.w->commands().action(zv::Cmd::Wy1)->isChecked(), c.loads);
        EXPECT_EQ(app.w->subtitles().Timer1->isActive(), c.loads);
    }
}

TEST(SubtitleLoading, AFileThatDoesNotLoadKeepsThePreviousOne)
{
    SubtitleApp app(scriptedEngineFactory());
    const QString good = app.write(QStringLiteral("dobre.txt"), {QStringLiteral("0:00:05:Ala")});
    app.w->subtitles().LadujText(good);
    ASSERT_EQ(app.w->subtitles().CurrentSubtitleFile(), good);
    for (const QStringList &bad : {QStringList{}, QStringList{QStringLiteral("12345 abc")}}) {
        app.messages.clear();
        app.w->subtitles().LadujText(app.write(QStringLiteral("zle.txt"), bad));
        EXPECT_EQ(app.messages.size(), 1);
        EXPECT_EQ(app.w->subtitles().CurrentSubtitleFile(), good);
        ASSERT_EQ(app.w->subtitles().subtitleTable().TimeTable().size(), 2);
        EXPECT_EQ(app.w->subtitles().subtitleTable().TimeTable()[0].text, QStringLiteral("Ala"));
    }
    // A missing path is no subtitle file at all: nothing to say, nothing changes.
    app.messages.clear();
    app.w->subtitles().LadujText(app.files.filePath(QStringLiteral("brak.txt")));
    EXPECT_TRUE(app.messages.isEmpty());
    EXPECT_EQ(app.w->subtitles().CurrentSubtitleFile(), good);
}

TEST(SubtitleLoading, PolishTextComesOutRightFromEveryFormatAndEncoding)
{
    struct Format {
        const char *name;
        QString line;
        bool frameTimed;
    };
    const Format formats[] = {
        {"time", QStringLiteral("0:00:03:") + kPolish + QStringLiteral("|Źdźbło Ąś"), false},
        {"frame", QStringLiteral("{75}{100}") + kPolish + QStringLiteral("|Źdźbło Ąś"), true},
        {"bracket", QStringLiteral("[00:03]") + kPolish + QStringLiteral("|Źdźbło Ąś"), false},
    };
    const zv::TextEncoding encodings[] = {zv::TextEncoding::Windows1250, zv::TextEncoding::Iso8859_2,
                                          zv::TextEncoding::Utf8, zv::TextEncoding::Utf8Bom};
    SubtitleApp app(scriptedEngineFactory());
    for (const Format &f : formats) {
        for (zv::TextEncoding e : encodings) {
            SCOPED_TRACE(std::string(f.name) + " encoding " + std::to_string(int(e)));
            // A second line, so that the letters of a whole file decide the encoding.
            app.w->subtitles().LadujText(app.write(QStringLiteral("napisy.txt"),
                                       {f.line, QString(f.line).replace(u'3', u'5')}, e));
            EXPECT_TRUE(app.messages.isEmpty());
            const zv::SubtitleTable &t = app.w->subtitles().subtitleTable();
            ASSERT_GE(t.TimeTable().size(), 2);
            EXPECT_EQ(t.TimeTable()[0].start, 3);
            EXPECT_EQ(t.TimeTable()[0].text, kPolish + QStringLiteral("|Źdźbło Ąś"));
            EXPECT_EQ(t.FrameTimed(), f.frameTimed);
            EXPECT_EQ(app.w->subtitles().timeLists().TimeListPlain.line(0),
                      QStringLiteral("0:00:03     ") + kPolish + QStringLiteral("|Źdźbło Ąś"));
        }
    }
}

TEST(SubtitleLoading, ALongLoadKeepsTheWindowAliveAndSwapsTheTableInWhole)
{
    SubtitleApp app(scriptedEngineFactory());
    const QString small = app.write(QStringLiteral("male.txt"), {QStringLiteral("0:00:01:Małe")});
    app.w->subtitles().LadujText(small);
    const qsizetype smallSize = app.w->subtitles().subtitleTable().TimeTable().size();

    QStringList lines;
    const int n = 300000;
    lines.reserve(n);
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("{%1}{%2}Wiersz numer %1 z polskimi literami ąęłńóśźż")
                     .arg(i * 10).arg(i * 10 + 9);
    const QString big = app.write(QStringLiteral("duze.txt"), lines);

    // While the big file loads, timer ticks run and never see a half-filled table, and the
    // status label tells how far it got once the load takes longer than half a second.
    int ticks = 0;
    bool sawPartialTable = false;
    QStringList labelTexts;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticks;
        const qsizetype size = app.w->subtitles().subtitleTable().TimeTable().size();
        if (size != smallSize && size != n + 1)
            sawPartialTable = true;
        labelTexts << app.w->Label1->text();
    });
    probe.start();
    QElapsedTimer clock;
    clock.start();
    app.w->subtitles().LadujText(big);
    const qint64 took = clock.elapsed();
    probe.stop();

    EXPECT_FALSE(sawPartialTable);
    EXPECT_EQ(app.w->subtitles().subtitleTable().TimeTable().size(), n + 1);
    EXPECT_EQ(app.w->subtitles().CurrentSubtitleFile(), big);
    if (took > 1000) {
        EXPECT_GT(ticks, 0) << "no events ran during a load of " << took << " ms";
    }
    // The label appears half a second into parsing (classification comes first), so only a
    // load that clearly outlasts that is sure to be caught by the 20 ms probe.
    if (took > 3000) {
        EXPECT_TRUE(labelTexts.filter(QStringLiteral("Wczytywanie napisów")).size() > 0);
    }
    EXPECT_FALSE(app.w->Label1->text().startsWith(QStringLiteral("Wczytywanie")));
}

TEST(SubtitleLoading, WhatHappensDuringALongLoadDecidesWhatStays)
{
    QStringList lines;
    for (int i = 0; i < 200000; ++i)
        lines << QStringLiteral("0:%1:%2:Stary %3").arg(i / 3600 % 60).arg(i % 60).arg(i);
    struct Case {
        const char *name;
        std::function<void(SubtitleApp &, const QString &small)> during;
        bool smallStays; // else nothing stays loaded
    };
    const Case cases[] = {
        {"another file loaded", [](SubtitleApp &app, const QString &small) { app.w->subtitles().LadujText(small); },
         true},
        {"the file closed", [](SubtitleApp &app, const QString &) { app.w->subtitles().Zamknij2Click(); }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SubtitleApp app(scriptedEngineFactory());
        const QString big = app.write(QStringLiteral("duze.txt"), lines);
        const QString small = app.write(QStringLiteral("nowe.txt"), {QStringLiteral("0:00:01:Nowy")});
        bool ran = false;
        QTimer::singleShot(0, app.w.get(), [&] {
            ran = true;
            c.during(app, small);
        });
        app.w->subtitles().LadujText(big);
        if (!ran)
            GTEST_SKIP() << "the load ended before the event loop ran";
        EXPECT_EQ(app.w->subtitles().CurrentSubtitleFile(), c.smallStays ? small : QString());
        EXPECT_EQ(app.w->subtitles().subtitleTable().TimeTable().size(), c.smallStays ? 2 : 0);
    }
}

TEST(SubtitleLoading, OpenTextAddsTheChosenFileToTheListAndLoadsIt)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    const QString path = app.write(QStringLiteral("wybrany.lrc"), {QStringLiteral("[00:02]Ala")});
    QStringList filters;
    QString answer; // the user cancels first
    w.hooks().pickSubtitleFile = ([&](QWidget *, const QString &filter) {
        filters << filter;
        return answer;
    });
    EXPECT_TRUE(w.commands().run(zv::Cmd::OT2));
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty());
    EXPECT_EQ(w.Form7->database().size(), 0);

    answer = path;
    EXPECT_TRUE(w.commands().run(zv::Cmd::OT2));
    EXPECT_EQ(w.subtitles().CurrentSubtitleFile(), path);
    ASSERT_EQ(w.Form7->database().size(), 1);
    EXPECT_EQ(w.Form7->database().at(0).FullPath, path);
    EXPECT_EQ(filters, QStringList(2, zv::SubtitlesController::kOpenSubtitleFilter));
}

// The intake classifies each path once; the database takes the kinds it found instead of
// reading the files again.
TEST(SubtitleLoading, TheDatabaseTakesTheKindsTheIntakeFound)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    const QString srt = app.write(QStringLiteral("a.srt"),
                                  {QStringLiteral("1"), QStringLiteral("00:00:01,000 --> 00:00:02,000"),
                                   QStringLiteral("Ala"), QString()});
    const QString gone = app.files.filePath(QStringLiteral("usuniety.txt"));
    w.library().TxtAddProc({srt, gone}, {zv::kindSubRipSubtitle, zv::kindTimeSubtitle},
                           w.state().DefaultDropPoint, false, true);
    const zv::TSubtitleDatabase &db = w.library().subtitleDatabase();
    ASSERT_EQ(db.size(), 2) << "a kind already found is not looked for again";
    EXPECT_EQ(db.at(1).FullPath, gone);

    // Without kinds, each path is classified here: the missing file is no subtitle file.
    w.library().TxtAddProc({gone}, {}, w.state().DefaultDropPoint, false, true);
    w.files().MainAddProc(QStringList{app.files.path()}, zv::addModeSubtitles, false, true, false, false,
                          w.state().DefaultDropPoint);
    EXPECT_EQ(db.size(), 2) << "a folder's files go in once, by the kinds its scan found";
}

// A subtitle file deleted from the disk: its row is greyed and says so, choosing it says so,
// and its film opening says so, instead of nothing happening.
TEST(SubtitleLoading, AFileGoneFromTheDiskIsShownAndToldAbout)
{
    SubtitleApp app(scriptedEngineFactory());
    TZentavistaApp &w = *app.w;
    QStringList told;
    w.hooks().filesMessage = [&](const QString &, const QString &text) { told << text; };
    const QString here = app.write(QStringLiteral("jest.txt"), {QStringLiteral("0:00:01:Ala")});
    const QString gone = app.files.filePath(QStringLiteral("nie ma.txt"));
    zv::TSubtitleDatabase &db = w.library().subtitleDatabase();
    db.append({QStringLiteral("jest.txt"), QStringLiteral("tmp"), QString(), QStringLiteral("1 KB"), here});
    db.append({QStringLiteral("nie ma.txt"), QStringLiteral("tmp"), QStringLiteral("film.avi"),
               QStringLiteral("1 KB"), gone});
    w.Form7->rowsChanged();

    const QAbstractItemModel *m = w.Form7->ListViewBazaNapisow->model();
    EXPECT_EQ(m->index(0, 1).data().toString(), QStringLiteral("jest.txt"));
    EXPECT_FALSE(m->index(0, 1).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("nie ma.txt (brak pliku)"));
    EXPECT_EQ(m->index(1, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));

    w.library().LadujTextNr(1);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(gone)) << told[0].toStdString();
    EXPECT_TRUE(w.subtitles().CurrentSubtitleFile().isEmpty());

    w.settings().AutoLoadText = true;
    w.session().CurrentMediaPath = app.files.filePath(QStringLiteral("film.avi"));
    w.library().AutoLoadText();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Brak pliku z napisami: ") + gone);
    w.status().UstawMStaus();
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Brak pliku z napisami: ") + gone) << "it stays a few seconds";
}

TEST(SubtitleLoading, ClosingTheFileForgetsItsPairingAndSwitchesTheDisplayOff)
{
    SubtitleApp app(scriptedEngineFactory());
    const QString path = app.write(QStringLiteral("Film.txt"), {QStringLiteral("0:00:01:Ala")});
    const QString other = app.write(QStringLiteral("Inny.txt"), {QStringLiteral("0:00:01:Ola")});
    app.w->session().CurrentMediaPath = app.files.filePath(QStringLiteral("film.avi"));
    app.w->subtitles().LadujText(path);
    ASSERT_TRUE(app.w->commands().action(zv::Cmd::Wy1)->isChecked());
    zv::TSubtitleDatabase &db = app.w->Form7->database();
    db.append({QStringLiteral("Film.txt"), QStringLiteral("tmp"), QStringLiteral("FILM.AVI"),
               QStringLiteral("1 KB"), path});
    db.append({QStringLiteral("Inny.txt"), QStringLiteral("tmp"), QStringLiteral("film.avi"),
               QStringLiteral("1 KB"), other});
    db.append({QStringLiteral("Film.txt"), QStringLiteral("tmp"), QStringLiteral("inny.avi"),
               QStringLiteral("1 KB"), path});

    app.w->commands().run(zv::Cmd::Zamknij2);
    EXPECT_FALSE(app.w->commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_FALSE(app.w->ToolButton12->isChecked());
    EXPECT_FALSE(app.w->subtitles().Timer1->isActive());
    EXPECT_TRUE(app.w->subtitles().CurrentSubtitleFile().isEmpty());
    EXPECT_TRUE(app.w->subtitles().subtitleTable().isEmpty());
    EXPECT_EQ(app.w->subtitles().timeLists().TimeListPlain.count(), 0);
    EXPECT_TRUE(app.w->subtitles().DisplayedText().isEmpty());
    // Only the row of this file paired with this film loses its film.
    EXPECT_EQ(db.at(0).AssociatedWith, QString());
    EXPECT_EQ(db.at(1).AssociatedWith, QStringLiteral("film.avi"));
    EXPECT_EQ(db.at(2).AssociatedWith, QStringLiteral("inny.avi"));
}

} // namespace
