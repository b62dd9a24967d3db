#include "config/options_dialog.h"

#include "core/config/settings.h"
#include "playlist/list_row_height.h"
#include "subtitles/subtitle_renderer.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <climits>

namespace zv {

// "Przykładowy napis..." drawn by the subtitle renderer itself, so the sample shows the font,
// shadow or outline and background mode the film will show.
class SubtitleSamplePanel : public QWidget {
public:
    explicit SubtitleSamplePanel(QWidget *parent) : QWidget(parent)
    {
        setMinimumSize(260, 60);
    }

    void setLook(const Settings &look)
    {
        look_ = look;
        update();
    }
    const SubtitleRenderer &renderer() const { return renderer_; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const bool plain = look_.DisplayMode == 0;
        // A see-through mode shows what lies behind it: a mid grey stands for the picture.
        p.fillRect(rect(), plain ? colorFromBgr(look_.BackGroundColor) : QColor(0x60, 0x60, 0x60));
        Settings look = look_;
        look.DisplayerBottom = 4;
        look.DisplayerDistance = 0;
        renderer_.DrawNapis(QStringLiteral("Przykładowy napis..."), look.DisplayMode == 2,
                            !plain, look, rect());
        const RenderedLine &line = renderer_.line(0);
        if (line.image.isNull())
            return;
        if (renderer_.paint() == OverlayPaint::Mask)
            p.setClipRegion(line.mask.translated(line.geometry.topLeft()));
        p.drawImage(line.geometry.topLeft(), line.image);
    }

private:
    Settings look_;
    SubtitleRenderer renderer_;
};

} // namespace zv

namespace zv {

QString installedFontFamily(const QString &family)
{
    if (family.isEmpty() || QFontDatabase::hasFamily(family))
        return family;
    // Qt matches a missing family through fontconfig, whose rules give the metric-compatible
    // font installed in its place.
    const QString resolved = QFontInfo(QFont(family)).family();
    return resolved.isEmpty() ? family : resolved;
}

} // namespace zv

namespace {

// Rows as tall as their font needs: the marks over Ł, Ś, Ź and Ó are not cut off.
class FontRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(qMax(s.height(), listRowHeight(option.font)));
        return s;
    }
};

void fitRowsToFont(QListWidget *list)
{
    list->setUniformItemSizes(true);   // one row's height stands for all: long lists stay quick
    list->setItemDelegate(new FontRowDelegate(list));
}

// The font dialog lists installed families only: given a missing one, it would fall back to
// its first entry and drop the style with it.
QFont fontOf(const QString &name, int size, int style)
{
    QFont f;
    if (!name.isEmpty())
        f.setFamily(zv::installedFontFamily(name));
    f.setPointSize(qBound(1, size, 1000));
    f.setBold(zv::fontStyleIsBold(style));
    f.setItalic(zv::fontStyleIsItalic(style));
    return f;
}

// The family to store: the installed stand-in the dialog was opened on keeps the name the user
// chose ("Arial" stays "Arial" when Liberation Sans draws it).
QString chosenFamily(const QString &stored, const QFont &picked)
{
    if (picked.family().compare(zv::installedFontFamily(stored), Qt::CaseInsensitive) == 0)
        return stored;
    return picked.family();
}

int styleOf(const QFont &f)
{
    return zv::fontStyleCode(f.bold(), f.italic(), f.underline() || f.strikeOut());
}

quint32 bgrOf(const QColor &c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

QSpinBox *spin(int min, int max)
{
    auto *s = new QSpinBox;
    s->setRange(min, max);
    return s;
}

QWidget *row(std::initializer_list<QWidget *> widgets)
{
    auto *w = new QWidget;
    auto *l = new QHBoxLayout(w);
    l->setContentsMargins(0, 0, 0, 0);
    for (QWidget *x : widgets)
        l->addWidget(x);
    l->addStretch(1);
    return w;
}

QTime timeOfSeconds(int seconds)
{
    return QTime(0, 0).addSecs(qBound(0, seconds, 86399));
}

int secondsOfTime(const QTime &t)
{
    return QTime(0, 0).secsTo(t);
}

} // namespace

TForm2::TForm2(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Opcje"));
    setModal(false);

    pickFont = [](QWidget *p, const QFont &initial) -> std::optional<QFont> {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, p);
        return ok ? std::optional<QFont>(f) : std::nullopt;
    };
    pickColor = [](QWidget *p, const QColor &initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, p);
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    };
    pickFolder = [](QWidget *p, const QString &start) {
        return QFileDialog::getExistingDirectory(p, QString(), start);
    };
    confirm = [](QWidget *p, const QString &text) {
        return QMessageBox::question(p, QStringLiteral("Potwierdź..."), text,
                                     QMessageBox::Ok | QMessageBox::Cancel)
               == QMessageBox::Ok;
    };

    PageControl1 = new QTabWidget(this);
    PageControl1->addTab(buildDisplayPage(), QStringLiteral("Wyświetlanie"));
    PageControl1->addTab(buildOptionsPage(), QStringLiteral("Opcje"));
    PageControl1->addTab(buildShiftPage(), QStringLiteral("Przesunięcie"));
    PageControl1->addTab(buildFileTypesPage(), QStringLiteral("Typy plików"));
    PageControl1->addTab(buildEditorPage(), QStringLiteral("Edytor napisów"));

    OkButton = new QPushButton(QStringLiteral("OK"));
    CancelButton = new QPushButton(QStringLiteral("Anuluj"));
    ApplyButton = new QPushButton(QStringLiteral("Zastosuj"));
    DefaultsButton = new QPushButton(QStringLiteral("Domyślne"));
    OkButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DefaultsButton);
    buttons->addStretch(1);
    for (QPushButton *b : {OkButton, CancelButton, ApplyButton})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
}

QWidget *TForm2::buildDisplayPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);

    auto *subtitles = new QGroupBox(QStringLiteral("Napisy"));
    auto *sv = new QVBoxLayout(subtitles);
    FontButton = new QPushButton(QStringLiteral("Czcionka..."));
    // Qt's font dialog has no colour: the text colour gets a button of its own.
    FontColorButton = new QPushButton(QStringLiteral("Kolor napisów..."));
    BackgroundButton = new QPushButton(QStringLiteral("Tło..."));
    sv->addWidget(row({FontButton, FontColorButton, BackgroundButton}));
    SamplePanel = new zv::SubtitleSamplePanel(subtitles);
    sv->addWidget(SamplePanel);
    DisplayModeBox = new QComboBox;
    DisplayModeBox->addItems({QStringLiteral("1. Zwykły - ustalany kolor tła"),
                              QStringLiteral("2. Tło przezroczyste - rodzaj pierwszy (Overlay)"),
                              QStringLiteral("3. Tło przezroczyste - rodzaj drugi (Regiony)"),
                              QStringLiteral("4. Tło przezroczyste - auto-wybór rodzaju przezroczystości")});
    sv->addWidget(new QLabel(QStringLiteral("Tryb wyświetlania:")));
    sv->addWidget(DisplayModeBox);
    auto *fit = new QGroupBox(QStringLiteral("Gdy napisy nie mieszczą się na ekranie"));
    auto *fv = new QHBoxLayout(fit);
    DecFontSizeBox = new QCheckBox(QStringLiteral("Zmniejszaj czcionkę"));
    TextWrapBox = new QCheckBox(QStringLiteral("Zawijaj wiersze"));
    fv->addWidget(DecFontSizeBox);
    fv->addWidget(TextWrapBox);
    sv->addWidget(fit);
    v->addWidget(subtitles);

    auto *shadow = new QGroupBox(QStringLiteral("Cień "));
    auto *form = new QFormLayout(shadow);
    ShowShadowBox = new QCheckBox(QStringLiteral("Wyświetlaj cień"));
    form->addRow(ShowShadowBox);
    ShadowDistanceSpin = spin(0, zv::kMaxShadowDistanceControl);
    form->addRow(QStringLiteral("Odległość:"), row({ShadowDistanceSpin, new QLabel(QStringLiteral("pikseli"))}));
    ShadowModeBox = new QComboBox;
    ShadowModeBox->addItems({QStringLiteral("Cień"), QStringLiteral("Obwódka")});
    form->addRow(QStringLiteral("Rodzaj cienia:"), ShadowModeBox);
    ShadowColorPanel = new QLabel;
    ShadowColorPanel->setFixedSize(40, 20);
    ShadowColorPanel->setAutoFillBackground(true);
    ShadowColorButton = new QPushButton(QStringLiteral("Wybierz..."));
    form->addRow(QStringLiteral("Kolor:"), row({ShadowColorPanel, ShadowColorButton}));
    ShadowHiQualityBox = new QCheckBox(QStringLiteral("Zachowaj ciągłość (High Quality)"));
    form->addRow(ShadowHiQualityBox);
    v->addWidget(shadow);
    v->addStretch(1);

    connect(FontButton, &QPushButton::clicked, this, &TForm2::chooseFont);
    connect(FontColorButton, &QPushButton::clicked, this,
            [this] { chooseColor(&zv::OptionsControls::FontColor); });
    connect(BackgroundButton, &QPushButton::clicked, this,
            [this] { chooseColor(&zv::OptionsControls::BackGroundColor); });
    connect(ShadowColorButton, &QPushButton::clicked, this,
            [this] { chooseColor(&zv::OptionsControls::ShadowColor); });
    connect(DisplayModeBox, &QComboBox::currentIndexChanged, this, [this](int i) {
        // Only the plain mode has a background colour to choose.
        BackgroundButton->setEnabled(i == 0);
        updateSample();
    });
    for (QCheckBox *b : {ShowShadowBox, ShadowHiQualityBox, DecFontSizeBox, TextWrapBox})
        connect(b, &QCheckBox::toggled, this, &TForm2::updateSample);
    connect(ShadowDistanceSpin, &QSpinBox::valueChanged, this, &TForm2::updateSample);
    connect(ShadowModeBox, &QComboBox::currentIndexChanged, this, &TForm2::updateSample);
    return page;
}

QWidget *TForm2::buildOptionsPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *config = new QGroupBox(QStringLiteral("Konfiguracja"));
    auto *form = new QFormLayout(config);
    AutoLoadDirEdit = new QLineEdit;
    BrowseButton = new QPushButton(QStringLiteral("Przeglądaj..."));
    form->addRow(QStringLiteral("Domyślny katalog z tekstami:"), row({AutoLoadDirEdit, BrowseButton}));
    AudioLanguagesEdit = new QLineEdit;
    AudioLanguagesEdit->setPlaceholderText(QStringLiteral("np. org,en,pl"));
    AudioLanguagesEdit->setToolTip(QStringLiteral("Kody języków po przecinku, po kolei; „org” to pierwsza "
                                                  "ścieżka filmu. Puste pole: ścieżka domyślna filmu."));
    form->addRow(QStringLiteral("Preferowany język dźwięku:"), AudioLanguagesEdit);
    SubtitleLanguagesEdit = new QLineEdit;
    SubtitleLanguagesEdit->setPlaceholderText(QStringLiteral("np. pl,en"));
    SubtitleLanguagesEdit->setToolTip(QStringLiteral("Napisy wbudowane w film w tym języku są wczytywane, "
                                                     "gdy nie ma pliku z napisami."));
    form->addRow(QStringLiteral("Preferowany język napisów:"), SubtitleLanguagesEdit);
    DisplayerDistanceSpin = spin(0, zv::kMaxDisplayerDistanceControl);
    form->addRow(QStringLiteral("Odległość między liniami napisów:"),
                 row({DisplayerDistanceSpin, new QLabel(QStringLiteral("pixeli"))}));
    // These three pass any integer on, as they always have.
    ShiftSpin = spin(INT_MIN, INT_MAX);
    form->addRow(QStringLiteral("Przesuwaj film strzałkami o:"),
                 row({ShiftSpin, new QLabel(QStringLiteral("sekund"))}));
    TextDelaySpin = spin(INT_MIN, INT_MAX);
    form->addRow(QStringLiteral("Ukrywaj napisy po:"),
                 row({TextDelaySpin, new QLabel(QStringLiteral("sekundach od wyświetlenia"))}));
    PanScanSpin = spin(INT_MIN, INT_MAX);
    form->addRow(QStringLiteral("Skaluj obraz do (PanScan):"), row({PanScanSpin, new QLabel(QStringLiteral("%"))}));
    AutoPlayBox = new QCheckBox(QStringLiteral("Automatycznie startuj film po wczytaniu"));
    form->addRow(AutoPlayBox);
    ChangeResBox = new QCheckBox(QStringLiteral("W trybie pełnoekranowym zmień rozdzielczość na:"));
    ResolutionBox = new QComboBox;
    form->addRow(ChangeResBox, ResolutionBox);
    AutoLoadTextBox = new QCheckBox(QStringLiteral("Spróbuj znaleźć i załadować plik z tekstem"));
    ShowTextIfAvailableBox = new QCheckBox(
        QStringLiteral("Automatycznie włącz wyświetlanie napisów jeżeli są dostępne"));
    AutoSizeBox = new QCheckBox(QStringLiteral("Dopasuj rozmiar okna programu do do rozmiaru filmu"));
    ShowFullScrCtrlsBox = new QCheckBox(QStringLiteral("Pokazuj kontrolery na pełnym ekranie"));
    SaveLoadPlaylistBox = new QCheckBox(QStringLiteral("Przywróć poprzednią playlistę przy starcie"));
    ShowTrayIconBox = new QCheckBox(QStringLiteral("Pokazuj ikonki sterujące w tray'u (na pasku zadań)"));
    for (QCheckBox *b : {AutoLoadTextBox, ShowTextIfAvailableBox, AutoSizeBox, ShowFullScrCtrlsBox,
                         SaveLoadPlaylistBox, ShowTrayIconBox})
        form->addRow(b);
    InitFullScrBox = new QCheckBox(QStringLiteral("Pełny ekran"));
    InitPanScanBox = new QCheckBox(QStringLiteral("PanScan"));
    InitAutoPanScanBox = new QCheckBox(QStringLiteral("Auto PanScan"));
    form->addRow(QStringLiteral("Przy odtwarzaniu filmu włączaj:"),
                 row({InitFullScrBox, InitPanScanBox, InitAutoPanScanBox}));
    EnableOutCtrlsBox = new QCheckBox(
        QStringLiteral("Sterowanie gdy program jest nieaktywny ( Ctrl+Shift+Z | X | C | V | B )"));
    form->addRow(EnableOutCtrlsBox);
    v->addWidget(config);
    v->addStretch(1);

    connect(BrowseButton, &QPushButton::clicked, this, [this] {
        const QString dir = pickFolder(this, AutoLoadDirEdit->text());
        if (!dir.isEmpty())
            AutoLoadDirEdit->setText(dir);
    });
    return page;
}

QWidget *TForm2::buildShiftPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    OffsetEnabledBox = new QCheckBox(QStringLiteral("Przesuwaj napisy względem filmu"));
    v->addWidget(OffsetEnabledBox);

    ShiftPages = new QTabWidget;
    auto *plain = new QWidget;
    auto *pv = new QVBoxLayout(plain);
    PlainTimeEdit = new QTimeEdit;
    PlainTimeEdit->setDisplayFormat(QStringLiteral("H:mm:ss"));
    auto *plainLabel = new QLabel(QStringLiteral("Wyswietlaj napisy o:"));
    auto *secondsLabel = new QLabel(QStringLiteral("sekund"));
    plainLabels_ = {plainLabel, secondsLabel};
    pv->addWidget(row({plainLabel, PlainTimeEdit, secondsLabel}));
    EarlierRadio = new QRadioButton(QStringLiteral("wcześniej"));
    LaterRadio = new QRadioButton(QStringLiteral("póżniej"));
    EarlierRadio->setChecked(true);
    pv->addWidget(row({EarlierRadio, LaterRadio}));
    pv->addStretch(1);
    ShiftPages->addTab(plain, QStringLiteral("Zwykłe"));

    auto *wizard = new QWidget;
    auto *wv = new QVBoxLayout(wizard);
    auto panel = [](QTimeEdit *&time, QPushButton *&now, QListWidget *&list, QList<QWidget *> &labels) {
        auto *w = new QWidget;
        auto *l = new QVBoxLayout(w);
        l->setContentsMargins(0, 0, 0, 0);
        time = new QTimeEdit;
        time->setDisplayFormat(QStringLiteral("H:mm:ss"));
        now = new QPushButton(QStringLiteral("Teraz..."));
        auto *at = new QLabel(QStringLiteral("W czasie:"));
        auto *show = new QLabel(QStringLiteral("wyświetlaj napis:"));
        labels = {at, show};
        l->addWidget(row({at, time, now}));
        l->addWidget(show);
        list = new QListWidget;
        fitRowsToFont(list);
        l->addWidget(list);
        return w;
    };
    auto *panels = new QHBoxLayout;
    panels->addWidget(panel(TimeEditA, NowButtonA, ListA, pointALabels_));
    panels->addWidget(panel(TimeEditB, NowButtonB, ListB, pointBLabels_));
    wv->addLayout(panels);
    TwoPointsBox = new QCheckBox(QStringLiteral("Tekst nie jest przesunięty jednakowo na całej długości filmu"));
    wv->addWidget(TwoPointsBox);
    ShiftPages->addTab(wizard, QStringLiteral("Kreator"));
    v->addWidget(ShiftPages);

    SaveTextButton = new QPushButton(QStringLiteral("Zapisz tekst jako..."));
    SaveFormatBox = new QComboBox;
    SaveFormatBox->addItems({QStringLiteral("TMP   -   h:mm:ss:Text"),
                             QStringLiteral("MDVD   -   {Start}{}Text"),
                             QStringLiteral("LRC   -   [mm:ss]Text")});
    v->addWidget(row({SaveTextButton, SaveFormatBox}));
    SaveNote = new QLabel;
    SaveNote->setWordWrap(true);
    v->addWidget(SaveNote);
    SyncButton = new QPushButton(QStringLiteral("Synchronizuj automatycznie"));
    SyncNote = new QLabel(QStringLiteral("Przesunięcie ustaliła synchronizacja automatyczna; zmiana ustawień "
                                         "powyżej je zastąpi."));
    SyncNote->setWordWrap(true);
    SyncNote->hide();
    v->addWidget(row({SyncButton}));
    v->addWidget(SyncNote);
    CheckSyncBox = new QCheckBox(QStringLiteral("Sprawdzaj synchronizację napisów przy otwieraniu"));
    v->addWidget(CheckSyncBox);
    connect(SyncButton, &QPushButton::clicked, this, &TForm2::syncRequested);
    // Only the user's own changes to the shift replace the synchronisation's map; filling the
    // page does not.
    const auto dropSyncShift = [this] {
        values_.syncShift = false;
        SyncNote->hide();
    };
    const auto dropOnUserEdit = [this, dropSyncShift](QWidget *w) {
        return [w, dropSyncShift] {
            if (w->hasFocus())
                dropSyncShift();
        };
    };
    connect(PlainTimeEdit, &QTimeEdit::timeChanged, this, dropOnUserEdit(PlainTimeEdit));
    connect(TimeEditA, &QTimeEdit::timeChanged, this, dropOnUserEdit(TimeEditA));
    connect(TimeEditB, &QTimeEdit::timeChanged, this, dropOnUserEdit(TimeEditB));
    for (QAbstractButton *b : std::initializer_list<QAbstractButton *>{EarlierRadio, LaterRadio, TwoPointsBox,
                                                                      NowButtonA, NowButtonB})
        connect(b, &QAbstractButton::clicked, this, dropSyncShift);
    connect(ListA, &QListWidget::itemClicked, this, dropSyncShift);
    connect(ListB, &QListWidget::itemClicked, this, dropSyncShift);
    connect(ShiftPages, &QTabWidget::tabBarClicked, this, dropSyncShift);

    alert = [](QWidget *p, const QString &title, const QString &text) {
        QMessageBox::critical(p, title, text);
    };
    pickSaveFile = [](QWidget *p, const QString &proposed) {
        QFileDialog d(p);
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setNameFilters({QStringLiteral("Pliki tekstowe [*.txt] (*.txt)"),
                          QStringLiteral("Wszytskie pliki [*.*] (*)")});
        d.setDefaultSuffix(QStringLiteral("txt"));
        if (!proposed.isEmpty())
            d.selectFile(proposed);
        return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                              : QString();
    };
    currentPosition = [] { return 0.0; };
    hasTimeTable = [this] { return ListA->count() > 0; };

    connect(OffsetEnabledBox, &QCheckBox::toggled, this, &TForm2::updateShiftEnabling);
    connect(TwoPointsBox, &QCheckBox::toggled, this, &TForm2::updateShiftEnabling);
    connect(ShiftPages, &QTabWidget::currentChanged, this, &TForm2::ShiftPagesChange);
    // "Teraz...": the film's position in whole seconds, truncated.
    const std::pair<QPushButton *, QTimeEdit *> nows[] = {{NowButtonA, TimeEditA}, {NowButtonB, TimeEditB}};
    for (const auto &now : nows) {
        QTimeEdit *edit = now.second; // a plain variable: clang cannot capture a structured binding
        connect(now.first, &QPushButton::clicked, this, [this, edit] {
            const double p = currentPosition ? currentPosition() : 0.0;
            edit->setTime(timeOfSeconds(p > 0 && p < 86400.0 ? int(p) : 0));
        });
    }
    connect(ListA, &QListWidget::currentRowChanged, this, &TForm2::followListA);
    connect(TimeEditA, &QTimeEdit::timeChanged, this, &TForm2::followListA);
    for (QListWidget *list : {ListA, ListB}) {
        connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem *item) {
            emit seekToLineRequested(list->row(item));
        });
    }
    connect(SaveTextButton, &QPushButton::clicked, this, &TForm2::saveTextRequested);
    updateShiftEnabling();
    markShiftPage(ShiftPages->currentIndex());
    return page;
}

void TForm2::ShiftPagesChange(int index)
{
    if (index == 1 && !(hasTimeTable && hasTimeTable())) {
        {
            const QSignalBlocker block(ShiftPages);
            ShiftPages->setCurrentIndex(0);
        }
        markShiftPage(0);
        if (alert)
            alert(this, QStringLiteral("Zentavista"),
                  QStringLiteral("Aby skorzystać z kreatora musisz najpierw załadować tekst."));
        return;
    }
    markShiftPage(index);
}

void TForm2::markShiftPage(int index)
{
    // The tab icons mark the active sub-page.
    const QIcon mark = style()->standardIcon(QStyle::SP_ArrowRight);
    for (int i = 0; i < ShiftPages->count(); ++i)
        ShiftPages->setTabIcon(i, i == index ? mark : QIcon());
}

void TForm2::followListA()
{
    // One reference point: the second panel mirrors the first.
    if (TwoPointsBox->isChecked())
        return;
    const QSignalBlocker block(ListB);
    if (ListA->currentRow() >= 0 && ListA->currentRow() < ListB->count())
        ListB->setCurrentRow(ListA->currentRow());
    TimeEditB->setTime(TimeEditA->time());
}

void TForm2::clearTimeLists()
{
    ListA->clear();
    ListB->clear();
}

void TForm2::setSaveNote(const QString &text)
{
    SaveNote->setText(text);
}

QWidget *TForm2::buildFileTypesPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *group = new QGroupBox(QStringLiteral("Powiązane rozszerzenia"));
    auto *g = new QHBoxLayout(group);
    FileTypesList = new QListWidget;
    fitRowsToFont(FileTypesList);
    // Selection is the check mark: associate this extension.
    FileTypesList->setSelectionMode(QAbstractItemView::MultiSelection);
    g->addWidget(FileTypesList, 1);
    auto *side = new QVBoxLayout;
    ExtensionEdit = new QLineEdit;
    ExtensionEdit->setMaxLength(64);
    AddButton = new QPushButton(QStringLiteral("Dodaj..."));
    UnmarkAllButton = new QPushButton(QStringLiteral("Odznacz wszystko"));
    MarkAllButton = new QPushButton(QStringLiteral("Zaznacz wszystko"));
    MarkAssociatedButton = new QPushButton(QStringLiteral("Zaznacz skojarzone"));
    RemoveMarkedButton = new QPushButton(QStringLiteral("Usuń zaznaczone"));
    side->addWidget(ExtensionEdit);
    for (QPushButton *b : {AddButton, UnmarkAllButton, MarkAllButton, MarkAssociatedButton, RemoveMarkedButton})
        side->addWidget(b);
    side->addStretch(1);
    g->addLayout(side);
    v->addWidget(group);
    FileTypesLimitNote = new QLabel;
    FileTypesLimitNote->setWordWrap(true);
    FileTypesLimitNote->hide();
    v->addWidget(FileTypesLimitNote);
    FileTypesNote = new QLabel;
    FileTypesNote->setWordWrap(true);
    v->addWidget(FileTypesNote);
    auto *note = new QLabel(
        QStringLiteral("Uwaga: Program przywraca skojarzenie z poprzednim programem po odznaczeniu pozycji."));
    note->setWordWrap(true);
    v->addWidget(note);

    connect(AddButton, &QPushButton::clicked, this, &TForm2::addExtension);
    connect(ExtensionEdit, &QLineEdit::returnPressed, this, &TForm2::addExtension);
    connect(UnmarkAllButton, &QPushButton::clicked, FileTypesList, &QListWidget::clearSelection);
    connect(MarkAllButton, &QPushButton::clicked, FileTypesList, &QListWidget::selectAll);
    connect(RemoveMarkedButton, &QPushButton::clicked, this, &TForm2::removeMarked);
    return page;
}

QWidget *TForm2::buildEditorPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *settings = new QGroupBox(QStringLiteral("Ustawienia"));
    auto *form = new QFormLayout(settings);
    TimeSourceBox = new QComboBox;
    TimeSourceBox->addItems({QStringLiteral("Zentavista (domyślnie)"), QStringLiteral("Winamp")});
    form->addRow(QStringLiteral("Źródło czasu:"), TimeSourceBox);
    TimeFormatBox = new QComboBox;
    TimeFormatBox->addItems({QStringLiteral("TMP - h:mm:ss:"), QStringLiteral("LRC - [mm:ss]")});
    form->addRow(QStringLiteral("Format czasu:"), TimeFormatBox);
    v->addWidget(settings);

    auto *look = new QGroupBox(QStringLiteral("Wygląd"));
    auto *lv = new QVBoxLayout(look);
    EditorFontButton = new QPushButton(QStringLiteral("Czcionka"));
    EditorColorButton = new QPushButton(QStringLiteral("Kolor tekstu..."));
    EditorBackgroundButton = new QPushButton(QStringLiteral("Tło..."));
    lv->addWidget(row({EditorFontButton, EditorColorButton, EditorBackgroundButton}));
    EditorSample = new QPlainTextEdit;
    EditorSample->setReadOnly(true);
    EditorSample->setPlainText(QStringLiteral("0:00:00:Pierwsza linia tekstu\n"
                                              "0:00:01:Druga linia tekstu\n"
                                              "0:00:02:Trzecia linia tekstu\n"
                                              "0:00:03:Czwarta linia tekstu\n"
                                              "0:00:04:Piąta linia tekstu"));
    lv->addWidget(EditorSample);
    v->addWidget(look);

    connect(EditorFontButton, &QPushButton::clicked, this, &TForm2::chooseEditorFont);
    connect(EditorColorButton, &QPushButton::clicked, this,
            [this] { chooseColor(&zv::OptionsControls::TEFontColor); });
    connect(EditorBackgroundButton, &QPushButton::clicked, this,
            [this] { chooseColor(&zv::OptionsControls::TEBackGround); });
    return page;
}

void TForm2::setResolutionList(const QStringList &modes)
{
    const int keep = ResolutionBox->currentIndex();
    ResolutionBox->clear();
    ResolutionBox->addItems(modes);
    ResolutionBox->setCurrentIndex(keep < modes.size() ? keep : -1);
}

void TForm2::setControls(const zv::OptionsControls &c)
{
    values_ = c;
    DisplayModeBox->setCurrentIndex(c.DisplayMode);
    BackgroundButton->setEnabled(c.DisplayMode == 0);
    DecFontSizeBox->setChecked(c.DecFontSize);
    TextWrapBox->setChecked(c.TextWrap);
    ShowShadowBox->setChecked(c.ShowShadow);
    ShadowDistanceSpin->setValue(c.ShadowDistance);
    ShadowModeBox->setCurrentIndex(c.ShadowMode);
    ShadowHiQualityBox->setChecked(c.ShadowHiQuality);

    AutoLoadDirEdit->setText(c.AutoLoadtextDir);
    AudioLanguagesEdit->setText(c.PreferredAudioLanguages);
    SubtitleLanguagesEdit->setText(c.PreferredSubtitleLanguages);
    DisplayerDistanceSpin->setValue(c.DisplayerDistance);
    ShiftSpin->setValue(c.Shift);
    TextDelaySpin->setValue(c.TextDelay);
    PanScanSpin->setValue(c.PanScanValue);
    AutoPlayBox->setChecked(c.AutoPlay);
    ChangeResBox->setChecked(c.ChangeFullScrRes);
    ResolutionBox->setCurrentIndex(c.FullScrResIndex < ResolutionBox->count() ? c.FullScrResIndex : -1);
    const std::pair<QCheckBox *, bool> boxes[] = {
        {AutoLoadTextBox, c.AutoLoadText}, {ShowTextIfAvailableBox, c.ShowTextIfAvailable},
        {AutoSizeBox, c.AutoSize}, {ShowFullScrCtrlsBox, c.ShowFullScrCtrls},
        {SaveLoadPlaylistBox, c.SaveLoadPlaylist}, {ShowTrayIconBox, c.ShowTrayIcon},
        {InitFullScrBox, c.InitFullScr}, {InitPanScanBox, c.InitPanScan},
        {InitAutoPanScanBox, c.InitAutoPanScan}, {EnableOutCtrlsBox, c.EnableOutCtrls},
        {OffsetEnabledBox, c.OffsetEnabled}, {TwoPointsBox, c.TwoPoints}};
    for (const auto &[box, on] : boxes)
        box->setChecked(on);

    PlainTimeEdit->setTime(timeOfSeconds(c.plainSeconds));
    (c.plainLater ? LaterRadio : EarlierRadio)->setChecked(true);
    {
        // The remembered sub-page is shown as it was, refused or not.
        const QSignalBlocker block(ShiftPages);
        ShiftPages->setCurrentIndex(c.page == zv::ShiftPage::Wizard ? 1 : 0);
    }
    markShiftPage(ShiftPages->currentIndex());
    {
        const QSignalBlocker blockA(TimeEditA);
        TimeEditA->setTime(timeOfSeconds(c.wizardSecondsA));
    }
    TimeEditB->setTime(timeOfSeconds(c.wizardSecondsB));
    SaveFormatBox->setCurrentIndex(c.SaveTextFormat);
    CheckSyncBox->setChecked(c.CheckSubtitleSync);
    SyncNote->setVisible(c.syncShift && c.OffsetEnabled);
    updateShiftEnabling();

    FileTypesList->clear();
    fileTypesListed_ = false;
    if (isVisible())
        listFileTypes();

    TimeSourceBox->setCurrentIndex(c.TETimeSuorceIndex);
    TimeFormatBox->setCurrentIndex(c.TETimeFormatIndex);
    updateSample();
    updateEditorSample();
}

zv::OptionsControls TForm2::controls() const
{
    zv::OptionsControls c = values_;
    c.DisplayMode = DisplayModeBox->currentIndex();
    c.DecFontSize = DecFontSizeBox->isChecked();
    c.TextWrap = TextWrapBox->isChecked();
    c.ShowShadow = ShowShadowBox->isChecked();
    c.ShadowDistance = ShadowDistanceSpin->value();
    c.ShadowMode = ShadowModeBox->currentIndex();
    c.ShadowHiQuality = ShadowHiQualityBox->isChecked();

    c.AutoLoadtextDir = AutoLoadDirEdit->text();
    c.PreferredAudioLanguages = AudioLanguagesEdit->text();
    c.PreferredSubtitleLanguages = SubtitleLanguagesEdit->text();
    c.DisplayerDistance = DisplayerDistanceSpin->value();
    c.Shift = ShiftSpin->value();
    c.TextDelay = TextDelaySpin->value();
    c.PanScanValue = PanScanSpin->value();
    c.AutoPlay = AutoPlayBox->isChecked();
    c.ChangeFullScrRes = ChangeResBox->isChecked();
    c.FullScrResIndex = ResolutionBox->currentIndex();
    c.AutoLoadText = AutoLoadTextBox->isChecked();
    c.ShowTextIfAvailable = ShowTextIfAvailableBox->isChecked();
    c.AutoSize = AutoSizeBox->isChecked();
    c.ShowFullScrCtrls = ShowFullScrCtrlsBox->isChecked();
    c.SaveLoadPlaylist = SaveLoadPlaylistBox->isChecked();
    c.ShowTrayIcon = ShowTrayIconBox->isChecked();
    c.InitFullScr = InitFullScrBox->isChecked();
    c.InitPanScan = InitPanScanBox->isChecked();
    c.InitAutoPanScan = InitAutoPanScanBox->isChecked();
    c.EnableOutCtrls = EnableOutCtrlsBox->isChecked();

    c.OffsetEnabled = OffsetEnabledBox->isChecked();
    c.page = ShiftPages->currentIndex() == 1 ? zv::ShiftPage::Wizard : zv::ShiftPage::Plain;
    c.plainSeconds = secondsOfTime(PlainTimeEdit->time());
    c.plainLater = LaterRadio->isChecked();
    c.TwoPoints = TwoPointsBox->isChecked();
    c.wizardSecondsA = secondsOfTime(TimeEditA->time());
    c.wizardSecondsB = secondsOfTime(TimeEditB->time());
    // An empty list keeps the remembered place (the lists are emptied when the dialog closes).
    if (ListA->count() > 0) {
        c.listASelected = ListA->currentRow();
        c.listATop = ListA->verticalScrollBar()->value();
    }
    if (ListB->count() > 0) {
        c.listBSelected = ListB->currentRow();
        c.listBTop = ListB->verticalScrollBar()->value();
    }
    c.SaveTextFormat = SaveFormatBox->currentIndex();
    c.CheckSubtitleSync = CheckSyncBox->isChecked();

    if (fileTypesListed_)
        c.fileTypes = listedFileTypes();

    c.TETimeSuorceIndex = TimeSourceBox->currentIndex();
    c.TETimeFormatIndex = TimeFormatBox->currentIndex();
    return c;
}

void TForm2::setAssociationMarks(const QList<bool> &marks)
{
    if (!fileTypesListed_) {
        for (qsizetype i = 0; i < values_.fileTypes.size(); ++i)
            values_.fileTypes[i].marked = i < marks.size() && marks[i];
        return;
    }
    // One selection of runs: marking row by row costs a merge with every run before it.
    QAbstractItemModel *model = FileTypesList->model();
    QItemSelection selection;
    const int count = FileTypesList->count();
    int runStart = -1;
    for (int i = 0; i <= count; ++i) {
        const bool marked = i < count && i < marks.size() && marks[i];
        if (marked && runStart < 0)
            runStart = i;
        if (!marked && runStart >= 0) {
            selection.select(model->index(runStart, 0), model->index(i - 1, 0));
            runStart = -1;
        }
    }
    FileTypesList->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void TForm2::listFileTypes()
{
    fileTypesListed_ = true;
    FileTypesList->setUpdatesEnabled(false);
    FileTypesList->clear();
    QStringList texts;
    texts.reserve(values_.fileTypes.size());
    for (const zv::FileTypeEntry &e : values_.fileTypes)
        texts.append(zv::shownExtension(e.extension));
    FileTypesList->addItems(texts);
    QList<bool> marks;
    marks.reserve(values_.fileTypes.size());
    for (int i = 0; i < values_.fileTypes.size(); ++i) {
        const zv::FileTypeEntry &e = values_.fileTypes[i];
        if (texts[i] != e.extension) {
            // Shortened on screen; the entry itself is kept whole.
            FileTypesList->item(i)->setData(Qt::UserRole, e.extension);
        }
        marks.append(e.marked);
    }
    setAssociationMarks(marks);
    FileTypesList->setUpdatesEnabled(true);

    const qsizetype hidden = zv::fileTypesCount(values_.fileTypesRest);
    FileTypesLimitNote->setText(
        hidden == 0 ? QString()
                    : QStringLiteral("Lista rozszerzeń jest za długa: pokazano pierwsze %1 z %2 pozycji. "
                                     "Pozostałe zostają zapisane bez zmian i nie są kojarzone z programem.")
                          .arg(values_.fileTypes.size())
                          .arg(values_.fileTypes.size() + hidden));
    FileTypesLimitNote->setVisible(hidden != 0);
}

QList<zv::FileTypeEntry> TForm2::listedFileTypes() const
{
    const int count = FileTypesList->count();
    QList<bool> marks(count, false);
    for (const QModelIndex &i : FileTypesList->selectionModel()->selectedIndexes())
        if (i.row() >= 0 && i.row() < count)
            marks[i.row()] = true;
    QList<zv::FileTypeEntry> out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QListWidgetItem *item = FileTypesList->item(i);
        const QVariant whole = item->data(Qt::UserRole);
        out.append({whole.isValid() ? whole.toString() : item->text(), marks[i]});
    }
    return out;
}

void TForm2::setUnknownFileTypes(const QStringList &extensions)
{
    // A damaged list may hold thousands, or one of a megabyte: the note names a few, shortened.
    constexpr qsizetype kNamed = 20;
    QStringList named;
    for (qsizetype i = 0; i < qMin(extensions.size(), kNamed); ++i)
        named.append(zv::shownExtension(extensions[i]));
    QString list = named.join(QStringLiteral(", "));
    if (extensions.size() > kNamed)
        list += QStringLiteral(" i %1 innych").arg(extensions.size() - kNamed);
    FileTypesNote->setText(
        extensions.isEmpty()
            ? QString()
            : QStringLiteral("System nie zna typu plików: %1. Tych rozszerzeń nie można skojarzyć.").arg(list));
}

void TForm2::setTimeList(const QStringList &lines)
{
    const std::pair<QListWidget *, std::pair<int, int>> lists[] = {
        {ListA, {values_.listASelected, values_.listATop}},
        {ListB, {values_.listBSelected, values_.listBTop}}};
    for (const auto &[list, place] : lists) {
        const QSignalBlocker block(list);
        list->clear();
        list->addItems(lines);
        if (place.first >= 0 && place.first < list->count())
            list->setCurrentRow(place.first);
        list->verticalScrollBar()->setValue(place.second);
    }
}

void TForm2::showEvent(QShowEvent *event)
{
    if (!fileTypesListed_)
        listFileTypes();
    QDialog::showEvent(event);
}

void TForm2::hideEvent(QHideEvent *event)
{
    // Closing by any means empties the reference-point lists; they are filled again on showing.
    ListA->clear();
    ListB->clear();
    QDialog::hideEvent(event);
}

void TForm2::updateShiftEnabling()
{
    const bool on = OffsetEnabledBox->isChecked();
    QList<QWidget *> first = {PlainTimeEdit, EarlierRadio, LaterRadio, TimeEditA, NowButtonA, ListA, TwoPointsBox};
    first << plainLabels_ << pointALabels_;
    for (QWidget *w : first)
        w->setEnabled(on);
    const bool second = on && TwoPointsBox->isChecked();
    QList<QWidget *> rest = {TimeEditB, NowButtonB, ListB};
    rest << pointBLabels_;
    for (QWidget *w : rest)
        w->setEnabled(second);
}

void TForm2::updateSample()
{
    zv::Settings look;
    const zv::OptionsControls c = controls();
    look.FontName = c.FontName;
    look.FontSize = c.FontSize;
    look.FontColor = c.FontColor;
    look.FontStyle = c.FontStyle;
    look.BackGroundColor = c.BackGroundColor;
    look.DisplayMode = qMax(0, c.DisplayMode);
    look.ShowShadow = c.ShowShadow;
    look.ShadowMode = qMax(0, c.ShadowMode);
    look.ShadowDistance = c.ShadowDistance;
    look.ShadowColor = c.ShadowColor;
    look.ShadowHiQuality = c.ShadowHiQuality;
    look.DecFontSize = c.DecFontSize;
    look.TextWrap = c.TextWrap;
    SamplePanel->setLook(look);
    QPalette pal = ShadowColorPanel->palette();
    pal.setColor(QPalette::Window, zv::colorFromBgr(c.ShadowColor));
    ShadowColorPanel->setPalette(pal);
}

void TForm2::updateEditorSample()
{
    EditorSample->setFont(fontOf(values_.TEFontName, values_.TEFontSize, values_.TEFontStyle));
    QPalette pal = EditorSample->palette();
    pal.setColor(QPalette::Base, zv::colorFromBgr(values_.TEBackGround));
    pal.setColor(QPalette::Text, zv::colorFromBgr(values_.TEFontColor));
    EditorSample->setPalette(pal);
    EditorSample->viewport()->update();
}

void TForm2::chooseFont()
{
    const std::optional<QFont> f =
        pickFont(this, fontOf(values_.FontName, values_.FontSize, values_.FontStyle));
    if (!f)
        return;
    values_.FontName = chosenFamily(values_.FontName, *f);
    if (f->pointSize() > 0)
        values_.FontSize = f->pointSize();
    values_.FontStyle = styleOf(*f);
    updateSample();
}

void TForm2::chooseEditorFont()
{
    const std::optional<QFont> f =
        pickFont(this, fontOf(values_.TEFontName, values_.TEFontSize, values_.TEFontStyle));
    if (!f)
        return;
    values_.TEFontName = chosenFamily(values_.TEFontName, *f);
    if (f->pointSize() > 0)
        values_.TEFontSize = f->pointSize();
    values_.TEFontStyle = styleOf(*f);
    updateEditorSample();
}

void TForm2::chooseColor(quint32 zv::OptionsControls::*field)
{
    const std::optional<QColor> c = pickColor(this, zv::colorFromBgr(values_.*field));
    if (!c)
        return;
    values_.*field = bgrOf(*c);
    updateSample();
    updateEditorSample();
}

void TForm2::addExtension()
{
    QString why;
    const std::optional<QString> e = zv::extensionToAdd(ExtensionEdit->text(), controls().fileTypes, &why);
    if (!why.isEmpty()) {
        FileTypesNote->setText(why);
        return;
    }
    if (!e)
        return;
    new QListWidgetItem(*e, FileTypesList);
    ExtensionEdit->clear();
}

void TForm2::removeMarked()
{
    if (FileTypesList->selectedItems().isEmpty()
        || !confirm(this, QStringLiteral("Czy na pewno chcesz usunąć zaznaczone pozycje?")))
        return;
    for (int i = FileTypesList->count() - 1; i >= 0; --i)
        if (FileTypesList->item(i)->isSelected())
            delete FileTypesList->takeItem(i);
}
