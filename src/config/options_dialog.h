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
}

// The options dialog. Modeless: the program keeps working while it is open. It only binds its
// widgets to zv::OptionsControls; the main window moves those values to and from the settings
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

    // "Typy plików"
    QListWidget *FileTypesList = nullptr;
    QLineEdit *ExtensionEdit = nullptr;
    QPushButton *AddButton = nullptr, *UnmarkAllButton = nullptr, *MarkAllButton = nullptr,
                *MarkAssociatedButton = nullptr, *RemoveMarkedButton = nullptr;
    QLabel *FileTypesNote = nullptr;

    // "Edytor napisów"
    QComboBox *TimeSourceBox = nullptr, *TimeFormatBox = nullptr;
    QPushButton *EditorFontButton = nullptr, *EditorColorButton = nullptr,
                *EditorBackgroundButton = nullptr;
    QPlainTextEdit *EditorSample = nullptr;

protected:
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
    void chooseFont();
    void chooseEditorFont();
    void chooseColor(quint32 zv::OptionsControls::*field);
    void addExtension();
    void removeMarked();

    // Values without a widget of their own (fonts, colours), and the last given controls.
    zv::OptionsControls values_;
};
