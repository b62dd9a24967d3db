#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace zv::video {

// How the engine's picture is framed inside the video window. Only PanScanValue is saved; the
// rest lasts for the run.
struct Framing {
    bool panScanOn = false;
    int panScanValue = 120;   // percent
    int offsetX = 0;          // PictureOffsetX
    int offsetY = 0;          // PictureOffsetY
    int verticalInset = 0;    // band cut from the top and from the bottom
};

// The engine's rectangle in the video panel's coordinates for a panel of width x height.
// Pan-scan enlarges it by panScanValue percent about the centre; results are truncated toward
// zero and may be negative (an inset over half the height gives a negative height).
QRect engineRect(int width, int height, const Framing &f);

// The zoom at which a picture fitted to the screen's width fills its height:
// round(screenH * 100 / (imageH * screenW / imageW)); nothing when imageH * screenW or imageW
// is 0 (no picture).
std::optional<int> autoPanScanValue(int screenW, int screenH, int imageW, int imageH);

// The picture framing steps, each changing one field. Switching pan-scan on before an inset
// step is the caller's: it is a click on the pan-scan command, with its check mark and refresh.
enum class FramingStep {
    PanScanInc,     // +2 %
    PanScanDec,     // -2 %
    PanScanNormal,  // 100 %
    OffsetLeft,     // x - 5
    OffsetRight,    // x + 5
    OffsetUp,       // y - 5
    OffsetDown,     // y + 5
    OffsetReset,    // x = y = 0
    InsetLess,      // inset - 5
    InsetMore,      // inset + 5
    InsetReset,     // inset = 0
};
Framing stepped(Framing f, FramingStep step);

// A display mode as the full-screen option lists it: "W x H x bits", optionally "x refresh".
struct DisplayMode {
    int width = 0;
    int height = 0;
    int bits = 0;
    int refresh = 0;   // hertz; 0: not specified
    bool operator==(const DisplayMode &) const = default;
};

// Fields separated by "x", spaces ignored ("640x480x16" and "640 x 480 x 16" both parse).
// Width and height are required and must be positive; a text that does not parse gives nothing.
std::optional<DisplayMode> parseDisplayMode(const QString &text);
QString displayModeText(const DisplayMode &mode);   // "W x H x bits[ x refresh]"

} // namespace zv::video
