#pragma once

#include <QList>
#include <QObject>

#include <memory>

class QAction;
class QTimer;

namespace zv {

struct AppContext;
struct PlaylistStep;
class PositionSliderWidget;
class SystemVolume;
class VolumeSliderWidget;

// Transport: play, pause, stop, next and previous, seeking, the position and volume sliders,
// mute, the rate menu, and the engine's own windows (statistics, properties).
class TransportController : public QObject {
    Q_OBJECT

public:
    explicit TransportController(AppContext &ctx);
    ~TransportController() override;

    void UstawMDoPosuwadel();   // engine position -> thumb
    void UstawPosuwadlaDoM();   // thumb -> engine position (a seek)
    void UstawMDoVolPos();      // volume -> thumb and mute controls
    void UstawVolPosDoM();      // volume thumb -> volume
    void UstawRateStatus(QAction *item);
    void ToolButton19Click();   // the mute button
    // The position slider's mouse, as the slider reports it (trackX in track coordinates).
    void SeekMouseDown(bool onThumb, int trackX, int globalX, Qt::MouseButtons buttons);
    void SeekMouseMove(bool onThumb, int trackX, int globalX);
    void SeekMouseUp(Qt::MouseButtons buttons);
    void SeekBy(double seconds);           // Enter: the position moves by that much
    void StepRate(int direction);          // +1 faster, -1 slower, 0 normal
    PositionSliderWidget *positionSlider() const { return slider_; }
    VolumeSliderWidget *volumeSlider() const { return volume_; }
    QList<QAction *> rateItems() const { return rateItems_; }   // PR1's items, "Szybciej" first

    bool SeekDragging = false;
    int StateBeforeSeekDrag = 0;   // PlayState at the start of a position drag
    bool VolumeDragging = false;
    QTimer *Timer4 = nullptr;      // 500 ms while the position thumb is dragged
    void Timer4Timer();

    void PlayClick();
    void StopClick();
    void PauseClick();
    void NextClick();
    void PrevClick();
    void OW1Click();
    void Od1Click();
    void P1Click();
    void Z1Click();
    void na1Click();
    void po1Click();
    void PT1Click();
    void PP1Click();
    void Powt1Click();
    void pod1Click();
    void sci1Click();
    void W2Click();
    void stat1Click();
    void Info1Click();
    void mediaprop1Click();

private:
    void buildButtons();
    void buildSliders();
    void buildRateItems();
    void connectEngine();
    void runPlaylistStep(const PlaylistStep &step);
    void EndSeekDrag();
    void stepVolume(bool up);
    SystemVolume *systemVolume();
    void syncMuteControls(bool includeMenu);

    AppContext &ctx_;
    PositionSliderWidget *slider_ = nullptr;
    VolumeSliderWidget *volume_ = nullptr;
    QList<QAction *> rateItems_;
    int seekAnchorX_ = 0, seekAnchorLeft_ = 0;
    int volumeAnchorX_ = 0, volumeAnchorLeft_ = 0;
    std::unique_ptr<SystemVolume> systemVolume_;   // made when SystemVolumeControl is first on
};

} // namespace zv
