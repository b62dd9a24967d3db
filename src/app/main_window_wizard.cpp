// The timing correction's commands and the jump-to-subtitle dialog: the "Przesunięcie" page's
// buttons and lists, saving the corrected subtitles, and seeking to a chosen line. The
// arithmetic and the writing are the core's (time_shift.h, subtitle_writer.h).
#include "app/main_window.h"

#include "config/options_dialog.h"
#include "core/config/options_controls.h"
#include "core/config/settings.h"
#include "core/subtitles/subtitle_table.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/subtitles/time_list.h"
#include "core/subtitles/time_shift.h"
#include "playback/media_engine.h"
#include "subtitles/jump_to_subtitle_dialog.h"

#include <QAction>
#include <QFileInfo>

namespace {

zv::ShiftCoefficients coefficientsOf(const TZentavistaApp &w)
{
    return {w.ShiftFactor, w.ShiftOffset, w.ShiftFactorInverse, w.ShiftOffsetInverse};
}

} // namespace

void TZentavistaApp::ConnectTimingWizard()
{
    if (wizardConnected_)
        return;
    wizardConnected_ = true;
    if (Form2) {
        Form2->currentPosition = [this] { return m() ? m()->CurrentPosition() : 0.0; };
        Form2->hasTimeTable = [this] { return !subtitleTable().TimeTable().isEmpty(); };
        connect(Form2, &TForm2::saveTextRequested, this, &TZentavistaApp::ZapiszTekstJako);
        connect(Form2, &TForm2::seekToLineRequested, this, [this](int row) {
            // The stored start, uncorrected: the reference line as the file has it.
            const zv::SubtitleTable &table = subtitleTable();
            if (m() && row >= 0 && row < table.TimeTable().size() - 1)
                m()->setCurrentPosition(table.start(row));
        });
    }
    if (JumpToTextFrm) {
        JumpToTextFrm->setSource([this] { return timeLists().TimeListShifted.toStringList(); });
        connect(JumpToTextFrm, &TJumpToTextFrm::jumpRequested, this, &TZentavistaApp::JumpToSubtitle);
        connect(JumpToTextFrm, &FilteredListDialog::closed, this, [this] { UstawMStaus(); });
    }
}

void TZentavistaApp::fillWizardLineStarts(zv::OptionsControls &c) const
{
    // The lists show the time table's lines in table order, so a row is an entry.
    const zv::SubtitleTable &table = subtitleTable();
    const qsizetype lines = table.TimeTable().size() - 1;
    const auto startOf = [&](int row) -> std::optional<int> {
        if (row < 0 || row >= lines)
            return std::nullopt;
        return table.start(row);
    };
    c.lineStartA = startOf(c.listASelected);
    c.lineStartB = startOf(c.listBSelected);
}

void TZentavistaApp::ZapiszTekstJako()
{
    ConnectOptions();
    UstawOpcjeDoZmiennych();
    const QString path = Form2->pickSaveFile(Form2, CurrentSubtitleFile());
    if (path.isEmpty())
        return;
    zv::CorrectedSaveRequest request;
    request.format = zv::SubtitleSaveFormat(qBound(0, settings().SaveTextFormat, 2));
    request.MediaFrameRate = MediaFrameRate;
    request.OffsetEnabled = settings().OffsetEnabled;
    request.shift = coefficientsOf(*this);
    request.encoding = subtitleEncoding();
    const zv::CorrectedSaveResult r = zv::ZapiszTekst(subtitleTable(), path, request);
    if (!r.ok) {
        Form2->setSaveNote(QString());
        Form2->alert(Form2, QStringLiteral("Błąd"),
                     QStringLiteral("Nie można zapisać pliku %1\n%2").arg(path, r.error));
        return;
    }
    const QString saved = QStringLiteral("Zapisano %1 (napisów: %2).").arg(QFileInfo(path).fileName()).arg(r.lines);
    Form2->setSaveNote(r.note.isEmpty() ? saved : saved + u' ' + r.note);
}

void TZentavistaApp::SDN1Click()
{
    ConnectTimingWizard();
    if (!JumpToTextFrm)
        return;
    SDN1->setChecked(JumpToTextFrm->toggle());
    UstawMStaus();
}

void TZentavistaApp::JumpToSubtitle(int line)
{
    const zv::SubtitleTable &table = subtitleTable();
    // The table may have been replaced while the dialog was open.
    if (!m() || line < 0 || line >= table.TimeTable().size() - 1)
        return;
    m()->setCurrentPosition(double(zv::correctedSecond(table.start(line), settings().OffsetEnabled,
                                                       coefficientsOf(*this))));
}
