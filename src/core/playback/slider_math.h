#pragma once

#include <cstdint>

// Arithmetic of the hand-made position and volume sliders. Pure functions over pixels, seconds
// and the engine's volume units, so the rules are tested without a window.
namespace zv::playback {

// The linear mapping used by both sliders: y1 when x equals x1 exactly, else
// y1 + (x - x1) * (y2 - y1) / (x2 - x1). An empty source range (x1 == x2) also gives y1 instead
// of an infinity, so a slider squeezed to nothing still seeks somewhere sane.
double Przeskaluj(double x1, double x2, double y1, double y2, double x);

// Toward zero / to nearest with halves to even, saturated to the int range (NaN gives 0).
int truncateToInt(double v);
int roundToInt(double v);

// The position slider: a strip of Panel4.Width pixels with a 5-pixel border, and a thumb whose
// Left runs from kMinLeft to maxLeft().
struct PositionSlider {
    static constexpr int kMinLeft = 3;
    static constexpr int kThumbWidth = 15;
    static constexpr int kThumbHeight = 16;
    static constexpr int kBorderWidth = 5;

    int stripWidth = 0; // Panel4.Width

    int maxLeft() const { return stripWidth - kThumbWidth - 3; }
    // Thumb Left for the engine's position; durations that round to 0 or less keep it at the
    // start. Positions before 0 may put it left of kMinLeft; it never passes maxLeft().
    int thumbForPosition(double position, double duration) const;
    // Seconds for a thumb Left; a thumb at kMinLeft is exactly 0.
    double positionForThumb(int left, double duration) const;
    // Thumb centred on a click or cursor at x in the track (Panel5 coordinates).
    int thumbForTrackX(int x) const;
    // Thumb dragged by dx pixels from where it was at mouse-down.
    int thumbForDrag(int anchorLeft, int dx) const;

private:
    int bounded(int left) const;
};

// The volume slider: Panel8 52 pixels wide, thumb Panel7 10 wide; Left runs from 0 to width().
struct VolumeSlider {
    static constexpr int kPanelWidth = 52;
    static constexpr int kPanelHeight = 20;
    static constexpr int kThumbWidth = 10;
    static constexpr int width() { return kPanelWidth - kThumbWidth; }

    // Engine volume (-5000 silent .. 0 full, hundredths of a decibel) <-> thumb Left.
    static int thumbForEngineVolume(int centibels);
    static int engineVolumeForThumb(int left);
    // One channel of the system stream volume (0..255) <-> thumb Left.
    static int thumbForChannel(int level);
    static std::uint8_t channelForThumb(int left);
    static int thumbForDrag(int anchorLeft, int dx);
};

// The volume commands' steps.
int engineVolumeUp(int centibels);    // +100, never above 0
int engineVolumeDown(int centibels);  // -100, never below -5000
int channelUp(int level);             // +10, 246 and above become 255
int channelDown(int level);           // -10, 9 and below become 0

} // namespace zv::playback
