#pragma once

// The main window's private state of the transport, slider and status code
// (main_window_transport.cpp, main_window_status.cpp).

#include "app/main_window.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <memory>

class QAction;

namespace zv {
class PositionSliderWidget;
class SystemVolume;
class VolumeSliderWidget;
} // namespace zv

struct TZentavistaApp::TransportState {
    bool built = false;
    zv::PositionSliderWidget *slider = nullptr;
    zv::VolumeSliderWidget *volume = nullptr;
    QList<QAction *> rateItems;            // PR1's items in menu order
    int seekAnchorX = 0, seekAnchorLeft = 0;
    int volumeAnchorX = 0, volumeAnchorLeft = 0;
    std::unique_ptr<zv::SystemVolume> systemVolume; // made when SystemVolumeControl is first on
    bool idleShown = false;                // the closed state is already on screen
    bool statusAsleep = false;             // Timer2 stopped: nothing open, nothing changed since
    bool timersAsleep = false;             // Timer2/Timer3 stopped while minimised or hidden
};
