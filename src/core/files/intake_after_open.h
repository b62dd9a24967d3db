#pragma once

#include <QString>

namespace zv {

// What the main window does once the engine reports a clip open, worked out without a window.

// Frames per second from the clip's duration in frames and in seconds. An engine that knows no
// frame count reports the seconds for both (ratio exactly 1); that, a zero or unknown duration
// and any other unusable ratio give 25, so the subtitle timing always has a rate to work with.
double mediaFrameRateOf(double frames, double seconds);

// The main window's size around the video panel. Chrome is everything but the video panel
// (menu, toolbar, sliders, status bar).
struct WindowFitInput {
    int pictureWidth = 0, pictureHeight = 0;   // the engine's picture; 0 x 0 for sound only
    int width = 0, height = 0;                 // the window now
    int chromeWidth = 0, chromeHeight = 0;
    int videoPanelHeight = 0;
    bool autoSize = true;
    bool maxHeightSet = false;                 // an earlier sound-only clip pinned the height
};

struct WindowFit {
    int width = 0, height = 0;
    int minWidth = 320;
    int minHeight = -1;     // -1: leave as it is
    int maxHeight = -1;     // -1: leave as it is; 0: no limit
    bool leaveFullScreen = false;
};

// A picture: with AutoSize (or a collapsed video panel) the window takes the picture's size
// plus its chrome, at least 320 wide; a height pinned by a sound-only clip is released and
// the picture's height taken. No picture: the window shrinks to its controls, its height
// pinned there, and full screen is left.
WindowFit fitWindowToClip(const WindowFitInput &in);

// The folder the folder picker starts in: that of the open clip, or empty.
QString folderOfMedia(const QString &mediaPath);

} // namespace zv
