// Subtitles in the main window: loading a subtitle file, the timer that picks the line for the
// playback position, and the line windows that show it. The work is done by the core table,
// loaders and timer rule and by the subtitle display; these methods route to them.
#include "app/main_window.h"

#include "config/options_dialog.h"
#include "core/config/settings.h"
#include "core/files/get_typ.h"
#include "core/library/subtitle_database.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_messages.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/subtitle_timer.h"
#include "core/subtitles/time_list.h"
#include "subtitles/line_windows.h"
#include "library/subtitle_database_window.h"
#include "library/subtitle_file_filter.h"
#include "playback/media_engine.h"
#include "subtitles/subtitle_display.h"
#include "subtitles/subtitle_editor.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

#include <exception>

namespace {

// A load shorter than this shows no progress: the label would only flicker.
constexpr qint64 kLoadProgressDelayMs = 500;

QString loadProgressText(qsizetype done, qsizetype total)
{
    const qsizetype percent = total > 0 ? done * 100 / total : 0;
    return QStringLiteral("Wczytywanie napisów... %1%").arg(percent);
}

void showSubtitleMessageBox(QWidget *parent, const zv::SubtitleMessage &m)
{
    if (m.icon == zv::SubtitleMessage::Icon::Warning)
        QMessageBox::warning(parent, m.title, m.text);
    else
        QMessageBox::critical(parent, m.title, m.text);
}

} // namespace

const QString TZentavistaApp::kOpenSubtitleFilter = zv::subtitleFilesFilter();

struct TZentavistaApp::SubtitleState {
    zv::SubtitleTable table;
    zv::TimeLists lists;
    zv::SubtitleDisplayState display;
    std::unique_ptr<zv::SubtitleDisplay> overlay;
    SubtitleMessageSink messageSink;
    SubtitleFilePicker filePicker;
    zv::TextEncoding encoding = zv::TextEncoding::Utf8; // of the loaded file, for saving it
    // Bumped by every load and by closing the file: a load that finds it changed after
    // pumping events was overtaken and must not swap its table in.
    quint64 loadGeneration = 0;
};

void TZentavistaApp::SubtitleStateDeleter::operator()(SubtitleState *p) const
{
    delete p;
}

TZentavistaApp::SubtitleState &TZentavistaApp::subtitleState() const
{
    if (!subtitles_)
        subtitles_.reset(new SubtitleState);
    return *subtitles_;
}

void TZentavistaApp::setSubtitleMessageSink(SubtitleMessageSink sink)
{
    subtitleState().messageSink = std::move(sink);
}

void TZentavistaApp::setSubtitleFilePicker(SubtitleFilePicker picker)
{
    subtitleState().filePicker = std::move(picker);
}

const zv::SubtitleTable &TZentavistaApp::subtitleTable() const
{
    return subtitleState().table;
}

const zv::TimeLists &TZentavistaApp::timeLists() const
{
    return subtitleState().lists;
}

QString TZentavistaApp::CurrentSubtitleFile() const
{
    return subtitleState().table.CurrentSubtitleFile();
}

QString TZentavistaApp::DisplayedText() const
{
    return subtitleState().display.DisplayedText;
}

int TZentavistaApp::LastShownTime() const
{
    return subtitleState().display.LastShownTime;
}

bool TZentavistaApp::OverlayDragging() const
{
    const auto &overlay = subtitleState().overlay;
    return overlay && overlay->OverlayDragging();
}

zv::SubtitleDisplay *TZentavistaApp::subtitleDisplay() const
{
    return subtitleState().overlay.get();
}

// ---- loading -----------------------------------------------------------------------------------

void TZentavistaApp::LadujText(const QString &path)
{
    SubtitleState &st = subtitleState();
    const quint64 generation = ++st.loadGeneration;
    auto show = [this, &st](const zv::SubtitleMessage &m) {
        if (st.messageSink)
            st.messageSink(m);
        else
            showSubtitleMessageBox(this, m);
    };
    try {
        zv::Utf8Lines scratch;
        zv::TextEncoding encoding = zv::TextEncoding::Utf8;
        const zv::FileKind kind = zv::GetTyp(path, false, settings().FileTypes, scratch, &encoding);
        if (const std::optional<zv::SubtitleMessage> m = zv::classificationMessage(kind))
            show(*m);
        if (const zv::SubtitleFormat *format = zv::subtitleFormat(kind)) {
            // The events pumped between batches of lines keep the window alive during a long
            // load; the table being built is the loader's own until it is swapped in below.
            QElapsedTimer clock;
            clock.start();
            QPointer<QLabel> label = Label1;
            const QString labelBefore = label ? label->text() : QString();
            QString progressText;
            zv::LoadSettings load;
            load.MediaFrameRate = MediaFrameRate;
            load.TextDelay = settings().TextDelay;
            load.shift = {settings().OffsetEnabled, ShiftFactorInverse, ShiftOffsetInverse};
            load.progress = [&](qsizetype done, qsizetype total) {
                if (label && clock.elapsed() >= kLoadProgressDelayMs) {
                    progressText = loadProgressText(done, total);
                    label->setText(progressText);
                }
                QCoreApplication::processEvents();
            };
            zv::LoadResult r = format->parse(std::move(scratch), load);
            r.table.prepareLookups(); // now, not on the first tick
            // Unless a status refresh has written the label meanwhile.
            if (label && !progressText.isEmpty() && label->text() == progressText)
                label->setText(labelBefore);
            // Events run during the load and inside the message boxes: a newer load, closing the
            // file or closing the program meanwhile decides what stays.
            const auto overtaken = [&] { return generation != st.loadGeneration || ShuttingDown; };
            if (overtaken())
                return;
            for (const zv::SubtitleMessage &m : zv::loadMessages(*format, r))
                show(m);
            if (overtaken())
                return;
            r.table.setCurrentSubtitleFile(path);
            st.table = std::move(r.table);
            st.lists = std::move(r.lists);
            st.encoding = encoding;
            if (Form2)
                Form2->clearTimeLists();
        }

        const QString loaded = st.table.CurrentSubtitleFile();
        // With nothing loaded there is nothing to edit or associate.
        if (!loaded.isEmpty()) {
            if (Form12)
                Form12->PlayerLoaded(loaded);
            SkojarzPliki(CurrentMediaPath, loaded);
        }
        UstawMStaus();
        st.display.LastShownTime = zv::kLastShownAfterLoad;
        if (settings().ShowTextIfAvailable && !loaded.isEmpty() && !Wy1->isChecked())
            runCommand(Wy1);
    } catch (const std::exception &) {
        show(zv::generalLoadFailureMessage());
    }
}

void TZentavistaApp::CzyscListe()
{
    SubtitleState &st = subtitleState();
    zv::CzyscListe(st.table, st.lists);
    if (Form2)
        Form2->clearTimeLists();
}

zv::TextEncoding TZentavistaApp::subtitleEncoding() const
{
    return subtitleState().encoding;
}

void TZentavistaApp::LadujOpisyDoOpcji()
{
    SubtitleState &st = subtitleState();
    st.lists = zv::LadujOpisyDoOpcji(
        st.table, {settings().OffsetEnabled, ShiftFactorInverse, ShiftOffsetInverse});
}

void TZentavistaApp::ClearSubtitleTable()
{
    CzyscListe();
}

void TZentavistaApp::OT2Click()
{
    SubtitleState &st = subtitleState();
    const QString file = st.filePicker
        ? st.filePicker(this, kOpenSubtitleFilter)
        : QFileDialog::getOpenFileName(this, QString(), QString(), kOpenSubtitleFilter);
    if (file.isEmpty())
        return;
    MainAddProc(QStringList{file}, 2, false, true, false, true, DefaultDropPoint);
    UstawMStaus();
}

void TZentavistaApp::Zamknij2Click()
{
    SubtitleState &st = subtitleState();
    ++st.loadGeneration;
    const QString subtitle = st.table.CurrentSubtitleFile();
    if (Form7 && !subtitle.isEmpty()) {
        // The user dropped this pairing: forget it, so the file is not offered for the film again.
        const QString film = zv::lib::bareFileName(CurrentMediaPath).toString();
        const QList<zv::TSubtitleRecord> &rows = Form7->database().rows();
        QList<qsizetype> unpaired;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (rows[i].FullPath.compare(subtitle, Qt::CaseInsensitive) == 0
                && rows[i].AssociatedWith.compare(film, Qt::CaseInsensitive) == 0)
                unpaired.append(i);
        }
        if (!unpaired.isEmpty()) {
            Form7->database().clearAssociations(unpaired);
            Form7->associationsChanged();
        }
    }
    if (Wy1->isChecked())
        runCommand(Wy1);
    CzyscListe();
    ClearSubtitleOverlay();
    UstawMStaus();
    if (Form12)
        Form12->NowyClick();
}

void TZentavistaApp::ClearSubtitleOverlay()
{
    RobNapis(QString());
    subtitleState().display.DisplayedText.clear();
}

// ---- timing ------------------------------------------------------------------------------------

void TZentavistaApp::Timer1Timer()
{
    SubtitleState &st = subtitleState();
    zv::SubtitleTimerInput in;
    MediaEngine *engine = m();
    in.CurrentPosition = engine ? engine->CurrentPosition() : -1;
    in.MediaFrameRate = MediaFrameRate;
    in.TextDelay = settings().TextDelay;
    in.OverlayDragging = OverlayDragging();
    in.OffsetEnabled = settings().OffsetEnabled;
    in.ShiftFactor = ShiftFactor;
    in.ShiftOffset = ShiftOffset;
    if (const std::optional<QString> text = zv::Timer1Timer(st.table, in, st.display))
        RobNapis(*text);
}

// ---- showing -----------------------------------------------------------------------------------

void TZentavistaApp::CreateLineBitmaps()
{
    SubtitleState &st = subtitleState();
    if (st.overlay || !Form3 || !Form4 || !Form5)
        return;
    st.overlay = std::make_unique<zv::SubtitleDisplay>(
        settings(), zv::SubtitleDisplay::LineWindows{Form3, Form4, Form5}, this);
}

void TZentavistaApp::RobNapis(const QString &text)
{
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->RobNapis(text);
}

void TZentavistaApp::Wy1Click()
{
    const bool on = Wy1->isChecked();
    if (on)
        Timer1->start();
    else
        Timer1->stop();
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->setLinesShown(on);
    ToolButton12->setChecked(on);
    UstawMStaus();
}

void TZentavistaApp::DisplayerUp1Click()
{
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->DisplayerUp1Click(zv::SubtitleDisplay::ctrlHeld());
}

void TZentavistaApp::DisplayerDown1Click()
{
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->DisplayerDown1Click(zv::SubtitleDisplay::ctrlHeld());
}

void TZentavistaApp::ResetSubtitlePosition()
{
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->ResetPosition();
}

void TZentavistaApp::SetTransparentColor()
{
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->SetTransparentColor();
}

void TZentavistaApp::WMDisplayChange()
{
    if (zv::SubtitleDisplay *overlay = subtitleDisplay())
        overlay->WMDisplayChange();
}

int TZentavistaApp::DisplayerDistanceToSave() const
{
    const zv::SubtitleDisplay *overlay = subtitleDisplay();
    return overlay ? overlay->DisplayerDistanceToSave() : settings().DisplayerDistance;
}
