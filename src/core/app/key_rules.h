#pragma once

#include <Qt>

namespace zv::keys {

// Which modifiers a key row asks for. Alt, Ctrl and Shift count; the keypad flag never does.
enum class Mods : unsigned char {
    None,              // none of the three
    CtrlOnly,
    ShiftOnly,
    AltOnly,
    CtrlShift,         // both, Alt not held
    CtrlShiftAnyAlt,   // both, Alt allowed
    CtrlOrAltNoShift,  // Ctrl or Alt or both, Shift not held
    NoCtrlNoAlt,       // Shift allowed
    NoneOrCtrl,        // nothing, or Ctrl alone
    Any,
};

// The program's window that has the keyboard, as the key rows tell windows apart. The main
// window counts as the video window while full screen is on (only the picture shows then).
enum class Window : unsigned char { Main, Video, Bar, Playlist, Database, Editor, Other };

// Where a key row applies.
enum class Group : unsigned char {
    Player,             // main window, video window, control bar
    PlayerOrList,       // those and the playlist and subtitle-database windows
    PlayerOrPlaylist,   // the player windows and the playlist window
    LeaveFullScreen,    // video window, control bar or database window, with full screen on
    Playlist,           // the playlist window
    OpenFolder,         // main window, database window, video window, control bar
    ReloadWindows,      // main window, playlist window, video window, control bar
    Any,
};

bool modsMatch(Mods wanted, Qt::KeyboardModifiers held);
bool groupMatches(Group group, Window active, bool fullScreen);
inline bool isPlayerWindow(Window w)
{
    return w == Window::Main || w == Window::Video || w == Window::Bar;
}

// Whole wheel notches out of high-resolution deltas (120 units a notch): a touchpad's many
// small deltas add up instead of each counting as a notch.
class WheelNotches {
public:
    // Returns the signed number of whole notches completed by this delta.
    int add(int angleDelta);

private:
    int rest_ = 0;
};

} // namespace zv::keys
