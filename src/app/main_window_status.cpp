// The status display: state word, names and title, the enabling of every transport control, the
// time label, and the timers that refresh them.
#include "app/main_window.h"
#include "playback/transport_button.h"
#include "app/main_window_transport_state.h"

#include "core/playback/status_view.h"
#include "core/playlist/playlist.h"
#include "playlist/playlist_window.h"
#include "library/subtitle_database_window.h"
#include "video/video_window.h"
#include "playback/media_engine.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// Turns chosen events of a watched object into a call, without a slot in the main window.
class EventHook : public QObject {
public:
    // Lives as long as `owner` (the watched object itself unless given).
    EventHook(QObject *watched, std::function<bool(QEvent *)> onEvent, QObject *owner = nullptr)
        : QObject(owner ? owner : watched), onEvent_(std::move(onEvent))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override { return onEvent_(event); }

private:
    std::function<bool(QEvent *)> onEvent_;
};

using zv::setDown;
using zv::setEnabledIfChanged;

void setEnabledIfChanged(QAction *a, bool on)
{
    // A hidden item always reads as disabled, yet only an explicit disable stops its trigger:
    // always pass the value on (QAction ignores a repeat).
    if (a)
        a->setEnabled(on);
}

void setTextIfChanged(QLabel *l, const QString &text)
{
    if (l && l->text() != text)
        l->setText(text);
}

} // namespace

void TZentavistaApp::ConnectStatus()
{
    new EventHook(Label2, [this](QEvent *e) {
        if (e->type() == QEvent::MouseButtonRelease) {
            Label2Click();
            return true;
        }
        return false;
    });
    new EventHook(Label3, [this](QEvent *e) {
        if (e->type() == QEvent::MouseButtonDblClick) {
            Label3DblClick();
            return true;
        }
        return false;
    });
    // With nothing open, only input (or a refresh asked for by some event) can change what the
    // 5 s refresh mirrors, so that is what wakes it.
    new EventHook(qApp, [this](QEvent *e) {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
        case QEvent::Drop:
            WakeTimer2();
            break;
        default:
            break;
        }
        return false;
    }, this);
    // The 50 ms and 5 s timers sleep while nobody can see what they refresh.
    new EventHook(this, [this](QEvent *e) {
        switch (e->type()) {
        case QEvent::WindowStateChange:
        case QEvent::Hide:
        case QEvent::Show:
            QTimer::singleShot(0, this, [this] { UpdateTimerSleep(); });
            break;
        default:
            break;
        }
        return false;
    });
}

void TZentavistaApp::UpdateTimerSleep()
{
    TransportState &t = transportState();
    if (ShuttingDown)
        return;
    const bool asleep = isMinimized() || !isVisible();
    if (asleep == t.timersAsleep)
        return;
    t.timersAsleep = asleep;
    if (asleep) {
        Timer2->stop();
        Timer3->stop();
    } else {
        t.statusAsleep = false;
        Timer2->start();
        Timer3->start();
        Timer2Timer();
        Timer3Timer();
    }
}

void TZentavistaApp::UstawMStaus()
{
    if (ShuttingDown)
        return;
    WakeTimer2(); // whatever asked for this refresh may be followed by more changes
    ConnectTransport();
    ConnectPlaylist();
    MediaEngine *e = m();

    zv::playback::StatusInput in;
    in.playState = e ? e->PlayState() : MediaEngine::psClosed;
    in.readyState = e ? e->ReadyState() : MediaEngine::rsUninitialized;
    in.mediaPath = CurrentMediaPath;
    in.subtitleFile = CurrentSubtitleFile();
    in.imageWidth = e ? e->ImageSourceWidth() : 0;
    in.playlistCount = playlist().count();
    in.playlistIndex = GetPLSIndex(CurrentMediaPath);
    in.soundLost = e && e->soundOutputLost();
    const zv::playback::StatusView v = zv::playback::computeStatus(in);

    zv::showTransport(v, ToolButton13, ToolButton14, ToolButton15, ToolButton16, ToolButton17);
    if (v.transport) {
        const zv::playback::TransportView &t = *v.transport;
        setEnabledIfChanged(Od1, t.od1Enabled);
        setEnabledIfChanged(P1, t.p1Enabled);
        for (QAction *a : {Z1, OW1, PP1, PT1})
            setEnabledIfChanged(a, t.itemsEnabled);
    }
    if (v.playForcedOn)
        setEnabledIfChanged(Od1, true);
    if (v.stateWord)
        setTextIfChanged(Label1, *v.stateWord);

    if (Form6)
        Form6->showTransportState(v);

    setEnabledIfChanged(po1, v.prevEnabled);
    setEnabledIfChanged(na1, v.nextEnabled);

    setTextIfChanged(Label3, v.names);
    if (Label3->toolTip() != v.namesHint)
        Label3->setToolTip(v.namesHint);
    if (windowTitle() != v.caption)
        setWindowTitle(v.caption);

    // Mirrors of the items whose state other commands change.
    setDown(ToolButton12, Wy1->isChecked());
    BT1->setChecked(Form7 && Form7->isVisible());
    const bool playlistShown = Form6 && Form6->isVisible();
    PL1->setChecked(playlistShown);
    setDown(ToolButton20, playlistShown);
    setDown(ToolButton22, FullScr->isChecked());
    setDown(ToolButton4, PanScan1->isChecked());
    setDown(ToolButton21, Powt1->isChecked());

    for (QWidget *w : {static_cast<QWidget *>(ToolButton22), static_cast<QWidget *>(ToolButton4)})
        setEnabledIfChanged(w, v.pictureEnabled);
    for (QAction *a : {FullScr, PanScan1, stat1})
        setEnabledIfChanged(a, v.pictureEnabled);

    setEnabledIfChanged(ToolButton12, v.subtitlesEnabled);
    setEnabledIfChanged(Wy1, v.subtitlesEnabled);
    if (!v.subtitlesEnabled && Wy1->isChecked()) {
        // Unchecking alone would leave the subtitle timer running and the line windows shown.
        Wy1->setChecked(false);
        Wy1Click();
    }

    for (QAction *a : {Zamknij1, Prze1, mediaprop1})
        setEnabledIfChanged(a, v.mediaItemsEnabled);
    setEnabledIfChanged(Zamknij2, v.closeSubtitleEnabled);
    emit statusRefreshed();
}

void TZentavistaApp::UstawPanel()
{
    if (SeekDragging || ShuttingDown)
        return;
    MediaEngine *e = m();
    const double position = e ? e->CurrentPosition() : -1;
    setTextIfChanged(Label2, zv::playback::timeLabelText(position, e ? e->Duration() : 0,
                                                         ShowElapsedTime));
}

void TZentavistaApp::Label2Click()
{
    ShowElapsedTime = !ShowElapsedTime;
    UstawMStaus();
}

void TZentavistaApp::Label3DblClick()
{
    QApplication::clipboard()->setText(CurrentMediaPath);
}

void TZentavistaApp::Timer2Timer()
{
    UstawMStaus();
    if (!CurrentMediaPath.isEmpty())
        SetTransparentColor();
    // Nothing open: what this refresh showed stays true until input or an event changes it,
    // and those wake the timer (WakeTimer2). An idle player then wakes for nothing.
    if (nothingOpen() && !transportState().timersAsleep) {
        Timer2->stop();
        transportState().statusAsleep = true;
    }
}

void TZentavistaApp::WakeTimer2()
{
    TransportState &t = transportState();
    if (!t.statusAsleep || t.timersAsleep || ShuttingDown)
        return;
    t.statusAsleep = false;
    Timer2->start();
}

void TZentavistaApp::Timer3Timer()
{
    ConnectTransport();
    // Nothing open: once the labels and thumbs show it, nothing can change until the engine
    // reports another state, which starts the timer again (WakeTimer3).
    const bool idle = nothingOpen();
    if (!idle || !transportState().idleShown) {
        UstawPanel();
        UstawMDoPosuwadel();
        UstawMDoVolPos();
        transportState().idleShown = idle;
    } else if (!VolumeDragging) {
        Timer3->stop();
    }
}

bool TZentavistaApp::nothingOpen()
{
    MediaEngine *e = m();
    return !e || (e->PlayState() == MediaEngine::psClosed && e->ReadyState() != MediaEngine::rsLoading);
}

void TZentavistaApp::WakeTimer3()
{
    if (!ShuttingDown && !transportState().timersAsleep && !Timer3->isActive())
        Timer3->start();
}
