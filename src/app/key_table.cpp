#include "app/key_table.h"

#include "core/video/video_layout.h"
#include "playback/media_engine.h"

#include <QAction>
#include <QStringList>

namespace zv {
namespace {

using T = KeyActions;
using keys::Group;
using keys::Mods;
using Run = void (*)(T &, const KeyContext &);
using FS = video::FramingStep;

constexpr KeyRow click(int key, Mods mods, Group group, Cmd item, const char *keyText,
                       bool consumed = true, const char *what = nullptr)
{
    return {key, false, mods, group, item, nullptr, consumed, keyText, what};
}

constexpr KeyRow act(int key, Mods mods, Group group, Run run, const char *keyText,
                     const char *what, bool consumed = true)
{
    return {key, false, mods, group, Cmd::Count, run, consumed, keyText, what};
}

constexpr KeyRow keypad(int key, Mods mods, Group group, Run run, const char *keyText,
                        const char *what, bool consumed)
{
    return {key, true, mods, group, Cmd::Count, run, consumed, keyText, what};
}

void frame(T &w, FS step) { w.StepFraming(step); }

const KeyRow kKeys[] = {
    click(Qt::Key_Return, Mods::CtrlOrAltNoShift, Group::PlayerOrList, Cmd::FullScr, "Ctrl+Enter",
          true, "Pełny ekran ze zmianą rozdzielczości (Alt+Enter: bez zmiany)"),
    act(Qt::Key_Return, Mods::None, Group::Player, [](T &w, const KeyContext &) { w.SeekBy(1.0); }, "Enter",
        "Przewiń o 1 sekundę do przodu"),
    click(Qt::Key_Escape, Mods::None, Group::LeaveFullScreen, Cmd::FullScr, "Esc", true,
          "Wyjście z pełnego ekranu"),
    act(Qt::Key_Escape, Mods::Any, Group::Playlist, [](T &w, const KeyContext &) { w.HidePlaylistWindow(); },
        nullptr, nullptr, false),
    click(Qt::Key_Space, Mods::None, Group::PlayerOrPlaylist, Cmd::OW1, "Spacja"),
    act(Qt::Key_PageUp, Mods::None, Group::Player, [](T &w, const KeyContext &) { w.StepRate(+1); }, "Page Up",
        "Szybciej"),
    act(Qt::Key_PageDown, Mods::NoCtrlNoAlt, Group::Player, [](T &w, const KeyContext &) { w.StepRate(-1); },
        "Page Down", "Wolniej"),
    act(Qt::Key_Home, Mods::None, Group::Player, [](T &w, const KeyContext &) { w.StepRate(0); }, "Home",
        "Normalna prędkość"),
    act(Qt::Key_Home, Mods::CtrlOnly, Group::Player,
        [](T &w, const KeyContext &) {
            frame(w, FS::InsetReset);
            w.run(Cmd::PanScanNormal1);
        },
        "Ctrl+Home", "PanScan 100 %"),
    act(Qt::Key_Home, Mods::CtrlShift, Group::Player,
        [](T &w, const KeyContext &) {
            w.PanScanOnIfOff();
            frame(w, FS::InsetReset);
        },
        "Ctrl+Shift+Home", "Bez przycięcia obrazu u góry i u dołu"),
    act(Qt::Key_Home, Mods::CtrlShiftAnyAlt, Group::Player,
        [](T &w, const KeyContext &) {
            w.RelayoutNudged();
            w.PanScanOnIfOff();
        },
        nullptr, nullptr, false),
    act(Qt::Key_Home, Mods::ShiftOnly, Group::Player, [](T &w, const KeyContext &) { frame(w, FS::OffsetReset); },
        "Shift+Home", "Obraz na środek"),
    click(Qt::Key_Left, Mods::None, Group::Player, Cmd::PT1, "Strzałka w lewo"),
    act(Qt::Key_Left, Mods::ShiftOnly, Group::Player, [](T &w, const KeyContext &) { frame(w, FS::OffsetLeft); },
        "Shift+Strzałka w lewo", "Przesuń obraz w lewo"),
    click(Qt::Key_Right, Mods::None, Group::Player, Cmd::PP1, "Strzałka w prawo"),
    act(Qt::Key_Right, Mods::ShiftOnly, Group::Player, [](T &w, const KeyContext &) { frame(w, FS::OffsetRight); },
        "Shift+Strzałka w prawo", "Przesuń obraz w prawo"),
    click(Qt::Key_Up, Mods::None, Group::Player, Cmd::pod1, "Strzałka w górę"),
    act(Qt::Key_Up, Mods::CtrlOnly, Group::Player,
        [](T &w, const KeyContext &) {
            w.PanScanOnIfOff();
            w.run(Cmd::PanScanInc1);
        },
        "Ctrl+Strzałka w górę", "PanScan: powiększ"),
    act(Qt::Key_Up, Mods::CtrlShift, Group::Player,
        [](T &w, const KeyContext &) {
            w.PanScanOnIfOff();
            frame(w, FS::InsetLess);
        },
        "Ctrl+Shift+Strzałka w górę", "Mniej przycięcia u góry i u dołu"),
    act(Qt::Key_Up, Mods::ShiftOnly, Group::Player, [](T &w, const KeyContext &) { frame(w, FS::OffsetUp); },
        "Shift+Strzałka w górę", "Przesuń obraz w górę"),
    click(Qt::Key_Down, Mods::None, Group::Player, Cmd::sci1, "Strzałka w dół"),
    act(Qt::Key_Down, Mods::CtrlOnly, Group::Player,
        [](T &w, const KeyContext &) {
            w.PanScanOnIfOff();
            w.run(Cmd::PanScanDec1);
        },
        "Ctrl+Strzałka w dół", "PanScan: pomniejsz"),
    act(Qt::Key_Down, Mods::CtrlShift, Group::Player,
        [](T &w, const KeyContext &) {
            w.PanScanOnIfOff();
            frame(w, FS::InsetMore);
        },
        "Ctrl+Shift+Strzałka w dół", "Więcej przycięcia u góry i u dołu"),
    act(Qt::Key_Down, Mods::ShiftOnly, Group::Player, [](T &w, const KeyContext &) { frame(w, FS::OffsetDown); },
        "Shift+Strzałka w dół", "Przesuń obraz w dół"),
    click(Qt::Key_Insert, Mods::None, Group::OpenFolder, Cmd::opendir1, "Insert", true,
          "Otwórz katalog..."),
    act(Qt::Key_Insert, Mods::None, Group::Playlist, [](T &w, const KeyContext &) { w.PlaylistAddFolder(); },
        nullptr, nullptr),
    click(Qt::Key_A, Mods::None, Group::Player, Cmd::NastSD1, "A", true, "Następna ścieżka dźwiękowa"),
    click(Qt::Key_B, Mods::None, Group::PlayerOrList, Cmd::na1, "B"),
    click(Qt::Key_C, Mods::None, Group::PlayerOrList, Cmd::P1, "C"),
    click(Qt::Key_C, Mods::CtrlOnly, Group::Player, Cmd::Zamknij1, "Ctrl+C"),
    click(Qt::Key_C, Mods::CtrlShift, Group::Player, Cmd::Zamknij2, "Ctrl+Shift+C"),
    click(Qt::Key_E, Mods::None, Group::PlayerOrList, Cmd::Edytortxt1, "E"),
    click(Qt::Key_I, Mods::None, Group::PlayerOrList, Cmd::SDPZN1, "I"),
    click(Qt::Key_J, Mods::None, Group::PlayerOrList, Cmd::SDP1, "J"),
    click(Qt::Key_M, Mods::NoCtrlNoAlt, Group::Player, Cmd::W2, "M"),
    click(Qt::Key_N, Mods::None, Group::PlayerOrList, Cmd::SDN1, "N"),
    click(Qt::Key_N, Mods::CtrlOnly, Group::PlayerOrList, Cmd::Wy1, "Ctrl+N"),
    click(Qt::Key_O, Mods::None, Group::Player, Cmd::Opcje1, "O"),
    click(Qt::Key_S, Mods::None, Group::Player, Cmd::SynchAuto1, "S"),
    click(Qt::Key_O, Mods::CtrlOnly, Group::Player, Cmd::OT1, "Ctrl+O"),
    click(Qt::Key_O, Mods::CtrlShift, Group::Player, Cmd::OT2, "Ctrl+Shift+O"),
    click(Qt::Key_P, Mods::None, Group::PlayerOrList, Cmd::PL1, "P"),
    click(Qt::Key_P, Mods::CtrlOnly, Group::PlayerOrList, Cmd::PanScan1, "Ctrl+P"),
    click(Qt::Key_P, Mods::ShiftOnly, Group::PlayerOrList, Cmd::AutoPanScan1, "Shift+P", true,
          "PanScan dopasowany do ekranu"),
    click(Qt::Key_R, Mods::CtrlShift, Group::ReloadWindows, Cmd::Prze1, "Ctrl+Shift+R"),
    click(Qt::Key_R, Mods::CtrlOnly, Group::Player, Cmd::Powt1, "Ctrl+R"),
    click(Qt::Key_S, Mods::CtrlOnly, Group::Player, Cmd::stat1, "Ctrl+S"),
    click(Qt::Key_T, Mods::None, Group::Player, Cmd::BT1, "T"),
    act(Qt::Key_T, Mods::CtrlShift, Group::Player, [](T &w, const KeyContext &) { w.SetTransparentColor(); },
        "Ctrl+Shift+T", "Odśwież tło napisów"),
    click(Qt::Key_V, Mods::None, Group::PlayerOrList, Cmd::Z1, "V"),
    click(Qt::Key_W, Mods::ShiftOnly, Group::Player, Cmd::mediaprop1, "Shift+W"),
    click(Qt::Key_X, Mods::None, Group::PlayerOrList, Cmd::Od1, "X"),
    click(Qt::Key_Z, Mods::None, Group::PlayerOrList, Cmd::po1, "Z"),
    keypad(Qt::Key_Asterisk, Mods::NoneOrCtrl, Group::Player,
           [](T &w, const KeyContext &) { w.ResetSubtitlePosition(); }, "Num *", "Napisy na domyślną wysokość",
           false),
    keypad(Qt::Key_Plus, Mods::NoneOrCtrl, Group::Player, [](T &w, const KeyContext &) { w.KeypadPlusMinus(true); },
           "Num +", "Napisy wyżej (z Ctrl: o 1 piksel)", true),
    keypad(Qt::Key_Minus, Mods::NoneOrCtrl, Group::Player,
           [](T &w, const KeyContext &) { w.KeypadPlusMinus(false); }, "Num -",
           "Napisy niżej (z Ctrl: o 1 piksel)", true),
    act(Qt::Key_F1, Mods::Any, Group::Any,
        [](T &w, const KeyContext &k) {
            if (keys::isPlayerWindow(k.active) && k.mods == Qt::NoModifier)
                w.run(Cmd::About1);
        },
        "F1", "O programie..."),
    act(Qt::Key_F4, Mods::AltOnly, Group::Any,
        [](T &w, const KeyContext &k) {
            if (keys::isPlayerWindow(k.active))
                w.run(Cmd::Zakocz1);
        },
        "Alt+F4", "Zakończ"),
    click(Qt::Key_F11, Mods::None, Group::PlayerOrList, Cmd::FullScr, "F11"),
};

} // namespace

std::span<const KeyRow> keyTable()
{
    return kKeys;
}

QStringList keyListTexts(const Commands &commands)
{
    QStringList lines;
    for (const KeyRow &row : kKeys) {
        if (!row.keyText)
            continue;
        QString what = row.what ? QString::fromUtf8(row.what) : QString();
        if (what.isEmpty() && row.click != Cmd::Count) {
            what = commands.action(row.click)->text();
            what = what.left(what.indexOf(QLatin1Char('\t'))).trimmed();
        }
        lines << QString::fromUtf8(row.keyText) + QLatin1Char('\t') + what;
    }
    return lines;
}

} // namespace zv
