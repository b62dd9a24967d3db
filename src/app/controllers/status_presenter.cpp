#include "app/controllers/status_presenter.h"

#include "app/app_windows.h"
#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/transport_controller.h"
#include "app/main_panels.h"
#include "core/playback/slider_math.h"
#include "core/playback/status_view.h"
#include "core/playlist/playlist.h"
#include "library/subtitle_database_window.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "playback/position_slider.h"
#include "playback/transport_button.h"
#include "playlist/playlist_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <functional>

namespace zv {
namespace {

// Turns chosen events of a watched object into a call.
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

StatusPresenter::StatusPresenter(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(5000);
    connect(Timer2, &QTimer::timeout, this, &StatusPresenter::Timer2Timer);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setSingleShot(true);
    Timer3->setInterval(0);
    connect(Timer3, &QTimer::timeout, this, &StatusPresenter::Timer3Timer);
    Timer2->start();
    Timer3->start();
    if (MediaEngine *e = ctx.m())
        connect(e, &MediaEngine::OnPositionChange, this, &StatusPresenter::onPositionChange);
    noteTimer_ = new QTimer(this);
    noteTimer_->setSingleShot(true);
    connect(noteTimer_, &QTimer::timeout, this, [this] {
        note_.clear();
        UstawMStaus();
    });
    // A new file, or a clip that opened after all, ends what a failure said.
    connect(ctx.session, &PlaybackSession::loadRequested, this, [this] { failure_.clear(); });
    connect(ctx.session, &PlaybackSession::opened, this, [this] { failure_.clear(); });
    connect(ctx.session, &PlaybackSession::closed, this, [this] { failure_.clear(); });

    MainPanels &p = *ctx.panels;
    new EventHook(p.Label2, [this](QEvent *e) {
        if (e->type() == QEvent::MouseButtonRelease) {
            Label2Click();
            return true;
        }
        return false;
    });
    new EventHook(p.Label3, [this](QEvent *e) {
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
    // The refreshes sleep while nobody can see what they show.
    new EventHook(ctx.window, [this](QEvent *e) {
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
    }, this);
}

void StatusPresenter::showFailure(const QString &text)
{
    failure_ = text;
    WakeTimer2();
    setTextIfChanged(ctx_.panels->Label1, text);
}

void StatusPresenter::showNote(const QString &text)
{
    note_ = text;
    noteTimer_->start(kNoteMs);
    setTextIfChanged(ctx_.panels->Label1, text);
}

void StatusPresenter::UpdateTimerSleep()
{
    if (ctx_.state->ShuttingDown)
        return;
    const bool asleep = ctx_.window->isMinimized() || !ctx_.window->isVisible();
    if (asleep == timersAsleep_)
        return;
    timersAsleep_ = asleep;
    if (asleep) {
        Timer2->stop();
        Timer3->stop();
    } else {
        statusAsleep_ = false;
        Timer2->start();
        Timer2Timer();
        Timer3Timer();
    }
}

void StatusPresenter::stopTimers()
{
    Timer2->stop();
    Timer3->stop();
}

void StatusPresenter::UstawMStaus()
{
    if (ctx_.state->ShuttingDown)
        return;
    WakeTimer2(); // whatever asked for this refresh may be followed by more changes
    MediaEngine *e = ctx_.m();
    MainPanels &p = *ctx_.panels;
    Commands &c = *ctx_.commands;
    const QString media = ctx_.session->CurrentMediaPath;

    playback::StatusInput in;
    in.playState = e ? e->PlayState() : MediaEngine::psClosed;
    in.readyState = e ? e->ReadyState() : MediaEngine::rsUninitialized;
    in.mediaPath = media;
    in.subtitleFile = ctx_.subtitles->CurrentSubtitleFile();
    in.imageWidth = e ? e->ImageSourceWidth() : 0;
    in.playlistCount = ctx_.playlist->playlist().count();
    in.playlistIndex = ctx_.playlist->GetPLSIndex(media);
    in.soundLost = e && e->soundOutputLost();
    const playback::StatusView v = playback::computeStatus(in);

    showTransport(v, p.ToolButton13, p.ToolButton14, p.ToolButton15, p.ToolButton16, p.ToolButton17);
    if (v.transport) {
        const playback::TransportView &t = *v.transport;
        setEnabledIfChanged(c.action(Cmd::Od1), t.od1Enabled);
        setEnabledIfChanged(c.action(Cmd::P1), t.p1Enabled);
        for (Cmd item : {Cmd::Z1, Cmd::OW1, Cmd::PP1, Cmd::PT1})
            setEnabledIfChanged(c.action(item), t.itemsEnabled);
    }
    if (v.playForcedOn)
        setEnabledIfChanged(c.action(Cmd::Od1), true);
    if (!note_.isEmpty())
        setTextIfChanged(p.Label1, note_);
    else if (!failure_.isEmpty() && in.playState == MediaEngine::psClosed)
        setTextIfChanged(p.Label1, failure_);
    else if (v.stateWord)
        setTextIfChanged(p.Label1, *v.stateWord);

    TForm6 *playlistWindow = ctx_.forms->Form6;
    if (playlistWindow)
        playlistWindow->showTransportState(v);

    setEnabledIfChanged(c.action(Cmd::po1), v.prevEnabled);
    setEnabledIfChanged(c.action(Cmd::na1), v.nextEnabled);

    setTextIfChanged(p.Label3, v.names);
    if (p.Label3->toolTip() != v.namesHint)
        p.Label3->setToolTip(v.namesHint);
    if (ctx_.window->windowTitle() != v.caption)
        ctx_.window->setWindowTitle(v.caption);

    // Mirrors of the items whose state other commands change.
    setDown(p.ToolButton12, c.isChecked(Cmd::Wy1));
    c.action(Cmd::BT1)->setChecked(ctx_.forms->Form7 && ctx_.forms->Form7->isVisible());
    const bool playlistShown = playlistWindow && playlistWindow->isVisible();
    c.action(Cmd::PL1)->setChecked(playlistShown);
    setDown(p.ToolButton20, playlistShown);
    setDown(p.ToolButton22, c.isChecked(Cmd::FullScr));
    setDown(p.ToolButton4, c.isChecked(Cmd::PanScan1));
    setDown(p.ToolButton21, c.isChecked(Cmd::Powt1));

    for (QWidget *w : {static_cast<QWidget *>(p.ToolButton22), static_cast<QWidget *>(p.ToolButton4)})
        zv::setEnabledIfChanged(w, v.pictureEnabled);
    for (Cmd item : {Cmd::FullScr, Cmd::PanScan1, Cmd::stat1})
        setEnabledIfChanged(c.action(item), v.pictureEnabled);

    zv::setEnabledIfChanged(p.ToolButton12, v.subtitlesEnabled);
    setEnabledIfChanged(c.action(Cmd::Wy1), v.subtitlesEnabled);
    if (!v.subtitlesEnabled && c.isChecked(Cmd::Wy1)) {
        // Unchecking alone would leave the subtitle timer running and the line windows shown.
        c.action(Cmd::Wy1)->setChecked(false);
        ctx_.subtitles->Wy1Click();
    }

    for (Cmd item : {Cmd::Zamknij1, Cmd::Prze1, Cmd::mediaprop1})
        setEnabledIfChanged(c.action(item), v.mediaItemsEnabled);
    setEnabledIfChanged(c.action(Cmd::Zamknij2), v.closeSubtitleEnabled);
    emit statusRefreshed();
}

void StatusPresenter::UstawPanel()
{
    if (ctx_.transport->SeekDragging || ctx_.state->ShuttingDown)
        return;
    MediaEngine *e = ctx_.m();
    const double position = e ? e->CurrentPosition() : -1;
    setTextIfChanged(ctx_.panels->Label2,
                     playback::timeLabelText(position, e ? e->Duration() : 0, ShowElapsedTime));
}

void StatusPresenter::Label2Click()
{
    ShowElapsedTime = !ShowElapsedTime;
    UstawMStaus();
    showPosition();
}

void StatusPresenter::Label3DblClick()
{
    QApplication::clipboard()->setText(ctx_.session->CurrentMediaPath);
}

void StatusPresenter::Timer2Timer()
{
    UstawMStaus();
    if (!ctx_.session->CurrentMediaPath.isEmpty())
        ctx_.subtitles->SetTransparentColor();
    // Nothing open: what this refresh showed stays true until input or an event changes it,
    // and those wake the timer (WakeTimer2). An idle player then wakes for nothing.
    if (ctx_.session->nothingOpen() && !timersAsleep_) {
        Timer2->stop();
        statusAsleep_ = true;
    }
}

void StatusPresenter::WakeTimer2()
{
    if (!statusAsleep_ || timersAsleep_ || ctx_.state->ShuttingDown)
        return;
    statusAsleep_ = false;
    Timer2->start();
}

void StatusPresenter::Timer3Timer()
{
    if (ctx_.state->ShuttingDown)
        return;
    showPosition();
    ctx_.transport->UstawMDoVolPos();
}

void StatusPresenter::showPosition()
{
    UstawPanel();
    ctx_.transport->UstawMDoPosuwadel();
    // While the thumb is dragged neither follows the engine: the next report refreshes both.
    positionShown_ = ctx_.transport->SeekDragging ? PositionShown{} : positionNow();
}

void StatusPresenter::WakeTimer3()
{
    if (!ctx_.state->ShuttingDown && !timersAsleep_ && !Timer3->isActive())
        Timer3->start();
}

StatusPresenter::PositionShown StatusPresenter::positionNow() const
{
    MediaEngine *e = ctx_.m();
    PositionShown now;
    if (!e)
        return now;
    const double position = e->CurrentPosition();
    now.duration = e->Duration();
    // The second the label shows: the time left changes at other moments than the time played.
    if (position >= 0)
        now.second = qint64(std::floor(ShowElapsedTime ? position : now.duration - position));
    if (const PositionSliderWidget *slider = ctx_.transport->positionSlider())
        now.thumb = playback::PositionSlider{slider->width()}.thumbForPosition(position, now.duration);
    return now;
}

void StatusPresenter::onPositionChange()
{
    // Hidden or minimised: the refresh on showing again brings everything up to date.
    if (timersAsleep_ || ctx_.state->ShuttingDown || Timer3->isActive())
        return;
    if (positionNow() != positionShown_)
        showPosition();
}

} // namespace zv
