#include "app/controllers/transport_controller.h"

#include "app/commands.h"
#include "app/controllers/app_context.h"
#include "app/controllers/files_controller.h"
#include "app/controllers/playlist_controller.h"
#include "app/controllers/status_presenter.h"
#include "app/controllers/subtitles_controller.h"
#include "app/controllers/video_controller.h"
#include "app/main_panels.h"
#include "core/config/settings.h"
#include "core/playback/rate_menu.h"
#include "core/playback/slider_math.h"
#include "core/playback/status_view.h"
#include "core/playlist/playlist.h"
#include "playback/media_engine.h"
#include "playback/playback_session.h"
#include "playback/position_slider.h"
#include "playback/system_volume.h"
#include "playback/transport_button.h"
#include "playback/volume_slider.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace zv {

using playback::PositionSlider;
using playback::VolumeSlider;

namespace {

// The transport bar's buttons, left to right; the first five on ToolBar2, the rest on ToolBar4.
struct TransportButtonRow {
    QToolButton *MainPanels::*field;
    const char *name;
    const char *hint;   // UTF-8
    QStyle::StandardPixmap icon;
    bool secondBar;
    Cmd target;
    bool refreshAfter;
    bool clearsLine;    // a line left on screen from before would stay there
    bool checkable;     // the pressed state shows a state; a click must not flip it on its own
};

const TransportButtonRow kTransportButtons[] = {
    {&MainPanels::ToolButton13, "ToolButton13", "Play", QStyle::SP_MediaPlay, false, Cmd::Play, false, false, true},
    {&MainPanels::ToolButton14, "ToolButton14", "Pauza", QStyle::SP_MediaPause, false, Cmd::OW1, false, false, true},
    {&MainPanels::ToolButton15, "ToolButton15", "Stop", QStyle::SP_MediaStop, false, Cmd::Stop, false, false, true},
    {&MainPanels::ToolButton16, "ToolButton16", "Poprzedni", QStyle::SP_MediaSkipBackward, false, Cmd::Prev, false, false, false},
    {&MainPanels::ToolButton17, "ToolButton17", "Następny", QStyle::SP_MediaSkipForward, false, Cmd::Next, false, false, false},
    {&MainPanels::ToolButton20, "ToolButton20", "Playlista", QStyle::SP_FileDialogListView, true, Cmd::PL1, true, false, true},
    {&MainPanels::ToolButton21, "ToolButton21", "Powtarzaj", QStyle::SP_BrowserReload, true, Cmd::Powt1, true, true, true},
};

} // namespace

TransportController::TransportController(AppContext &ctx) : QObject(ctx.window), ctx_(ctx)
{
    Timer4 = new QTimer(this);
    Timer4->setObjectName(QStringLiteral("Timer4"));
    Timer4->setInterval(500);
    connect(Timer4, &QTimer::timeout, this, &TransportController::Timer4Timer);

    Commands &c = *ctx.commands;
    const std::pair<Cmd, void (TransportController::*)()> handlers[] = {
        {Cmd::Play, &TransportController::PlayClick},   {Cmd::Stop, &TransportController::StopClick},
        {Cmd::Pause, &TransportController::PauseClick}, {Cmd::Next, &TransportController::NextClick},
        {Cmd::Prev, &TransportController::PrevClick},   {Cmd::OW1, &TransportController::OW1Click},
        {Cmd::Od1, &TransportController::Od1Click},     {Cmd::P1, &TransportController::P1Click},
        {Cmd::Z1, &TransportController::Z1Click},       {Cmd::na1, &TransportController::na1Click},
        {Cmd::po1, &TransportController::po1Click},     {Cmd::PT1, &TransportController::PT1Click},
        {Cmd::PP1, &TransportController::PP1Click},     {Cmd::Powt1, &TransportController::Powt1Click},
        {Cmd::pod1, &TransportController::pod1Click},   {Cmd::sci1, &TransportController::sci1Click},
        {Cmd::W2, &TransportController::W2Click},       {Cmd::stat1, &TransportController::stat1Click},
        {Cmd::Info1, &TransportController::Info1Click}, {Cmd::mediaprop1, &TransportController::mediaprop1Click},
    };
    for (const auto &[command, handler] : handlers)
        c.bind(command, this, [this, h = handler] { (this->*h)(); });

    buildSliders();
    buildButtons();
    buildRateItems();
    connectEngine();
}

TransportController::~TransportController() = default;

void TransportController::buildButtons()
{
    MainPanels &p = *ctx_.panels;
    for (const TransportButtonRow &row : kTransportButtons) {
        QToolButton *b = transportButton(row.secondBar ? p.ToolBar4 : p.ToolBar2, row.name,
                                         QString::fromUtf8(row.hint), row.icon);
        b->setCheckable(row.checkable);
        p.*(row.field) = b;
        connect(b, &QToolButton::clicked, this, [this, b, row] {
            b->setChecked(!b->isChecked());
            ctx_.commands->run(row.target);
            if (row.refreshAfter)
                ctx_.status->UstawMStaus();
            if (row.clearsLine)
                ctx_.subtitles->ClearSubtitleOverlay();
        });
    }
}

void TransportController::buildSliders()
{
    MainPanels &p = *ctx_.panels;
    // Position slider filling the strip.
    auto *strip = new QHBoxLayout(p.Panel4);
    strip->setContentsMargins(0, 0, 0, 0);
    slider_ = new PositionSliderWidget(p.Panel4);
    strip->addWidget(slider_);
    connect(slider_, &PositionSliderWidget::pressed, this,
            [this](bool onThumb, int x, int globalX, Qt::MouseButtons b) { SeekMouseDown(onThumb, x, globalX, b); });
    connect(slider_, &PositionSliderWidget::moved, this,
            [this](bool onThumb, int x, int globalX) { SeekMouseMove(onThumb, x, globalX); });
    connect(slider_, &PositionSliderWidget::released, this, [this](Qt::MouseButtons b) { SeekMouseUp(b); });
    // A paused film sends no position reports: a new width needs the thumb placed again.
    connect(slider_, &PositionSliderWidget::resized, this, [this] {
        if (ctx_.status)
            ctx_.status->WakeTimer3();
    });

    // Mute button and volume slider.
    auto *volumeBox = new QHBoxLayout(p.Panel3);
    volumeBox->setContentsMargins(0, 0, 2, 0);
    volumeBox->setSpacing(2);
    QToolButton *mute = p.ToolButton19 = new QToolButton(p.Panel3);
    mute->setObjectName(QStringLiteral("ToolButton19"));
    mute->setToolTip(QStringLiteral("Wycisz"));
    mute->setAutoRaise(true);
    mute->setCheckable(true);
    mute->setIconSize(QSize(16, 16));
    mute->setIcon(mute->style()->standardIcon(QStyle::SP_MediaVolume));
    volumeBox->addWidget(mute);
    volume_ = new VolumeSliderWidget(p.Panel3);
    volumeBox->addWidget(volume_, 0, Qt::AlignVCenter);
    connect(mute, &QToolButton::pressed, this, [this] { VolumeDragging = true; });
    connect(mute, &QToolButton::released, this, [this] { VolumeDragging = false; });
    connect(mute, &QToolButton::clicked, this, [this] { ToolButton19Click(); });
    connect(volume_, &VolumeSliderWidget::pressed, this, [this](int globalX) {
        volumeAnchorX_ = globalX;
        volumeAnchorLeft_ = volume_->thumbLeft();
        VolumeDragging = true;
    });
    connect(volume_, &VolumeSliderWidget::moved, this, [this](int globalX) {
        if (!VolumeDragging)
            return;
        volume_->setThumbLeft(VolumeSlider::thumbForDrag(volumeAnchorLeft_, globalX - volumeAnchorX_));
        UstawVolPosDoM();
    });
    connect(volume_, &VolumeSliderWidget::released, this, [this] { VolumeDragging = false; });
}

void TransportController::connectEngine()
{
    MediaEngine *e = ctx_.m();
    if (!e)
        return;
    connect(e, &MediaEngine::OnPlayStateChange, this, [this](int, int) {
        ctx_.status->WakeTimer3();
        ctx_.video->UstawOCXWindow();
        ctx_.status->UstawMStaus();
    });
    connect(e, &MediaEngine::OnReadyStateChange, this, [this](int) {
        ctx_.status->WakeTimer3();
        ctx_.status->UstawMStaus();
    });
    connect(e, &MediaEngine::OnOpenStateChange, this, [this](int, int) { ctx_.status->WakeTimer3(); });
    connect(e, &MediaEngine::OnEndOfStream, this, [this](int) { ctx_.commands->run(Cmd::Next); });
    // The state word and the mute buttons say when there is no sound device.
    connect(e, &MediaEngine::SoundOutputChanged, this, [this] {
        UstawMDoVolPos();
        ctx_.status->UstawMStaus();
    });
    connect(e, &MediaEngine::OnError, this, [this] {
        MediaEngine *engine = ctx_.m();
        if (!engine)
            return;
        // A file that could not be opened says so until another is asked for; an error while
        // playing shows until the next refresh brings the state word back.
        if (engine->PlayState() == MediaEngine::psClosed) {
            ctx_.status->showFailure(QStringLiteral("Nie można odtworzyć pliku: ") + engine->ErrorDescription());
        } else {
            ctx_.status->WakeTimer2();
            ctx_.panels->Label1->setText(QStringLiteral("Błąd. ") + engine->ErrorDescription());
        }
    });
}

void TransportController::buildRateItems()
{
    QMenu *menu = ctx_.commands->menu(MenuId::PR1);
    for (const playback::RateItem &row : playback::rateItems()) {
        QAction *a = menu->addAction(QString::fromUtf8(row.caption));
        a->setObjectName(QLatin1String(row.name));
        a->setCheckable(true);
        a->setData(row.tag);
        a->setChecked(row.tag == playback::kNormalTag);
        connect(a, &QAction::triggered, this, [this, a] { UstawRateStatus(a); });
        rateItems_.append(a);
        if (row.tag == playback::kSlowerTag || row.tag == 11 || row.tag == 10)
            menu->addSeparator();
    }
}

// ---- transport ---------------------------------------------------------------------------------

void TransportController::PlayClick()
{
    MediaEngine *e = ctx_.m();
    if (!e || e->ReadyState() == MediaEngine::rsLoading)
        return;
    Commands &c = *ctx_.commands;
    switch (e->PlayState()) {
    case MediaEngine::psStopped:
    case MediaEngine::psPaused:
        e->Play();
        if (ctx_.settings->InitFullScr && !c.isChecked(Cmd::FullScr))
            c.run(Cmd::FullScr);
        if (ctx_.settings->InitPanScan && !c.isChecked(Cmd::PanScan1))
            c.run(Cmd::PanScan1);
        break;
    case MediaEngine::psClosed: {
        ctx_.session->PlayAfterOpen = true;
        const QString recent = ctx_.files->firstRecentFile();
        if (!recent.isEmpty() && QFileInfo::exists(recent) && ctx_.playlist->holdsCaseless(recent))
            ctx_.session->LoadMediafile(recent);
        else
            ctx_.playlist->LadujMedia(0);
        break;
    }
    default:
        break;
    }
}

void TransportController::PauseClick()
{
    if (MediaEngine *e = ctx_.m())
        e->Pause();
    ctx_.status->UstawMStaus();
}

void TransportController::StopClick()
{
    if (MediaEngine *e = ctx_.m()) {
        e->Stop();
        e->setCurrentPosition(0);
    }
    UstawMDoPosuwadel();
    ctx_.status->UstawMStaus();
}

void TransportController::NextClick()
{
    runPlaylistStep(ctx_.playlist->playlist().nextStep(ctx_.session->CurrentMediaPath,
                                                       ctx_.commands->isChecked(Cmd::Powt1)));
}

void TransportController::PrevClick()
{
    runPlaylistStep(ctx_.playlist->playlist().previousStep(ctx_.session->CurrentMediaPath,
                                                           ctx_.commands->isChecked(Cmd::Powt1)));
}

void TransportController::runPlaylistStep(const PlaylistStep &step)
{
    if (step.play)
        ctx_.commands->run(Cmd::Play);
    if (step.open >= 0)
        ctx_.playlist->LadujMedia(step.open);
    if (step.playPause)
        ctx_.commands->run(Cmd::OW1);
    ctx_.status->UstawMStaus();
}

void TransportController::OW1Click()
{
    if (MediaEngine *e = ctx_.m()) {
        switch (e->PlayState()) {
        case MediaEngine::psStopped:
            if (!ctx_.session->CurrentMediaPath.isEmpty())
                e->Play();
            break;
        case MediaEngine::psPaused: e->Play(); break;
        case MediaEngine::psPlaying: e->Pause(); break;
        case MediaEngine::psClosed: ctx_.commands->run(Cmd::Play); break;
        default: break;
        }
    }
    ctx_.status->UstawMStaus();
}

void TransportController::Od1Click()
{
    ctx_.commands->run(Cmd::Play);
    ctx_.status->UstawMStaus();
}

void TransportController::P1Click()
{
    ctx_.commands->run(Cmd::Pause);
    ctx_.status->UstawMStaus();
}

void TransportController::Z1Click()
{
    ctx_.commands->run(Cmd::Stop);
    ctx_.status->UstawMStaus();
}

void TransportController::na1Click()
{
    ctx_.commands->run(Cmd::Next);
    ctx_.status->UstawMStaus();
}

void TransportController::po1Click()
{
    ctx_.commands->run(Cmd::Prev);
    ctx_.status->UstawMStaus();
}

void TransportController::PT1Click()
{
    if (MediaEngine *e = ctx_.m())
        e->setCurrentPosition(qMax(e->CurrentPosition() - ctx_.settings->Shift, 0.0));
}

void TransportController::PP1Click()
{
    // No upper bound: the engine copes with a position past the end.
    if (MediaEngine *e = ctx_.m())
        e->setCurrentPosition(e->CurrentPosition() + ctx_.settings->Shift);
}

void TransportController::Powt1Click()
{
    // The item is checkable: the click has already toggled its mark.
    ctx_.status->UstawMStaus();
}

void TransportController::SeekBy(double seconds)
{
    if (MediaEngine *e = ctx_.m(); e && e->PlayState() != MediaEngine::psClosed)
        e->setCurrentPosition(e->CurrentPosition() + seconds);
}

void TransportController::StepRate(int direction)
{
    const int tag = direction > 0   ? playback::kFasterTag
                    : direction < 0 ? playback::kSlowerTag
                                    : playback::kNormalTag;
    for (QAction *item : rateItems_)
        if (item->data().toInt() == tag) {
            UstawRateStatus(item);
            return;
        }
}

// ---- position slider ------------------------------------------------------------------------------

void TransportController::UstawMDoPosuwadel()
{
    if (SeekDragging || ctx_.state->ShuttingDown || !slider_)
        return;
    MediaEngine *e = ctx_.m();
    const PositionSlider s{slider_->width()};
    const int left = e ? s.thumbForPosition(e->CurrentPosition(), e->Duration()) : PositionSlider::kMinLeft;
    slider_->setThumbLeft(left);
}

void TransportController::UstawPosuwadlaDoM()
{
    MediaEngine *e = ctx_.m();
    if (!e || !slider_ || e->PlayState() > MediaEngine::psWaiting)
        return;
    const PositionSlider s{slider_->width()};
    e->setCurrentPosition(s.positionForThumb(slider_->thumbLeft(), e->Duration()));
}

void TransportController::SeekMouseDown(bool onThumb, int trackX, int globalX, Qt::MouseButtons buttons)
{
    MediaEngine *e = ctx_.m();
    if (!e || !buttons.testFlag(Qt::LeftButton) || e->PlayState() == MediaEngine::psClosed)
        return;
    StateBeforeSeekDrag = e->PlayState();
    if (StateBeforeSeekDrag == MediaEngine::psPaused || StateBeforeSeekDrag == MediaEngine::psPlaying)
        e->Pause();
    seekAnchorX_ = globalX;
    seekAnchorLeft_ = slider_->thumbLeft();
    SeekDragging = true;
    Timer4->start();
    if (onThumb)
        return;
    UstawPosuwadlaDoM();
    slider_->setThumbLeft(PositionSlider{slider_->width()}.thumbForTrackX(trackX));
    UstawPosuwadlaDoM();
}

void TransportController::SeekMouseMove(bool onThumb, int trackX, int globalX)
{
    MediaEngine *e = ctx_.m();
    if (!SeekDragging || !e)
        return;
    const PositionSlider s{slider_->width()};
    const int left = onThumb ? s.thumbForDrag(seekAnchorLeft_, globalX - seekAnchorX_) : s.thumbForTrackX(trackX);
    slider_->setThumbLeft(left);
    // The label follows the thumb, not the engine, while the user drags.
    ctx_.panels->Label2->setText(playback::timeLabelText(s.positionForThumb(left, e->Duration()), e->Duration(),
                                                          ctx_.status->ShowElapsedTime));
}

void TransportController::SeekMouseUp(Qt::MouseButtons buttons)
{
    if (buttons.testFlag(Qt::RightButton) || !SeekDragging)
        return;
    EndSeekDrag();
}

void TransportController::EndSeekDrag()
{
    SeekDragging = false;
    Timer4->stop();
    UstawPosuwadlaDoM();
    ctx_.status->WakeTimer3(); // the label and thumb follow the engine again
    MediaEngine *e = ctx_.m();
    if (!e)
        return;
    if (StateBeforeSeekDrag == MediaEngine::psPaused)
        e->Pause();
    else if (StateBeforeSeekDrag == MediaEngine::psPlaying)
        e->Play();
}

void TransportController::Timer4Timer()
{
    if (!SeekDragging) {
        Timer4->stop();
        return;
    }
    // A grab taken away mid-drag (another window, a popup) never delivers the release: end the
    // drag here so the film does not stay paused with a dead thumb.
    if (!QApplication::mouseButtons().testFlag(Qt::LeftButton)) {
        EndSeekDrag();
        return;
    }
    UstawPosuwadlaDoM();
}

// ---- volume --------------------------------------------------------------------------------------

SystemVolume *TransportController::systemVolume()
{
    if (!ctx_.settings->SystemVolumeControl)
        return nullptr;
    if (!systemVolume_) {
        systemVolume_ = std::make_unique<SystemVolume>();
        // Nothing polls the level: a change made elsewhere moves the thumb when it happens.
        systemVolume_->setChangeHandler([this] {
            QMetaObject::invokeMethod(this, [this] { UstawMDoVolPos(); }, Qt::QueuedConnection);
        });
    }
    return systemVolume_.get();
}

void TransportController::UstawMDoVolPos()
{
    MediaEngine *e = ctx_.m();
    if (!e || !volume_)
        return;
    std::optional<int> left;
    if (SystemVolume *sv = systemVolume()) {
        if (const auto levels = sv->levels())
            left = VolumeSlider::thumbForChannel(levels->left);
    } else {
        left = VolumeSlider::thumbForEngineVolume(e->Volume());
    }
    if (left && !VolumeDragging)
        volume_->setThumbLeft(*left);
    syncMuteControls(false);
}

void TransportController::syncMuteControls(bool includeMenu)
{
    MediaEngine *e = ctx_.m();
    QToolButton *button = ctx_.panels->ToolButton19;
    if (!e || !button)
        return;
    QAction *W2 = ctx_.commands->action(Cmd::W2);
    const bool sound = e->IsSoundCardEnabled();
    const bool muted = e->Mute();
    W2->setEnabled(sound);
    button->setEnabled(sound);
    if (!includeMenu)
        W2->setChecked(muted);
    if (button->isChecked() != muted)
        button->setChecked(muted);
    const bool iconMuted = button->property("muted").toBool();
    if (iconMuted != muted || button->property("muted").isNull()) {
        button->setProperty("muted", muted);
        button->setIcon(button->style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    }
}

void TransportController::UstawVolPosDoM()
{
    QCoreApplication::processEvents();
    MediaEngine *e = ctx_.m();
    if (!e || !volume_)
        return;
    const int left = volume_->thumbLeft();
    if (SystemVolume *sv = systemVolume()) {
        const std::uint8_t v = VolumeSlider::channelForThumb(left);
        sv->setLevels({v, v});
    }
    e->setVolume(VolumeSlider::engineVolumeForThumb(left));
}

void TransportController::stepVolume(bool up)
{
    MediaEngine *e = ctx_.m();
    if (!e)
        return;
    using namespace playback;
    if (SystemVolume *sv = systemVolume()) {
        if (const auto l = sv->levels()) {
            const auto step = [up](int level) { return std::uint8_t(up ? channelUp(level) : channelDown(level)); };
            sv->setLevels({step(l->left), step(l->right)});
        }
    } else {
        e->setVolume(up ? engineVolumeUp(e->Volume()) : engineVolumeDown(e->Volume()));
    }
    UstawMDoVolPos();
}

void TransportController::pod1Click()
{
    stepVolume(true);
}

void TransportController::sci1Click()
{
    stepVolume(false);
}

void TransportController::W2Click()
{
    // The item is checkable: the click has already toggled its mark.
    if (MediaEngine *e = ctx_.m())
        e->setMute(ctx_.commands->isChecked(Cmd::W2));
    // With nothing open the 50 ms refresh rests, so the button follows here.
    UstawMDoVolPos();
}

void TransportController::ToolButton19Click()
{
    MediaEngine *e = ctx_.m();
    if (!e)
        return;
    e->setMute(!e->Mute());
    // The menu's check mark follows at the next refresh.
    syncMuteControls(true);
}

// ---- rate ----------------------------------------------------------------------------------------

void TransportController::UstawRateStatus(QAction *item)
{
    MediaEngine *e = ctx_.m();
    if (!e || !item)
        return;
    const int tag = item->data().toInt();
    if (playback::rateClickChanges(tag, e->Rate()))
        e->setRate(playback::rateAfterClick(tag, e->Rate()));
    const int checked = playback::checkedRateTag(e->Rate());
    QAction *faster = nullptr, *slower = nullptr, *top = nullptr, *bottom = nullptr;
    for (QAction *a : rateItems_) {
        a->setChecked(a->data().toInt() == checked);
        switch (a->data().toInt()) {
        case playback::kFasterTag: faster = a; break;
        case playback::kSlowerTag: slower = a; break;
        case playback::kMaxRateTag: top = a; break;
        case playback::kMinRateTag: bottom = a; break;
        default: break;
        }
    }
    if (faster && top)
        faster->setEnabled(!top->isChecked());
    if (slower && bottom)
        slower->setEnabled(!bottom->isChecked());
}

// ---- engine windows ------------------------------------------------------------------------------

void TransportController::stat1Click()
{
    if (MediaEngine *e = ctx_.m())
        e->ShowDialog(MediaEngine::dkStatistics);
}

void TransportController::Info1Click()
{
    if (MediaEngine *e = ctx_.m())
        e->AboutBox();
}

void TransportController::mediaprop1Click()
{
    // The engine offers the properties window directly, so no detour through its context
    // menu and synthesized keys is needed.
    if (MediaEngine *e = ctx_.m()) {
        e->setEnableContextMenu(true);
        e->ShowDialog(MediaEngine::dkProperties);
        e->setEnableContextMenu(false);
    }
}

} // namespace zv
