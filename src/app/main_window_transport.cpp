// Transport commands, the position and volume sliders, mute, the rate menu, and the wiring of
// the engine's play-state, end-of-stream and error events.
#include "app/main_window.h"
#include "app/main_window_transport_state.h"

#include "core/config/settings.h"
#include "core/playback/rate_menu.h"
#include "core/playback/slider_math.h"
#include "core/playback/status_view.h"
#include "core/playlist/playlist.h"
#include "video/video_window.h"
#include "playback/media_engine.h"
#include "playback/position_slider.h"
#include "playback/system_volume.h"
#include "playback/transport_button.h"
#include "playback/volume_slider.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using zv::playback::PositionSlider;
using zv::playback::VolumeSlider;

void TZentavistaApp::TransportStateDeleter::operator()(TransportState *p) const
{
    delete p;
}

TZentavistaApp::TransportState &TZentavistaApp::transportState() const
{
    if (!transport_)
        transport_.reset(new TransportState);
    return *transport_;
}

zv::PositionSliderWidget *TZentavistaApp::positionSlider() const
{
    return transportState().slider;
}

zv::VolumeSliderWidget *TZentavistaApp::volumeSlider() const
{
    return transportState().volume;
}

QList<QAction *> TZentavistaApp::rateItems() const
{
    return transportState().rateItems;
}


void TZentavistaApp::ConnectTransport()
{
    TransportState &t = transportState();
    if (t.built)
        return;
    t.built = true;

    // Position slider filling the strip.
    auto *strip = new QHBoxLayout(Panel4);
    strip->setContentsMargins(0, 0, 0, 0);
    t.slider = new zv::PositionSliderWidget(Panel4);
    strip->addWidget(t.slider);
    connect(t.slider, &zv::PositionSliderWidget::pressed, this,
            [this](bool onThumb, int x, int globalX, Qt::MouseButtons b) {
                SeekMouseDown(onThumb, x, globalX, b);
            });
    connect(t.slider, &zv::PositionSliderWidget::moved, this,
            [this](bool onThumb, int x, int globalX) { SeekMouseMove(onThumb, x, globalX); });
    connect(t.slider, &zv::PositionSliderWidget::released, this,
            [this](Qt::MouseButtons b) { SeekMouseUp(b); });

    // Transport buttons, then the playlist and repeat buttons.
    const auto wire = [this](QToolButton *b, QAction *target, bool after) {
        connect(b, &QToolButton::clicked, this, [this, b, target, after] {
            b->setChecked(!b->isChecked());
            runCommand(target);
            if (after)
                UstawMStaus();
        });
    };
    ToolButton13 = zv::transportButton(ToolBar2, "ToolButton13", QStringLiteral("Play"),
                                   QStyle::SP_MediaPlay);
    ToolButton14 = zv::transportButton(ToolBar2, "ToolButton14", QStringLiteral("Pauza"),
                                   QStyle::SP_MediaPause);
    ToolButton15 = zv::transportButton(ToolBar2, "ToolButton15", QStringLiteral("Stop"),
                                   QStyle::SP_MediaStop);
    ToolButton16 = zv::transportButton(ToolBar2, "ToolButton16", QStringLiteral("Poprzedni"),
                                   QStyle::SP_MediaSkipBackward);
    ToolButton17 = zv::transportButton(ToolBar2, "ToolButton17", QStringLiteral("Następny"),
                                   QStyle::SP_MediaSkipForward);
    ToolButton20 = zv::transportButton(ToolBar4, "ToolButton20", QStringLiteral("Playlista"),
                                   QStyle::SP_FileDialogListView);
    ToolButton21 = zv::transportButton(ToolBar4, "ToolButton21", QStringLiteral("Powtarzaj"),
                                   QStyle::SP_BrowserReload);
    wire(ToolButton13, Play, false);
    wire(ToolButton14, OW1, false);
    wire(ToolButton15, Stop, false);
    wire(ToolButton16, Prev, false);
    wire(ToolButton17, Next, false);
    wire(ToolButton20, PL1, true);
    connect(ToolButton21, &QToolButton::clicked, this, [this] {
        ToolButton21->setChecked(!ToolButton21->isChecked());
        runCommand(Powt1);
        UstawMStaus();
        // A line left on screen from before would stay there: clear it.
        ClearSubtitleOverlay();
    });
    // Pressed states show the play state; a click must not flip them on its own.
    for (QToolButton *b : {ToolButton13, ToolButton14, ToolButton15, ToolButton20, ToolButton21})
        b->setCheckable(true);

    // Mute button and volume slider.
    auto *volumeBox = new QHBoxLayout(Panel3);
    volumeBox->setContentsMargins(0, 0, 2, 0);
    volumeBox->setSpacing(2);
    ToolButton19 = new QToolButton(Panel3);
    ToolButton19->setObjectName(QStringLiteral("ToolButton19"));
    ToolButton19->setToolTip(QStringLiteral("Wycisz"));
    ToolButton19->setAutoRaise(true);
    ToolButton19->setCheckable(true);
    ToolButton19->setIconSize(QSize(16, 16));
    ToolButton19->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    volumeBox->addWidget(ToolButton19);
    t.volume = new zv::VolumeSliderWidget(Panel3);
    volumeBox->addWidget(t.volume, 0, Qt::AlignVCenter);
    connect(ToolButton19, &QToolButton::pressed, this, [this] { VolumeDragging = true; });
    connect(ToolButton19, &QToolButton::released, this, [this] { VolumeDragging = false; });
    connect(ToolButton19, &QToolButton::clicked, this, [this] { ToolButton19Click(); });
    connect(t.volume, &zv::VolumeSliderWidget::pressed, this, [this](int globalX) {
        TransportState &s = transportState();
        s.volumeAnchorX = globalX;
        s.volumeAnchorLeft = s.volume->thumbLeft();
        VolumeDragging = true;
    });
    connect(t.volume, &zv::VolumeSliderWidget::moved, this, [this](int globalX) {
        TransportState &s = transportState();
        if (!VolumeDragging)
            return;
        s.volume->setThumbLeft(VolumeSlider::thumbForDrag(s.volumeAnchorLeft, globalX - s.volumeAnchorX));
        UstawVolPosDoM();
    });
    connect(t.volume, &zv::VolumeSliderWidget::released, this, [this] { VolumeDragging = false; });

    buildRateItems();
    ConnectStatus();

    if (MediaEngine *e = m()) {
        connect(e, &MediaEngine::OnPlayStateChange, this, [this](int, int) {
            WakeTimer3();
            UstawOCXWindow();
            UstawMStaus();
        });
        connect(e, &MediaEngine::OnReadyStateChange, this, [this](int) {
            WakeTimer3();
            UstawMStaus();
        });
        connect(e, &MediaEngine::OnOpenStateChange, this, [this](int, int) { WakeTimer3(); });
        connect(e, &MediaEngine::OnEndOfStream, this, [this](int) { runCommand(Next); });
        // The state word and the mute buttons say when there is no sound device.
        connect(e, &MediaEngine::SoundOutputChanged, this, [this] {
            UstawMDoVolPos();
            UstawMStaus();
        });
        connect(e, &MediaEngine::OnError, this, [this] {
            WakeTimer2(); // a refresh brings the state word back after the error
            if (MediaEngine *engine = m())
                Label1->setText(QStringLiteral("Błąd. ") + engine->ErrorDescription());
        });
    }
}

void TZentavistaApp::buildRateItems()
{
    TransportState &t = transportState();
    for (const zv::playback::RateItem &row : zv::playback::rateItems()) {
        QAction *a = PR1->addAction(QString::fromUtf8(row.caption));
        a->setObjectName(QLatin1String(row.name));
        a->setCheckable(true);
        a->setData(row.tag);
        a->setChecked(row.tag == zv::playback::kNormalTag);
        connect(a, &QAction::triggered, this, [this, a] { UstawRateStatus(a); });
        t.rateItems.append(a);
        if (row.tag == zv::playback::kSlowerTag || row.tag == 11 || row.tag == 10)
            PR1->addSeparator();
    }
}

// ---- transport ---------------------------------------------------------------------------------

void TZentavistaApp::PlayClick()
{
    MediaEngine *e = m();
    if (!e || e->ReadyState() == MediaEngine::rsLoading)
        return;
    switch (e->PlayState()) {
    case MediaEngine::psStopped:
    case MediaEngine::psPaused:
        e->Play();
        if (settings().InitFullScr && !FullScr->isChecked())
            runCommand(FullScr);
        if (settings().InitPanScan && !PanScan1->isChecked())
            runCommand(PanScan1);
        break;
    case MediaEngine::psClosed: {
        PlayAfterOpen = true;
        const QString recent = firstRecentFile();
        if (!recent.isEmpty() && QFileInfo::exists(recent) && playlistHoldsCaseless(recent))
            LoadMediafile(recent);
        else
            LadujMedia(0);
        break;
    }
    default:
        break;
    }
}

QString TZentavistaApp::firstRecentFile() const
{
    for (QAction *a : RecentFiles1->actions()) {
        if (a->isSeparator())
            continue;
        const QString path = a->data().toString();
        return path.isEmpty() ? a->text() : path;
    }
    return QString();
}

bool TZentavistaApp::playlistHoldsCaseless(const QString &path) const
{
    const zv::TPlaylist &pls = playlist();
    for (int i = 0; i < pls.count(); ++i)
        if (pls.at(i).Path.compare(path, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void TZentavistaApp::PauseClick()
{
    if (MediaEngine *e = m())
        e->Pause();
    UstawMStaus();
}

void TZentavistaApp::StopClick()
{
    if (MediaEngine *e = m()) {
        e->Stop();
        e->setCurrentPosition(0);
    }
    UstawMDoPosuwadel();
    UstawMStaus();
}

void TZentavistaApp::NextClick()
{
    runPlaylistStep(playlist().nextStep(CurrentMediaPath, Powt1->isChecked()));
}

void TZentavistaApp::PrevClick()
{
    runPlaylistStep(playlist().previousStep(CurrentMediaPath, Powt1->isChecked()));
}

void TZentavistaApp::runPlaylistStep(const zv::PlaylistStep &step)
{
    if (step.play)
        runCommand(Play);
    if (step.open >= 0)
        LadujMedia(step.open);
    if (step.playPause)
        runCommand(OW1);
    UstawMStaus();
}

void TZentavistaApp::OW1Click()
{
    if (MediaEngine *e = m()) {
        switch (e->PlayState()) {
        case MediaEngine::psStopped:
            if (!CurrentMediaPath.isEmpty())
                e->Play();
            break;
        case MediaEngine::psPaused: e->Play(); break;
        case MediaEngine::psPlaying: e->Pause(); break;
        case MediaEngine::psClosed: runCommand(Play); break;
        default: break;
        }
    }
    UstawMStaus();
}

void TZentavistaApp::Od1Click()
{
    runCommand(Play);
    UstawMStaus();
}

void TZentavistaApp::P1Click()
{
    runCommand(Pause);
    UstawMStaus();
}

void TZentavistaApp::Z1Click()
{
    runCommand(Stop);
    UstawMStaus();
}

void TZentavistaApp::na1Click()
{
    runCommand(Next);
    UstawMStaus();
}

void TZentavistaApp::po1Click()
{
    runCommand(Prev);
    UstawMStaus();
}

void TZentavistaApp::PT1Click()
{
    if (MediaEngine *e = m())
        e->setCurrentPosition(qMax(e->CurrentPosition() - settings().Shift, 0.0));
}

void TZentavistaApp::PP1Click()
{
    // No upper bound: the engine copes with a position past the end.
    if (MediaEngine *e = m())
        e->setCurrentPosition(e->CurrentPosition() + settings().Shift);
}

void TZentavistaApp::Powt1Click()
{
    // The item is checkable: the click has already toggled its mark.
    UstawMStaus();
}

// ---- position slider ------------------------------------------------------------------------------

void TZentavistaApp::UstawMDoPosuwadel()
{
    TransportState &t = transportState();
    if (SeekDragging || ShuttingDown || !t.slider)
        return;
    MediaEngine *e = m();
    const PositionSlider s{t.slider->width()};
    const int left = e ? s.thumbForPosition(e->CurrentPosition(), e->Duration())
                       : PositionSlider::kMinLeft;
    t.slider->setThumbLeft(left);
}

void TZentavistaApp::UstawPosuwadlaDoM()
{
    TransportState &t = transportState();
    MediaEngine *e = m();
    if (!e || !t.slider || e->PlayState() > MediaEngine::psWaiting)
        return;
    const PositionSlider s{t.slider->width()};
    e->setCurrentPosition(s.positionForThumb(t.slider->thumbLeft(), e->Duration()));
}

void TZentavistaApp::SeekMouseDown(bool onThumb, int trackX, int globalX, Qt::MouseButtons buttons)
{
    TransportState &t = transportState();
    MediaEngine *e = m();
    if (!e || !buttons.testFlag(Qt::LeftButton) || e->PlayState() == MediaEngine::psClosed)
        return;
    StateBeforeSeekDrag = e->PlayState();
    if (StateBeforeSeekDrag == MediaEngine::psPaused || StateBeforeSeekDrag == MediaEngine::psPlaying)
        e->Pause();
    t.seekAnchorX = globalX;
    t.seekAnchorLeft = t.slider->thumbLeft();
    SeekDragging = true;
    Timer4->start();
    if (onThumb)
        return;
    UstawPosuwadlaDoM();
    t.slider->setThumbLeft(PositionSlider{t.slider->width()}.thumbForTrackX(trackX));
    UstawPosuwadlaDoM();
}

void TZentavistaApp::SeekMouseMove(bool onThumb, int trackX, int globalX)
{
    TransportState &t = transportState();
    MediaEngine *e = m();
    if (!SeekDragging || !e)
        return;
    const PositionSlider s{t.slider->width()};
    const int left = onThumb ? s.thumbForDrag(t.seekAnchorLeft, globalX - t.seekAnchorX)
                             : s.thumbForTrackX(trackX);
    t.slider->setThumbLeft(left);
    // The label follows the thumb, not the engine, while the user drags.
    Label2->setText(zv::playback::timeLabelText(s.positionForThumb(left, e->Duration()),
                                                e->Duration(), ShowElapsedTime));
}

void TZentavistaApp::SeekMouseUp(Qt::MouseButtons buttons)
{
    if (buttons.testFlag(Qt::RightButton) || !SeekDragging)
        return;
    EndSeekDrag();
}

void TZentavistaApp::EndSeekDrag()
{
    SeekDragging = false;
    Timer4->stop();
    UstawPosuwadlaDoM();
    MediaEngine *e = m();
    if (!e)
        return;
    if (StateBeforeSeekDrag == MediaEngine::psPaused)
        e->Pause();
    else if (StateBeforeSeekDrag == MediaEngine::psPlaying)
        e->Play();
}

void TZentavistaApp::Timer4Timer()
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

zv::SystemVolume *TZentavistaApp::systemVolume()
{
    TransportState &t = transportState();
    if (!settings().SystemVolumeControl)
        return nullptr;
    if (!t.systemVolume)
        t.systemVolume = std::make_unique<zv::SystemVolume>();
    return t.systemVolume.get();
}

void TZentavistaApp::UstawMDoVolPos()
{
    TransportState &t = transportState();
    MediaEngine *e = m();
    if (!e || !t.volume)
        return;
    std::optional<int> left;
    if (zv::SystemVolume *sv = systemVolume()) {
        if (const auto levels = sv->levels())
            left = VolumeSlider::thumbForChannel(levels->left);
    } else {
        left = VolumeSlider::thumbForEngineVolume(e->Volume());
    }
    if (left && !VolumeDragging)
        t.volume->setThumbLeft(*left);
    syncMuteControls(false);
}

void TZentavistaApp::syncMuteControls(bool includeMenu)
{
    MediaEngine *e = m();
    if (!e || !ToolButton19)
        return;
    const bool sound = e->IsSoundCardEnabled();
    const bool muted = e->Mute();
    W2->setEnabled(sound);
    ToolButton19->setEnabled(sound);
    if (!includeMenu)
        W2->setChecked(muted);
    if (ToolButton19->isChecked() != muted)
        ToolButton19->setChecked(muted);
    const bool iconMuted = ToolButton19->property("muted").toBool();
    if (iconMuted != muted || ToolButton19->property("muted").isNull()) {
        ToolButton19->setProperty("muted", muted);
        ToolButton19->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted
                                                          : QStyle::SP_MediaVolume));
    }
}

void TZentavistaApp::UstawVolPosDoM()
{
    TransportState &t = transportState();
    QCoreApplication::processEvents();
    MediaEngine *e = m();
    if (!e || !t.volume)
        return;
    const int left = t.volume->thumbLeft();
    if (zv::SystemVolume *sv = systemVolume()) {
        const std::uint8_t v = VolumeSlider::channelForThumb(left);
        sv->setLevels({v, v});
    }
    e->setVolume(VolumeSlider::engineVolumeForThumb(left));
}

void TZentavistaApp::stepVolume(bool up)
{
    MediaEngine *e = m();
    if (!e)
        return;
    using namespace zv::playback;
    if (zv::SystemVolume *sv = systemVolume()) {
        if (const auto l = sv->levels()) {
            const auto step = [up](int level) { return std::uint8_t(up ? channelUp(level) : channelDown(level)); };
            sv->setLevels({step(l->left), step(l->right)});
        }
    } else {
        e->setVolume(up ? engineVolumeUp(e->Volume()) : engineVolumeDown(e->Volume()));
    }
    UstawMDoVolPos();
}

void TZentavistaApp::pod1Click()
{
    stepVolume(true);
}

void TZentavistaApp::sci1Click()
{
    stepVolume(false);
}

void TZentavistaApp::W2Click()
{
    // The item is checkable: the click has already toggled its mark.
    if (MediaEngine *e = m())
        e->setMute(W2->isChecked());
    // With nothing open the 50 ms refresh rests, so the button follows here.
    UstawMDoVolPos();
}

void TZentavistaApp::ToolButton19Click()
{
    MediaEngine *e = m();
    if (!e)
        return;
    e->setMute(!e->Mute());
    // The menu's check mark follows at the next refresh.
    syncMuteControls(true);
}

// ---- rate ----------------------------------------------------------------------------------------

void TZentavistaApp::UstawRateStatus(QAction *item)
{
    MediaEngine *e = m();
    if (!e || !item)
        return;
    const int tag = item->data().toInt();
    if (zv::playback::rateClickChanges(tag, e->Rate()))
        e->setRate(zv::playback::rateAfterClick(tag, e->Rate()));
    const int checked = zv::playback::checkedRateTag(e->Rate());
    QAction *faster = nullptr, *slower = nullptr, *top = nullptr, *bottom = nullptr;
    for (QAction *a : transportState().rateItems) {
        a->setChecked(a->data().toInt() == checked);
        switch (a->data().toInt()) {
        case zv::playback::kFasterTag: faster = a; break;
        case zv::playback::kSlowerTag: slower = a; break;
        case zv::playback::kMaxRateTag: top = a; break;
        case zv::playback::kMinRateTag: bottom = a; break;
        default: break;
        }
    }
    if (faster && top)
        faster->setEnabled(!top->isChecked());
    if (slower && bottom)
        slower->setEnabled(!bottom->isChecked());
}

// ---- engine windows ------------------------------------------------------------------------------

void TZentavistaApp::stat1Click()
{
    if (MediaEngine *e = m())
        e->ShowDialog(MediaEngine::dkStatistics);
}

void TZentavistaApp::Info1Click()
{
    if (MediaEngine *e = m())
        e->AboutBox();
}

void TZentavistaApp::mediaprop1Click()
{
    // The engine offers the properties window directly, so no detour through its context
    // menu and synthesized keys is needed.
    if (MediaEngine *e = m()) {
        e->setEnableContextMenu(true);
        e->ShowDialog(MediaEngine::dkProperties);
        e->setEnableContextMenu(false);
    }
}
