#pragma once

#include <QObject>
#include <QString>

#include "core/subtitles/time_shift.h"

#include "core/common/file_kind.h"

#include <functional>
#include <memory>

class QTimer;

namespace zv {

struct AppContext;
struct OptionsControls;
class SubtitleDisplay;
class SubtitleTable;
struct TimeLists;
enum class TextEncoding;
class Utf8Lines;

// Subtitles: the loaded table and its time lists, loading a file, the timer that picks the line
// for the playback position, the line windows, the timing correction's commands and saving,
// the jump-to-subtitle dialog, the editor and the subtitle-file finder.
class SubtitlesController : public QObject {
    Q_OBJECT

public:
    explicit SubtitlesController(AppContext &ctx);
    ~SubtitlesController() override;

    // The single entry for subtitle files: classifies path, loads it into a new table that is
    // swapped in whole when the load ends, reports problems, records the association with the
    // open film and switches the display on when ShowTextIfAvailable asks for it.
    void LadujText(const QString &path);
    // The same for subtitles held in memory (a film's own track as SubRip text): `name` stands
    // where a file's path would (the status line shows it), `databasePath` is what the subtitle
    // database knows them by. The caller records any association.
    void LadujTextBytes(const QByteArray &bytes, const QString &name, const QString &databasePath);
    // The loaded subtitles' path as the database knows it; empty when nothing is loaded.
    QString loadedDatabasePath() const;
    const SubtitleTable &subtitleTable() const;
    const TimeLists &timeLists() const;         // TimeListPlain, TimeListShifted
    QString CurrentSubtitleFile() const;        // empty when no subtitle file is loaded
    TextEncoding subtitleEncoding() const;      // of the loaded subtitle file
    void CzyscListe();                          // empties the table, its file name and the lists
    void ClearSubtitleTable();
    void LadujOpisyDoOpcji();                   // rebuilds both lists with the current correction
    // The subtitle timer's state: the text on screen and the second its line last matched.
    QString DisplayedText() const;
    int LastShownTime() const;
    bool OverlayDragging() const;               // a line window is being dragged
    // Renders text ("|" between up to three lines; empty clears) into the line windows.
    void RobNapis(const QString &text);
    // Clears the line windows and DisplayedText, so the timer's next match draws again.
    void ClearSubtitleOverlay();
    void CreateLineBitmaps();
    void SetTransparentColor();                 // the overlay check of the status refresh
    void WMDisplayChange();                     // the screen's geometry changed
    void ResetSubtitlePosition();               // keypad "*": DisplayerBottom := 40
    int DisplayerDistanceToSave() const;        // DisplayerDistance as saveini writes it
    SubtitleDisplay *subtitleDisplay() const;   // nullptr before CreateLineBitmaps()

    // The timing correction: subtitle time = position * ShiftFactor + ShiftOffset (used while
    // OffsetEnabled); the listed times use the inverse pair.
    double ShiftFactor = 1.0, ShiftOffset = 0.0;
    double ShiftFactorInverse = 1.0, ShiftOffsetInverse = 0.0;
    // The automatic synchronisation's map for a film with cuts, used instead of the pairs;
    // emptied when another subtitle file is loaded, as its line numbers belong to this one.
    PiecewiseShift ShiftPieces;
    bool ShiftFromSync = false;                 // the correction came from the synchronisation
    // The timing page's chosen lines as the table's starts.
    void fillWizardLineStarts(OptionsControls &c) const;
    // "Zapisz tekst jako..." of the "Przesunięcie" page: applies the options, asks for a file
    // and writes the loaded subtitles corrected, in the format chosen (SaveTextFormat).
    void ZapiszTekstJako();
    // The jump dialog's choice: the film goes to the second the line is shown at.
    void JumpToSubtitle(int line);

    static const QString kOpenSubtitleFilter;   // "Otwórz tekst...", in Qt's filter form

    void Timer1Timer();
    QTimer *Timer1 = nullptr;                   // 200 ms while subtitles are shown

signals:
    // A new subtitle table was swapped in.
    void subtitlesLoaded();

public:

    void OT2Click();
    void Zamknij2Click();
    void Wy1Click();
    void DisplayerUp1Click();
    void DisplayerDown1Click();
    void SDN1Click();
    void SDPZN1Click();
    void Edytortxt1Click();

private:
    using Classify = std::function<FileKind(Utf8Lines &scratch, TextEncoding &encoding)>;
    void loadClassified(const Classify &classify, const QString &path, const QString &databasePath,
                        bool fromFile);
    void connectWizard();
    void connectEditor();

    struct State;
    AppContext &ctx_;
    std::unique_ptr<State> st_;
};

} // namespace zv
