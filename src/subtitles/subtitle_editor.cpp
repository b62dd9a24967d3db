#include "subtitles/subtitle_editor.h"

#include "core/common/atomic_file.h"
#include "shell/drop_target.h"
#include "subtitles/mpris_position.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

#include <cmath>

namespace {

const QString kTitle = QStringLiteral("Edytor napisów");
const QString kFilter = QStringLiteral("Pliki tekstowe [*.txt] (*.txt);;Wszytskie pliki [*.*] (*)");

} // namespace

TForm12::TForm12(QWidget *parent) : QMainWindow(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(kTitle);
    resize(340, 272);

    TE = new QPlainTextEdit(this);
    TE->setObjectName(QStringLiteral("TE"));
    TE->setLineWrapMode(QPlainTextEdit::NoWrap);
    TE->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TE->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCentralWidget(TE);
    TE->installEventFilter(this);
    TE->viewport()->installEventFilter(this);
    zv::registerDropTarget(TE, this, &TForm12::OnTEFMDragDrop);

    StatusPanel1 = new QLabel(this);
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setMinimumWidth(60);
    StatusPanel2 = new QLabel(this);
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    StatusPanel2->setMinimumWidth(50);
    statusBar()->addWidget(StatusPanel1);
    statusBar()->addWidget(StatusPanel2, 1);
    statusBar()->setSizeGripEnabled(true);

    auto item = [this](const char *name, const QString &text, auto handler) {
        auto *a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    Nowy1 = item("Nowy1", QStringLiteral("Nowy"), [this] { NowyClick(); });
    Otworz1 = item("Otworz1", QStringLiteral("Otwórz..."), [this] { OtworzClick(); });
    Zaladujedytowany1 = item("Zaladujedytowany1", QStringLiteral("Załaduj edytowany plik..."),
                             [this] { ZaladujEdytowanyClick(); });
    Zapisz1 = item("Zapisz1", QStringLiteral("Zapisz"), [this] { ZapiszClick(); });
    Zapiszjako1 = item("Zapiszjako1", QStringLiteral("Zapisz jako..."), [this] { ZapiszJakoClick(); });
    Zamknij1 = item("Zamknij1", QStringLiteral("Zamknij"), [this] { close(); });
    Wstawiajczas1 = item("Wstawiajczas1", QStringLiteral("Wstawiaj czas"), [this](bool on) {
        setMode(zv::editor::ModeItem::InsertTime, on);
    });
    Usunpoprzedniczas1 = item("Usunpoprzedniczas1", QStringLiteral("Usuń poprzedni czas"), [this](bool on) {
        setMode(zv::editor::ModeItem::RemovePrevious, on);
    });
    Trybpisania1 = item("Trybpisania1", QStringLiteral("Tryb pisania tekstów"), [this](bool on) {
        setMode(zv::editor::ModeItem::WritingMode, on);
    });
    for (QAction *a : {Wstawiajczas1, Usunpoprzedniczas1, Trybpisania1})
        a->setCheckable(true);
    Opcje1 = item("Opcje1", QStringLiteral("Opcje..."), [this] {
        if (player_.showOptions)
            player_.showOptions();
    });
    Skoczdopliku1 = item("Skoczdopliku1", QStringLiteral("Skocz do pliku z napisami..."), [this] {
        if (player_.findSubtitleFile)
            player_.findSubtitleFile();
    });

    QMenu *file = menuBar()->addMenu(QStringLiteral("Plik"));
    file->addActions({Nowy1, Otworz1, Zaladujedytowany1, Zapisz1, Zapiszjako1});
    file->addSeparator();
    file->addAction(Zamknij1);
    menuBar()->addMenu(QStringLiteral("Format"))->addActions({Wstawiajczas1, Usunpoprzedniczas1, Trybpisania1});
    menuBar()->addMenu(QStringLiteral("Narzędzia"))->addActions({Opcje1, Skoczdopliku1});

    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    const struct {
        QAction *action;
        QStyle::StandardPixmap icon;
        const char *hint;
    } buttons[] = {
        {Nowy1, QStyle::SP_FileIcon, "Nowy"},
        {Otworz1, QStyle::SP_DialogOpenButton, "Otwórz..."},
        {Zaladujedytowany1, QStyle::SP_ArrowLeft, "Załaduj edytowany plik..."},
        {Zapisz1, QStyle::SP_DialogSaveButton, "Zapisz"},
        {Opcje1, QStyle::SP_FileDialogDetailedView, "Opcje..."},
        {Wstawiajczas1, QStyle::SP_BrowserReload, "Wstawiaj czas"},
        {Usunpoprzedniczas1, QStyle::SP_DialogResetButton, "Usuń poprzedni czas"},
        {Trybpisania1, QStyle::SP_FileDialogContentsView, "Tryb pisania napisów"},
    };
    for (const auto &b : buttons) {
        b.action->setIcon(style()->standardIcon(b.icon));
        b.action->setToolTip(QString::fromUtf8(b.hint));
        ToolBar1->addAction(b.action);
        if (b.action == Opcje1)
            ToolBar1->addSeparator();
    }

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm12::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(200);
    connect(Timer2, &QTimer::timeout, this, &TForm12::Timer2Timer);

    mpris_ = new zv::MprisPositionSource(this);
    connect(mpris_, &zv::MprisPositionSource::answered, this, [this](qint64 us) {
        // The source may have changed while the bus was asked.
        if (player_.timeSource && player_.timeSource() == 1) {
            stamp_ = zv::editor::timeStampFromMicroseconds(us, player_.timeFormat ? player_.timeFormat() : 0);
            StatusPanel1->setText(stamp_);
        }
    });

    connect(TE, &QPlainTextEdit::cursorPositionChanged, this, &TForm12::UstawStatus);
    connect(TE, &QPlainTextEdit::textChanged, this, &TForm12::UstawStatus);
    OptionsApplied();
    UstawStatus();
}

// ---- documents ---------------------------------------------------------------------------------

void TForm12::say(const QString &title, const QString &text, QMessageBox::Icon icon)
{
    if (message) {
        message(title, text, icon);
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.exec();
}

bool TForm12::askAboutUnsaved()
{
    if (!TE->document()->isModified())
        return true;
    const QString name = EditedFile.isEmpty() ? QStringLiteral("nowym pliku") : QFileInfo(EditedFile).fileName();
    const QString text = QStringLiteral("Tekst w edytorze napisów (%1) nie został zapisany.\nZapisać zmiany?").arg(name);
    const QMessageBox::StandardButton answer = askSave
        ? askSave(this, text)
        : QMessageBox::question(this, QStringLiteral("Zentavista"), text,
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return ZapiszClick();
    return answer == QMessageBox::Discard;
}

void TForm12::setEdited(const QString &path)
{
    EditedFile = path;
    setWindowTitle(path.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + QFileInfo(path).fileName());
}

std::optional<zv::DecodedText> TForm12::readForEditing(const QString &path, QString *reason,
                                                        QByteArray *bytesRead) const
{
    QFile file(path);
    // Only regular files: a pipe or a device would never end.
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *reason = QStringLiteral("Nie można otworzyć pliku:\n%1").arg(path);
        return std::nullopt;
    }
    if (file.size() > kMaxFileBytes) {
        *reason = QStringLiteral("Plik jest za duży dla edytora napisów (więcej niż %1 MB):\n%2")
                      .arg(kMaxFileBytes / (1024 * 1024)).arg(path);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *reason = QStringLiteral("Nie można odczytać pliku:\n%1").arg(path);
        return std::nullopt;
    }
    *bytesRead = bytes;
    zv::DecodedText decoded = zv::decodeTextKeepingBytes(bytes);
    qsizetype lineStart = 0;
    const QString &text = decoded.text;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n' || text[i] == u'\r') {
            if (i - lineStart > kMaxLineChars) {
                *reason = QStringLiteral("Plik ma wiersze dłuższe niż %1 znaków i nie nadaje się do edycji:\n%2")
                              .arg(kMaxLineChars).arg(path);
                return std::nullopt;
            }
            lineStart = i + 1;
        }
    }
    return decoded;
}

bool TForm12::LoadTxtToEdit(const QString &path)
{
    return load(path, false);
}

bool TForm12::load(const QString &path, bool quiet)
{
    QString reason;
    QByteArray bytes;
    const std::optional<zv::DecodedText> decoded = readForEditing(path, &reason, &bytes);
    if (!decoded) {
        if (!quiet)
            say(QStringLiteral("Błąd"), reason, QMessageBox::Warning);
        return false;
    }
    if (!askAboutUnsaved())
        return false;
    deferredLoad_.clear();
    QString text = decoded->text;
    const bool crlf = text.contains(QStringLiteral("\r\n")) || !text.contains(u'\n');
    lineBreak_ = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    finalLineBreak_ = text.endsWith(u'\n') || text.endsWith(u'\r');
    text = zv::splitLines(text).join(u'\n');
    encoding_ = decoded->encoding;
    TE->setPlainText(text);
    TE->document()->setModified(false);
    StampPending = false;
    setEdited(path);
    rememberDisk(bytes);
    return true;
}

void TForm12::PlayerLoaded(const QString &path)
{
    // Laying out a long text costs many times the player's own load, so a hidden editor with
    // nothing unsaved takes the file when it is next shown; unsaved text is asked about now.
    if (!isVisible() && !TE->document()->isModified()) {
        deferredLoad_ = path;
        return;
    }
    deferredLoad_.clear();
    // The player has reported its own problems with the file; the editor adds no box of its own.
    load(path, true);
}

bool TForm12::NowyClick()
{
    if (!askAboutUnsaved())
        return false;
    deferredLoad_.clear();
    TE->clear();
    TE->document()->setModified(false);
    encoding_ = zv::TextEncoding::Utf8;
    lineBreak_ = QStringLiteral("\r\n");
    finalLineBreak_ = true;
    StampPending = false;
    setEdited(QString());
    diskSize_ = -1;
    diskDigest_.clear();
    return true;
}

void TForm12::OtworzClick()
{
    const QString start = EditedFile.isEmpty() ? QString() : QFileInfo(EditedFile).path();
    const QString path = pickOpenFile
        ? pickOpenFile(this, start)
        : QFileDialog::getOpenFileName(this, QString(), start, kFilter);
    if (!path.isEmpty())
        LoadTxtToEdit(path);
}

void TForm12::ZaladujEdytowanyClick()
{
    if (EditedFile.isEmpty()) {
        say(QStringLiteral("Zentavista"), QStringLiteral("Najpierw musisz zapisać plik z napisami."),
            QMessageBox::Warning);
        return;
    }
    if (player_.loadSubtitles)
        player_.loadSubtitles(EditedFile);
}

bool TForm12::confirm(const QString &text)
{
    const QMessageBox::StandardButton answer = askSaveAnyway
        ? askSaveAnyway(this, text)
        : QMessageBox::warning(this, QStringLiteral("Zentavista"), text, QMessageBox::Yes | QMessageBox::Cancel,
                               QMessageBox::Cancel);
    return answer == QMessageBox::Yes;
}

QString TForm12::editedText() const
{
    // The lines as typed: toPlainText would turn no-break spaces into plain ones.
    QString text;
    text.reserve(TE->document()->characterCount());
    for (QTextBlock block = TE->document()->begin(); block.isValid(); block = block.next()) {
        if (block.previous().isValid())
            text += u'\n';
        text += block.text();
    }
    return text;
}

void TForm12::rememberDisk(const QByteArray &bytes)
{
    diskSize_ = bytes.size();
    diskDigest_ = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

bool TForm12::changedOnDisk(const QString &path) const
{
    if (diskDigest_.isEmpty())
        return false;
    const QFileInfo info(path);
    // A file that is gone loses nothing of anybody's when it is written anew.
    if (!info.exists())
        return false;
    // Size first: a whole read only when it cannot tell.
    if (!info.isFile() || info.size() != diskSize_)
        return true;
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return true;
    return hash.result() != diskDigest_;
}

bool TForm12::saveTo(const QString &path)
{
    // Another program changed or replaced the file since the editor read or last wrote it.
    if (!EditedFile.isEmpty() && QFileInfo(path) == QFileInfo(EditedFile) && changedOnDisk(path)
        && !confirm(QStringLiteral("Plik został zmieniony przez inny program. Zapisać mimo to?")))
        return false;
    QString text = editedText();
    text.replace(QLatin1Char('\n'), lineBreak_);
    if (finalLineBreak_ && !text.isEmpty())
        text += lineBreak_;
    zv::TextEncoding used = encoding_;
    bool bytesLost = false;
    const QByteArray bytes = zv::encodeReadingBackKeepingBytes(text, encoding_, &used, &bytesLost);
    if (bytesLost
        && !confirm(QStringLiteral("Tekst zawiera znaki spoza kodowania Windows-1250, więc plik zostanie zapisany "
                                   "w UTF-8. Bajty pliku, które w Windows-1250 nie oznaczają żadnego znaku, "
                                   "zostaną przy tym zastąpione znakiem \u201E\uFFFD\u201D.\nZapisać mimo to?")))
        return false;
    QString error;
    if (!zv::writeFileAtomically(path, bytes, &error)) {
        say(QStringLiteral("Błąd"), QStringLiteral("Nie można zapisać pliku:\n%1\n%2").arg(path, error),
            QMessageBox::Critical);
        return false;
    }
    encoding_ = used;
    rememberDisk(bytes);
    TE->document()->setModified(false);
    return true;
}

bool TForm12::ZapiszClick()
{
    if (EditedFile.isEmpty())
        return ZapiszJakoClick();
    return saveTo(EditedFile);
}

bool TForm12::ZapiszJakoClick()
{
    QString start = EditedFile;
    if (start.isEmpty()) {
        const QString dir = player_.autoLoadtextDir ? player_.autoLoadtextDir() : QString();
        const QString media = player_.currentMediaPath ? player_.currentMediaPath() : QString();
        const QString name = media.isEmpty() ? QString() : QFileInfo(media).completeBaseName() + QStringLiteral(".txt");
        start = dir.isEmpty() ? name : QDir(dir).filePath(name);
    }
    QString path;
    if (pickSaveFile) {
        path = pickSaveFile(this, start);
    } else {
        QFileDialog dialog(this, QString(), start, kFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("txt"));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
    }
    if (path.isEmpty() || !saveTo(path))
        return false;
    setEdited(path);
    return true;
}

bool TForm12::CanClose()
{
    return askAboutUnsaved();
}

void TForm12::OnTEFMDragDrop(const zv::TDragDropInfo &info)
{
    if (!info.Files.isEmpty())
        LoadTxtToEdit(info.Files.constFirst());
}

// ---- look and options --------------------------------------------------------------------------

void TForm12::UstawWyglad(const QFont &font, const QColor &text, const QColor &background)
{
    TE->setFont(font);
    QPalette pal = TE->palette();
    pal.setColor(QPalette::Base, background);
    pal.setColor(QPalette::Text, text);
    TE->setPalette(pal);
}

void TForm12::OptionsApplied()
{
    modes_ = zv::editor::settleModes(modes_, player_.timeFormat ? player_.timeFormat() : 0);
    showModes();
    Timer1Timer();
    UstawStatus();
}

void TForm12::setMode(zv::editor::ModeItem item, bool checked)
{
    modes_ = zv::editor::changeMode(modes_, item, checked, player_.timeFormat ? player_.timeFormat() : 0);
    if (!modes_.writingMode)
        StampPending = false;
    showModes();
}

void TForm12::showModes()
{
    const QSignalBlocker b1(Wstawiajczas1), b2(Usunpoprzedniczas1), b3(Trybpisania1);
    Wstawiajczas1->setChecked(modes_.insertTime);
    Usunpoprzedniczas1->setChecked(modes_.removePrevious);
    Usunpoprzedniczas1->setEnabled(modes_.removeEnabled);
    Trybpisania1->setChecked(modes_.writingMode);
    TE->viewport()->setCursor(modes_.insertTime ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TForm12::UstawStatus()
{
    StatusPanel2->setText(QStringLiteral("Wiersz: ") + QString::number(TE->textCursor().blockNumber()));
}

// ---- stamps ------------------------------------------------------------------------------------

void TForm12::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!deferredLoad_.isEmpty())
        load(QString(deferredLoad_), true);
    Timer1Timer();
    Timer1->start();
    Timer2->start();
}

void TForm12::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    Timer1->stop();
    Timer2->stop();
    StampPending = false;
}

QString TForm12::stamp() const
{
    return stamp_;
}

void TForm12::Timer1Timer()
{
    const int format = player_.timeFormat ? player_.timeFormat() : 0;
    if (player_.timeSource && player_.timeSource() == 1) {
        // The answer sets the stamp when it comes; until then the last one stays.
        if (stamp_.isEmpty())
            stamp_ = zv::editor::timeStamp(0, format);
        mpris_->request();
    } else {
        const double at = player_.position ? player_.position() : 0.0;
        stamp_ = zv::editor::timeStamp(std::isfinite(at) && at > 0 && at < 1e9 ? qint64(at) : 0, format);
    }
    StatusPanel1->setText(stamp_);
}

void TForm12::Timer2Timer()
{
    if (!StampPending || !modes_.writingMode)
        return;
    QTextCursor c = TE->textCursor();
    // The caret went to another line (a click): that line is the user's, not the stamp's.
    if (c.blockNumber() != pendingBlock_) {
        StampPending = false;
        return;
    }
    // Enter inside a line carries its end onto the new line: the stamp goes in front of it
    // rather than over it.
    const QString line = c.block().text();
    const QString rest = line.mid(qMin(pendingStampLength_, line.size()));
    if (line == stamp_ + rest && c.positionInBlock() == stamp_.size())
        return;
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(stamp_ + rest);
    c.setPosition(c.block().position() + stamp_.size());
    pendingStampLength_ = stamp_.size();
    TE->setTextCursor(c);
}

void TForm12::stampClickedLine(const QPoint &viewportPos)
{
    // Below the last line there is no line to stamp.
    QTextCursor end(TE->document());
    end.movePosition(QTextCursor::End);
    if (viewportPos.y() > TE->cursorRect(end).bottom())
        return;
    QTextCursor c = TE->cursorForPosition(viewportPos);
    const int format = player_.timeFormat ? player_.timeFormat() : 0;
    const QString line = c.block().text();
    const QString stamped = zv::editor::stampLine(line, stamp_, format, modes_.removePrevious);
    if (stamped == line)
        return;
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(stamped);
}

void TForm12::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TForm12::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == TE->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        StampPending = false;
        if (modes_.insertTime && mouse->button() == Qt::LeftButton)
            stampClickedLine(mouse->position().toPoint());
        return false;
    }
    if (watched == TE && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (modes_.writingMode) {
                StampPending = true;
                // The new line is the one after the caret's once the key is handled.
                pendingBlock_ = TE->textCursor().blockNumber() + 1;
                pendingStampLength_ = 0;
            }
        } else if (zv::editor::keyStopsStamping(key->key(), key->text())) {
            StampPending = false;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
