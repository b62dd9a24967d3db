#include "app/controllers/subtitles_controller.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/library_controller.h"
#include "app/controllers/options_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/video_controller.h"
#include "app/main_panels.h"
#include "config/options_dialog.h"
#include "core/config/options_controls.h"
#include "core/config/settings.h"
#include "core/files/get_typ.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_messages.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/subtitle_timer.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/subtitles/time_list.h"
#include "core/subtitles/time_shift.h"
#include "library/subtitle_file_filter.h"
#include "library/subtitle_finder_dialog.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "subtitles/jump_to_subtitle_dialog.h"
#include "subtitles/line_windows.h"
#include "subtitles/subtitle_display.h"
#include "subtitles/subtitle_editor.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <exception>

namespace zv {
namespace {

// A load shorter than this shows no progress: the label would only flicker.
constexpr qint64 kLoadProgressDelayMs = 500;

QString loadProgressText(qsizetype done, qsizetype total)
{
    const qsizetype percent = total > 0 ? done * 100 / total : 0;
    return QStringLiteral("Wczytywanie napisów... %1%").arg(percent);
}

void showSubtitleMessageBox(QWidget *parent, const SubtitleMessage &m)
{
    if (m.icon == SubtitleMessage::Icon::Warning)
        QMessageBox::warning(parent, m.title, m.text);
    else
        QMessageBox::critical(parent, m.title, m.text);
}

} // namespace

const QString SubtitlesController::kOpenSubtitleFilter = subtitleFilesFilter();

struct SubtitlesController::State {
    SubtitleTable table;
    TimeLists lists;
    SubtitleDisplayState display;
    std::unique_ptr<SubtitleDisplay> overlay;
    TextEncoding encoding = TextEncoding::Utf8; // of the loaded file, for saving it
    QString databasePath; // what the database knows the loaded subtitles by
    // Bumped by every load and by closing the file: a load that finds it changed after
    // pumping events was overtaken and must not swap its table in.
    quint64 loadGeneration = 0;
};

SubtitlesController::SubtitlesController(AppContext &ctx)
    : QObject(ctx.window), ctx_(ctx), st_(std::make_unique<State>())
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, &SubtitlesController::Timer1Timer);

    Commands &c = *ctx.commands;
    c.bind(Cmd::OT2, this, [this] { OT2Click(); });
    c.bind(Cmd::Zamknij2, this, [this] { Zamknij2Click(); });
    c.bind(Cmd::Wy1, this, [this] { Wy1Click(); });
    c.bind(Cmd::DisplayerUp1, this, [this] { DisplayerUp1Click(); });
    c.bind(Cmd::DisplayerDown1, this, [this] { DisplayerDown1Click(); });
    c.bind(Cmd::SDN1, this, [this] { SDN1Click(); });
    c.bind(Cmd::SDPZN1, this, [this] { SDPZN1Click(); });
    c.bind(Cmd::Edytortxt1, this, [this] { Edytortxt1Click(); });
    connectWizard();
    connectEditor();
}

SubtitlesController::~SubtitlesController() = default;

const SubtitleTable &SubtitlesController::subtitleTable() const { return st_->table; }
const TimeLists &SubtitlesController::timeLists() const { return st_->lists; }
QString SubtitlesController::CurrentSubtitleFile() const { return st_->table.CurrentSubtitleFile(); }
TextEncoding SubtitlesController::subtitleEncoding() const { return st_->encoding; }
QString SubtitlesController::DisplayedText() const { return st_->display.DisplayedText; }
int SubtitlesController::LastShownTime() const { return st_->display.LastShownTime; }
SubtitleDisplay *SubtitlesController::subtitleDisplay() const { return st_->overlay.get(); }

bool SubtitlesController::OverlayDragging() const
{
    return st_->overlay && st_->overlay->OverlayDragging();
}

// ---- loading -----------------------------------------------------------------------------------

void SubtitlesController::LadujText(const QString &path)
{
    loadClassified(
        [&](Utf8Lines &scratch, TextEncoding &encoding) {
            return GetTyp(path, false, ctx_.settings->FileTypes, scratch, &encoding);
        },
        path, path, true);
}

void SubtitlesController::LadujTextBytes(const QByteArray &bytes, const QString &name,
                                         const QString &databasePath)
{
    loadClassified(
        [&](Utf8Lines &scratch, TextEncoding &encoding) {
            return detectSubtitleFormatOfBytes(bytes, scratch, &encoding, true);
        },
        name, databasePath, false);
}

QString SubtitlesController::loadedDatabasePath() const
{
    return st_->table.CurrentSubtitleFile().isEmpty() ? QString() : st_->databasePath;
}

void SubtitlesController::loadClassified(const Classify &classify, const QString &path,
                                         const QString &databasePath, bool fromFile)
{
    State &st = *st_;
    const quint64 generation = ++st.loadGeneration;
    auto show = [this](const SubtitleMessage &m) {
        if (ctx_.hooks->subtitleMessage)
            ctx_.hooks->subtitleMessage(m);
        else
            showSubtitleMessageBox(ctx_.window, m);
    };
    try {
        Utf8Lines scratch;
        TextEncoding encoding = TextEncoding::Utf8;
        const FileKind kind = classify(scratch, encoding);
        if (const std::optional<SubtitleMessage> m = classificationMessage(kind))
            show(*m);
        if (const SubtitleFormat *format = subtitleFormat(kind)) {
            // The events pumped between batches of lines keep the window alive during a long
            // load; the table being built is the loader's own until it is swapped in below.
            QElapsedTimer clock;
            clock.start();
            QPointer<QLabel> label = ctx_.panels->Label1;
            const QString labelBefore = label ? label->text() : QString();
            QString progressText;
            LoadSettings load;
            load.MediaFrameRate = ctx_.session->MediaFrameRate;
            load.TextDelay = ctx_.settings->TextDelay;
            load.shift = {ctx_.settings->OffsetEnabled, ShiftFactorInverse, ShiftOffsetInverse};
            load.progress = [&](qsizetype done, qsizetype total) {
                if (label && clock.elapsed() >= kLoadProgressDelayMs) {
                    progressText = loadProgressText(done, total);
                    label->setText(progressText);
                }
                QCoreApplication::processEvents();
            };
            LoadResult r = format->parse(std::move(scratch), load);
            r.table.prepareLookups(); // now, not on the first tick
            // Unless a status refresh has written the label meanwhile.
            if (label && !progressText.isEmpty() && label->text() == progressText)
                label->setText(labelBefore);
            // Events run during the load and inside the message boxes: a newer load, closing the
            // file or closing the program meanwhile decides what stays.
            const auto overtaken = [&] { return generation != st.loadGeneration || ctx_.state->ShuttingDown; };
            if (overtaken())
                return;
            for (const SubtitleMessage &m : loadMessages(*format, r))
                show(m);
            if (overtaken())
                return;
            r.table.setCurrentSubtitleFile(path);
            st.databasePath = databasePath;
            st.table = std::move(r.table);
            st.lists = std::move(r.lists);
            st.encoding = encoding;
            ShiftPieces = {};
            emit subtitlesLoaded(); // listeners only queue their work: the load goes on below
            if (ctx_.forms->Form2)
                ctx_.forms->Form2->clearTimeLists();
        }

        const QString loaded = st.table.CurrentSubtitleFile();
        // With nothing loaded there is nothing to edit or associate; text from memory is the
        // caller's to record, and no file the editor could open.
        if (!loaded.isEmpty() && fromFile) {
            if (ctx_.forms->Form12)
                ctx_.forms->Form12->PlayerLoaded(loaded);
            ctx_.library->SkojarzPliki(ctx_.session->CurrentMediaPath, loaded);
        }
        ctx_.status->UstawMStaus();
        st.display.LastShownTime = kLastShownAfterLoad;
        if (ctx_.settings->ShowTextIfAvailable && !loaded.isEmpty() && !ctx_.commands->isChecked(Cmd::Wy1))
            ctx_.commands->run(Cmd::Wy1);
    } catch (const std::exception &) {
        show(generalLoadFailureMessage());
    }
}

void SubtitlesController::CzyscListe()
{
    zv::CzyscListe(st_->table, st_->lists);
    ShiftPieces = {};
    if (ctx_.forms->Form2)
        ctx_.forms->Form2->clearTimeLists();
}

void SubtitlesController::ClearSubtitleTable()
{
    CzyscListe();
}

void SubtitlesController::LadujOpisyDoOpcji()
{
    st_->lists = zv::LadujOpisyDoOpcji(st_->table,
                                       {ctx_.settings->OffsetEnabled, ShiftFactorInverse, ShiftOffsetInverse},
                                       ShiftPieces);
}

void SubtitlesController::OT2Click()
{
    QWidget *parent = ctx_.window;
    const QString file = ctx_.hooks->pickSubtitleFile
        ? ctx_.hooks->pickSubtitleFile(parent, kOpenSubtitleFilter)
        : QFileDialog::getOpenFileName(parent, QString(), QString(), kOpenSubtitleFilter);
    if (file.isEmpty())
        return;
    ctx_.files->MainAddProc(QStringList{file}, 2, false, true, false, true, ctx_.state->DefaultDropPoint);
    ctx_.status->UstawMStaus();
}

void SubtitlesController::Zamknij2Click()
{
    ++st_->loadGeneration;
    const QString subtitle = loadedDatabasePath();
    if (!subtitle.isEmpty())
        ctx_.library->ForgetPairing(ctx_.session->CurrentMediaPath, subtitle);
    if (ctx_.commands->isChecked(Cmd::Wy1))
        ctx_.commands->run(Cmd::Wy1);
    CzyscListe();
    ClearSubtitleOverlay();
    ctx_.status->UstawMStaus();
    if (ctx_.forms->Form12)
        ctx_.forms->Form12->NowyClick();
}

void SubtitlesController::ClearSubtitleOverlay()
{
    RobNapis(QString());
    st_->display.DisplayedText.clear();
}

// ---- timing ------------------------------------------------------------------------------------

void SubtitlesController::Timer1Timer()
{
    SubtitleTimerInput in;
    MediaEngine *engine = ctx_.m();
    in.CurrentPosition = engine ? engine->CurrentPosition() : -1;
    in.MediaFrameRate = ctx_.session->MediaFrameRate;
    in.TextDelay = ctx_.settings->TextDelay;
    in.OverlayDragging = OverlayDragging();
    in.OffsetEnabled = ctx_.settings->OffsetEnabled;
    in.ShiftFactor = ShiftFactor;
    in.ShiftOffset = ShiftOffset;
    in.Pieces = &ShiftPieces;
    if (const std::optional<QString> text = zv::Timer1Timer(st_->table, in, st_->display))
        RobNapis(*text);
}

// ---- showing -----------------------------------------------------------------------------------

void SubtitlesController::CreateLineBitmaps()
{
    const AppWindows &f = *ctx_.forms;
    if (st_->overlay || !f.Form3 || !f.Form4 || !f.Form5)
        return;
    st_->overlay = std::make_unique<SubtitleDisplay>(
        *ctx_.settings, SubtitleDisplay::LineWindows{f.Form3, f.Form4, f.Form5}, ctx_.window);
    // In a window the lines never hide the seek bar, the buttons and the status line.
    st_->overlay->setKeepClearOf([this] {
        const QWidget *controls = ctx_.panels->Panel11;
        if (ctx_.video->isFullScreenOn() || !controls || !controls->isVisible())
            return QRect();
        return QRect(controls->mapToGlobal(QPoint(0, 0)), controls->size());
    });
}

void SubtitlesController::RobNapis(const QString &text)
{
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->RobNapis(text);
}

void SubtitlesController::Wy1Click()
{
    const bool on = ctx_.commands->isChecked(Cmd::Wy1);
    if (on)
        Timer1->start();
    else
        Timer1->stop();
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->setLinesShown(on);
    ctx_.panels->ToolButton12->setChecked(on);
    ctx_.status->UstawMStaus();
}

void SubtitlesController::DisplayerUp1Click()
{
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->DisplayerUp1Click(SubtitleDisplay::ctrlHeld());
}

void SubtitlesController::DisplayerDown1Click()
{
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->DisplayerDown1Click(SubtitleDisplay::ctrlHeld());
}

void SubtitlesController::ResetSubtitlePosition()
{
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->ResetPosition();
}

void SubtitlesController::SetTransparentColor()
{
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->SetTransparentColor();
}

void SubtitlesController::WMDisplayChange()
{
    if (SubtitleDisplay *overlay = subtitleDisplay())
        overlay->WMDisplayChange();
}

int SubtitlesController::DisplayerDistanceToSave() const
{
    const SubtitleDisplay *overlay = subtitleDisplay();
    return overlay ? overlay->DisplayerDistanceToSave() : ctx_.settings->DisplayerDistance;
}

// ---- timing correction and the jump dialog ------------------------------------------------------

void SubtitlesController::connectWizard()
{
    if (TForm2 *f = ctx_.forms->Form2) {
        f->currentPosition = [this] { return ctx_.m() ? ctx_.m()->CurrentPosition() : 0.0; };
        f->hasTimeTable = [this] { return !subtitleTable().TimeTable().isEmpty(); };
        connect(f, &TForm2::saveTextRequested, this, &SubtitlesController::ZapiszTekstJako);
        connect(f, &TForm2::seekToLineRequested, this, [this](int row) {
            // The stored start, uncorrected: the reference line as the file has it.
            const SubtitleTable &table = subtitleTable();
            if (ctx_.m() && row >= 0 && row < table.TimeTable().size() - 1)
                ctx_.m()->setCurrentPosition(table.start(timeLists().TimeListPlain.tableRow(row)));
        });
    }
    if (TJumpToTextFrm *j = ctx_.forms->JumpToTextFrm) {
        j->setSource([this] { return timeLists().TimeListShifted.toStringList(); });
        connect(j, &TJumpToTextFrm::jumpRequested, this, &SubtitlesController::JumpToSubtitle);
        connect(j, &FilteredListDialog::closed, this, [this] { ctx_.status->UstawMStaus(); });
    }
}

void SubtitlesController::fillWizardLineStarts(OptionsControls &c) const
{
    // The lists show the time table's lines in table order, the end marker left out.
    const SubtitleTable &table = subtitleTable();
    const qsizetype lines = table.TimeTable().size() - 1;
    const auto startOf = [&](int row) -> std::optional<int> {
        if (row < 0 || row >= lines)
            return std::nullopt;
        return table.start(timeLists().TimeListPlain.tableRow(row));
    };
    c.lineStartA = startOf(c.listASelected);
    c.lineStartB = startOf(c.listBSelected);
}

void SubtitlesController::ZapiszTekstJako()
{
    TForm2 *f = ctx_.forms->Form2;
    ctx_.options->UstawOpcjeDoZmiennych();
    // Subtitles from inside the film have no file of their own: offer one beside the film.
    QString proposed = CurrentSubtitleFile();
    if (!proposed.isEmpty() && st_->databasePath != proposed) {
        const QFileInfo film(ctx_.session->CurrentMediaPath);
        proposed = film.absolutePath() + u'/' + film.completeBaseName() + QStringLiteral(".txt");
    }
    const QString path = f->pickSaveFile(f, proposed);
    if (path.isEmpty())
        return;
    CorrectedSaveRequest request;
    request.format = SubtitleSaveFormat(qBound(0, ctx_.settings->SaveTextFormat, 2));
    request.MediaFrameRate = ctx_.session->MediaFrameRate;
    request.OffsetEnabled = ctx_.settings->OffsetEnabled;
    request.shift = {ShiftFactor, ShiftOffset, ShiftFactorInverse, ShiftOffsetInverse};
    request.encoding = subtitleEncoding();
    const CorrectedSaveResult r = ZapiszTekst(subtitleTable(), path, request, ShiftPieces);
    if (!r.ok) {
        f->setSaveNote(QString());
        f->alert(f, QStringLiteral("Błąd"), QStringLiteral("Nie można zapisać pliku %1\n%2").arg(path, r.error));
        return;
    }
    const QString saved = QStringLiteral("Zapisano %1 (napisów: %2).").arg(QFileInfo(path).fileName()).arg(r.lines);
    f->setSaveNote(r.note.isEmpty() ? saved : saved + u' ' + r.note);
}

void SubtitlesController::SDN1Click()
{
    TJumpToTextFrm *j = ctx_.forms->JumpToTextFrm;
    if (!j)
        return;
    ctx_.commands->action(Cmd::SDN1)->setChecked(j->toggle());
    ctx_.status->UstawMStaus();
}

void SubtitlesController::JumpToSubtitle(int line)
{
    const SubtitleTable &table = subtitleTable();
    MediaEngine *e = ctx_.m();
    // The table may have been replaced while the dialog was open.
    if (!e || line < 0 || line >= table.TimeTable().size() - 1)
        return;
    e->setCurrentPosition(double(correctedSecond(table.start(timeLists().TimeListShifted.tableRow(line)), line,
                                                 ctx_.settings->OffsetEnabled,
                                                 {ShiftFactor, ShiftOffset, ShiftFactorInverse, ShiftOffsetInverse},
                                                 ShiftPieces)));
}

// ---- the editor and the subtitle-file finder ----------------------------------------------------

void SubtitlesController::connectEditor()
{
    if (TForm12 *ed = ctx_.forms->Form12) {
        TForm12::Player p;
        p.position = [this] {
            const MediaEngine *e = ctx_.m();
            return e ? e->CurrentPosition() : 0.0;
        };
        p.timeSource = [this] { return ctx_.settings->TETimeSuorceIndex; };
        p.timeFormat = [this] { return ctx_.settings->TETimeFormatIndex; };
        p.autoLoadtextDir = [this] { return ctx_.settings->AutoLoadtextDir; };
        p.currentMediaPath = [this] { return ctx_.session->CurrentMediaPath; };
        p.loadSubtitles = [this](const QString &path) { LadujText(path); };
        p.showOptions = [this] { ctx_.options->showPage(QStringLiteral("Edytor napisów")); };
        p.findSubtitleFile = [this] { ctx_.commands->run(Cmd::SDPZN1); };
        ed->setPlayer(std::move(p));
        ed->OptionsApplied();
    }
    if (TForm11 *finder = ctx_.forms->Form11) {
        finder->setSources([this] { return ctx_.session->CurrentMediaPath; },
                           [this] { return ctx_.settings->AutoLoadtextDir; },
                           [this] { return ctx_.library->subtitlePaths(); });
        connect(finder, &TForm11::subtitleChosen, this, [this](const QString &path) {
            ctx_.files->MainAddProc(QStringList{path}, 2, false, true, false, true, ctx_.state->DefaultDropPoint);
        });
    }
}

void SubtitlesController::SDPZN1Click()
{
    if (TForm11 *finder = ctx_.forms->Form11)
        ctx_.commands->action(Cmd::SDPZN1)->setChecked(finder->toggle());
}

void SubtitlesController::Edytortxt1Click()
{
    TForm12 *ed = ctx_.forms->Form12;
    if (!ed)
        return;
    ed->show();
    ed->raise();
    ed->activateWindow();
}

} // namespace zv
