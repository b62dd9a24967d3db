#include "core/app/key_rules.h"

namespace zv::keys {

bool modsMatch(Mods wanted, Qt::KeyboardModifiers held)
{
    const bool ctrl = held.testFlag(Qt::ControlModifier);
    const bool shift = held.testFlag(Qt::ShiftModifier);
    const bool alt = held.testFlag(Qt::AltModifier);
    switch (wanted) {
    case Mods::None: return !ctrl && !shift && !alt;
    case Mods::CtrlOnly: return ctrl && !shift && !alt;
    case Mods::ShiftOnly: return shift && !ctrl && !alt;
    case Mods::AltOnly: return alt && !ctrl && !shift;
    case Mods::CtrlShift: return ctrl && shift && !alt;
    case Mods::CtrlShiftAnyAlt: return ctrl && shift;
    case Mods::CtrlOrAltNoShift: return (ctrl || alt) && !shift;
    case Mods::NoCtrlNoAlt: return !ctrl && !alt;
    case Mods::NoneOrCtrl: return !shift && !alt;
    case Mods::Any: return true;
    }
    return false;
}

bool groupMatches(Group group, Window w, bool fullScreen)
{
    switch (group) {
    case Group::Player: return isPlayerWindow(w);
    case Group::PlayerOrList:
        return isPlayerWindow(w) || w == Window::Playlist || w == Window::Database;
    case Group::PlayerOrPlaylist: return isPlayerWindow(w) || w == Window::Playlist;
    case Group::LeaveFullScreen:
        return fullScreen && (w == Window::Video || w == Window::Bar || w == Window::Database);
    case Group::Playlist: return w == Window::Playlist;
    case Group::OpenFolder:
        return w == Window::Main || w == Window::Video || w == Window::Bar || w == Window::Database;
    case Group::ReloadWindows:
        return w == Window::Main || w == Window::Video || w == Window::Bar || w == Window::Playlist;
    case Group::Any: return true;
    }
    return false;
}

int WheelNotches::add(int angleDelta)
{
    // A change of direction starts a new notch: what was left over belonged to the other way.
    if ((angleDelta > 0 && rest_ < 0) || (angleDelta < 0 && rest_ > 0))
        rest_ = 0;
    rest_ += angleDelta;
    const int notches = rest_ / 120;
    rest_ -= notches * 120;
    return notches;
}

} // namespace zv::keys
