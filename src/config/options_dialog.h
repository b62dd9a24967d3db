#pragma once

#include "core/config/options_controls.h"

#include <QColor>
#include <QDialog>
#include <QFont>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTimeEdit;
class QWidget;

namespace zv {
class SubtitleSamplePanel;

// The family the system draws for `family`: itself when installed, otherwise the one fontconfig
// puts in its place (Liberation Sans for Arial).
QString installedFontFamily(const QString &family);
}

// The options dialog. Modeless: the program keeps working while it is open. It only binds its
// widgets to zv::OptionsControls; the options feature moves those values to and from the settings
// and connects OkButton, CancelButton, ApplyButton, DefaultsButton and MarkAssociatedButton.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

    void setControls(const zv::OptionsControls &c);
    zv::OptionsControls controls() const;
    // "W trybie pełnoekranowym zmień rozdzielczość na:" entries ("W x H x depth").
    void setResolutionList(const QStringList &modes);
    // Check marks of "Typy plików", one per entry in list order.
    void setAssociationMarks(const QList<bool> &marks);
    // The two reference-point lists of "Kreator" (TimeListPlain); selection and scroll
    // position come from the controls given last.
    void setTimeList(const QStringList &lines);
    // Says in the page which entries the desktop knows no file type for (empty: nothing).
    void setUnknownFileTypes(const QStringList &extensions);

    // Remembered for the next showing, not stored in the settings file.
    zv::OptionsMemory remembered;

    // Desktop dialogs; tests replace them.
    std::function<std::optional<QFont>(QWidget *parent, const QFont &initial)> pickFont;
    std::function<std::optional<QColor>(QWidget *parent, const QColor &initial)> pickColor;
    std::function<QString(QWidget *parent, const QString &startFolder)> pickFolder;
    // An OK/Cancel question titled "Potwierdź..."; true on OK.
    std::function<bool(QWidget *parent, const QString &text)> confirm;
    // A message box with the error icon.
    std::function<void(QWidget *parent, const QString &title, const QString &text)> alert;
    // "Zapisz tekst jako...": the file to write, proposing `proposed`; empty when cancelled.
    std::function<QString(QWidget *parent, const QString &proposed)> pickSaveFile;

    // What the "Przesunięcie" page reads from the program: the film's position in seconds
    // ("Teraz...") and whether a time table is loaded ("Kreator" needs one).
    std::function<double()> currentPosition;
    std::function<bool()> hasTimeTable;
    // Empties both reference-point lists (subtitles loaded or closed).
    void clearTimeLists();
    // The outcome of "Zapisz tekst jako..." shown under the button.
    void setSaveNote(const QString &text);

    // The pages, in order, and the buttons below them.
    QTabWidget *PageControl1 = nullptr;
    QPushButton *OkButton = nullptr, *CancelButton = nullptr, *ApplyButton = nullptr,
                *DefaultsButton = nullptr;

    // "Wyświetlanie"
    QPushButton *FontButton = nullptr, *FontColorButton = nullptr, *BackgroundButton = nullptr;
    zv::SubtitleSamplePanel *SamplePanel = nullptr;
    QComboBox *DisplayModeBox = nullptr;
    QCheckBox *DecFontSizeBox = nullptr, *TextWrapBox = nullptr, *ShowShadowBox = nullptr,
              *ShadowHiQualityBox = nullptr;
    QSpinBox *ShadowDistanceSpin = nullptr;
    QComboBox *ShadowModeBox = nullptr;
    QLabel *ShadowColorPanel = nullptr;
    QPushButton *ShadowColorButton = nullptr;

    // "Opcje"
    QLineEdit *AutoLoadDirEdit = nullptr;
    QLineEdit *AudioLanguagesEdit = nullptr;     // "Preferowany język dźwięku"
    QLineEdit *SubtitleLanguagesEdit = nullptr;  // "Preferowany język napisów"
    QPushButton *BrowseButton = nullptr;
    QSpinBox *DisplayerDistanceSpin = nullptr, *ShiftSpin = nullptr, *TextDelaySpin = nullptr,
             *PanScanSpin = nullptr;
    QCheckBox *AutoPlayBox = nullptr, *ChangeResBox = nullptr, *AutoLoadTextBox = nullptr,
              *ShowTextIfAvailableBox = nullptr, *AutoSizeBox = nullptr,
              *ShowFullScrCtrlsBox = nullptr, *SaveLoadPlaylistBox = nullptr,
              *ShowTrayIconBox = nullptr, *InitFullScrBox = nullptr, *InitPanScanBox = nullptr,
              *InitAutoPanScanBox = nullptr, *EnableOutCtrlsBox = nullptr;
    QComboBox *ResolutionBox = nullptr;

    // "Przesunięcie"
    QCheckBox *OffsetEnabledBox = nullptr, *TwoPointsBox = nullptr;
    QTabWidget *ShiftPages = nullptr;   // "Zwykłe", "Kreator"
    QTimeEdit *PlainTimeEdit = nullptr, *TimeEditA = nullptr, *TimeEditB = nullptr;
    QRadioButton *EarlierRadio = nullptr, *LaterRadio = nullptr;
    QPushButton *NowButtonA = nullptr, *NowButtonB = nullptr, *SaveTextButton = nullptr;
    QListWidget *ListA = nullptr, *ListB = nullptr;
    QComboBox *SaveFormatBox = nullptr;
    QLabel *SaveNote = nullptr;
    QPushButton *SyncButton = nullptr;      // "Synchronizuj automatycznie"
    QLabel *SyncNote = nullptr;             // shown while the synchronisation's map is in effect
    QCheckBox *CheckSyncBox = nullptr;      // "Sprawdzaj synchronizację napisów przy otwieraniu"

    // "Typy plików"
    QListWidget *FileTypesList = nullptr;
    QLineEdit *ExtensionEdit = nullptr;
    QPushButton *AddButton = nullptr, *UnmarkAllButton = nullptr, *MarkAllButton = nullptr,
                *MarkAssociatedButton = nullptr, *RemoveMarkedButton = nullptr;
    QLabel *FileTypesNote = nullptr;
    QLabel *FileTypesLimitNote = nullptr;   // says the list shows only its beginning

    // "Edytor napisów"
    QComboBox *TimeSourceBox = nullptr, *TimeFormatBox = nullptr;
    QPushButton *EditorFontButton = nullptr, *EditorColorButton = nullptr,
                *EditorBackgroundButton = nullptr;
    QPlainTextEdit *EditorSample = nullptr;

signals:
    // A double click in list A or B: the film goes to that line's stored start.
    void seekToLineRequested(int row);
    // "Zapisz tekst jako..." clicked.
    void saveTextRequested();
    // "Synchronizuj automatycznie" clicked.
    void syncRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *buildDisplayPage();
    QWidget *buildOptionsPage();
    QWidget *buildShiftPage();
    QWidget *buildFileTypesPage();
    QWidget *buildEditorPage();
    void updateSample();
    void updateEditorSample();
    void updateShiftEnabling();
    void ShiftPagesChange(int index);
    void markShiftPage(int index);
    void followListA();
    void chooseFont();
    void chooseEditorFont();
    void chooseColor(quint32 zv::OptionsControls::*field);
    void addExtension();
    void removeMarked();
    // Fills the extension list from values_: done when the dialog shows, not at start-up.
    void listFileTypes();
    QList<zv::FileTypeEntry> listedFileTypes() const;

    // Values without a widget of their own (fonts, colours), and the last given controls.
    // Until the extension list is filled, its entries and marks live here.
    zv::OptionsControls values_;
    bool fileTypesListed_ = false;
    // The labels of "Zwykłe" and of the two reference points, enabled with their controls.
    QList<QWidget *> plainLabels_, pointALabels_, pointBLabels_;
};
