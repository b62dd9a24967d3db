#pragma once

#include "core/common/text_codec.h"
#include "core/subtitles/editor_stamps.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QPlainTextEdit;
class QTimer;
class QToolBar;

namespace zv {
class MprisPositionSource;
struct TDragDropInfo;
}

// The subtitle editor "Edytor napisów": plain text with a running time stamp of the playing
// position, and two modes that put it in front of lines. It holds the file the player loaded
// last; files are read with the program's decoder and written back in the encoding they were
// read in (a new document as UTF-8), atomically, with the bytes the text never touched as they
// were.
class TForm12 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm12(QWidget *parent = nullptr);

    // What the editor asks the player; the main window sets them once.
    struct Player {
        std::function<double()> position;        // own playing position, seconds (-1: none)
        std::function<int()> timeSource;         // TETimeSuorceIndex
        std::function<int()> timeFormat;         // TETimeFormatIndex
        std::function<QString()> autoLoadtextDir;
        std::function<QString()> currentMediaPath;
        std::function<void(const QString &)> loadSubtitles;   // LadujText
        std::function<void()> showOptions;       // the options on the editor's page
        std::function<void()> findSubtitleFile;  // "Skocz do pliku z napisami..."
    };
    void setPlayer(Player player) { player_ = std::move(player); }

    // Desktop dialogs and boxes; tests replace them.
    std::function<QString(QWidget *parent, const QString &startPath)> pickOpenFile;
    std::function<QString(QWidget *parent, const QString &startPath)> pickSaveFile;
    std::function<void(const QString &title, const QString &text, QMessageBox::Icon icon)> message;
    // Unsaved text is about to be replaced or the program ends: Save, Discard or Cancel.
    std::function<QMessageBox::StandardButton(QWidget *parent, const QString &text)> askSave;
    // Saving would lose something (another program's change to the file, bytes the new encoding
    // cannot hold): Yes goes on, anything else keeps the file as it is.
    std::function<QMessageBox::StandardButton(QWidget *parent, const QString &text)> askSaveAnyway;

    // Loads the file into the text area (unsaved text is asked about first); false when the
    // file could not be read or the user kept the text. The previous text stays on failure.
    bool LoadTxtToEdit(const QString &path);
    // The player loaded `path`: the editor follows it, at once when shown or holding unsaved
    // text, otherwise when next shown. A file over the editor's limits is left to the player
    // without a box; the editor keeps its text.
    void PlayerLoaded(const QString &path);
    // "Nowy": an empty document without a file (unsaved text is asked about first).
    bool NowyClick();
    void OtworzClick();
    void ZaladujEdytowanyClick();
    bool ZapiszClick();
    bool ZapiszJakoClick();
    // True when nothing unsaved would be lost by ending the program (asks when there is).
    bool CanClose();
    // Files dropped from the file manager: the first one is loaded.
    void OnTEFMDragDrop(const zv::TDragDropInfo &info);

    // Editor font and colours from the options (TEFont*, TEFontColor, TEBackGround).
    void UstawWyglad(const QFont &font, const QColor &text, const QColor &background);
    // The modes follow the time format when the options change; the stamp is shown anew.
    void OptionsApplied();

    // The editor's timer: computes the stamp of the time source into status panel 1.
    void Timer1Timer();
    // Writing mode's timer: while a stamp is pending the caret's line is the stamp alone.
    void Timer2Timer();

    QString EditedFile;
    bool StampPending = false;
    zv::TextEncoding encoding() const { return encoding_; }
    QString stamp() const;
    zv::editor::Modes modes() const { return modes_; }
    void setMode(zv::editor::ModeItem item, bool checked);
    zv::MprisPositionSource *outsidePosition() const { return mpris_; }
    // Files larger than this are refused: a text area of that size no longer keeps up.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    // Lines longer than this are refused too: every keystroke lays the whole line out again.
    static constexpr qsizetype kMaxLineChars = 16 * 1024;

    QPlainTextEdit *TE = nullptr;
    QLabel *StatusPanel1 = nullptr, *StatusPanel2 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QAction *Nowy1 = nullptr, *Otworz1 = nullptr, *Zaladujedytowany1 = nullptr, *Zapisz1 = nullptr,
            *Zapiszjako1 = nullptr, *Zamknij1 = nullptr, *Wstawiajczas1 = nullptr,
            *Usunpoprzedniczas1 = nullptr, *Trybpisania1 = nullptr, *Opcje1 = nullptr,
            *Skoczdopliku1 = nullptr;
    QTimer *Timer1 = nullptr, *Timer2 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Escape closes the editor as it closes the program's other windows; the text stays.
    void keyPressEvent(QKeyEvent *event) override;
    // The timers run only while the window is shown: a hidden editor costs the idle player nothing.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // Reads and decodes `path` (its bytes into `*bytes`); an empty result with `*reason` set
    // when it cannot be edited.
    std::optional<zv::DecodedText> readForEditing(const QString &path, QString *reason, QByteArray *bytes) const;
    bool load(const QString &path, bool quiet);
    bool askAboutUnsaved();
    bool saveTo(const QString &path);
    bool confirm(const QString &text);
    QString editedText() const;
    void rememberDisk(const QByteArray &bytes);
    bool changedOnDisk(const QString &path) const;
    void setEdited(const QString &path);
    void showModes();
    void UstawStatus();
    void say(const QString &title, const QString &text, QMessageBox::Icon icon);
    void stampClickedLine(const QPoint &viewportPos);

    Player player_;
    zv::TextEncoding encoding_ = zv::TextEncoding::Utf8;
    QString lineBreak_ = QStringLiteral("\r\n");
    bool finalLineBreak_ = true;
    zv::editor::Modes modes_;
    int pendingBlock_ = -1;   // the line writing mode stamps
    qsizetype pendingStampLength_ = 0;   // the stamp it carries so far
    QString stamp_;
    QString deferredLoad_;   // the player's file, taken when the editor is next shown
    // What EditedFile held when the editor last read or wrote it (no digest: a new document),
    // so that Save notices another program's change.
    qint64 diskSize_ = -1;
    QByteArray diskDigest_;
    zv::MprisPositionSource *mpris_ = nullptr;
};
