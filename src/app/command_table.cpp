#include "app/command_table.h"

#include "app/commands.h"

namespace zv {
namespace {

using Row = CommandRow;
using M = MenuId;
using C = Cmd;

constexpr Row menu(const char *name, const char *parent, const char *caption, MenuId id)
{
    return {Row::Menu, name, parent, caption, false, false, id, Cmd::Count};
}

constexpr Row item(const char *name, const char *parent, const char *caption, Cmd command,
                   bool checkable = false)
{
    return {Row::Item, name, parent, caption, false, checkable, MenuId::Count, command};
}

constexpr Row hidden(const char *name, const char *parent, const char *caption, Cmd command)
{
    return {Row::Item, name, parent, caption, true, false, MenuId::Count, command};
}

constexpr Row separator(const char *parent, bool isHidden = false)
{
    return {Row::Separator, nullptr, parent, "-", isHidden, false, MenuId::Count, Cmd::Count};
}

// Captions are shown exactly as written, spaces before the tab included.
const Row kCommands[] = {
    menu("Plik1", nullptr, "&Plik", M::Plik1),
    item("OT1", "Plik1", "Otwórz...\tCtrl+O", C::OT1),
    menu("RecentFiles1", "Plik1", "Ostatnie pliki", M::RecentFiles1),
    item("Prze1", "Plik1", "Przeładuj \tCtrl+Shift+R", C::Prze1),
    item("Zamknij1", "Plik1", "Zamknij \tCtrl+C", C::Zamknij1),
    separator("Plik1"),
    item("mediaprop1", "Plik1", "Właściwości\tShift+W", C::mediaprop1),
    separator("Plik1"),
    item("OT2", "Plik1", "Otwórz tekst...     \tCtrl+Shift+O", C::OT2),
    item("Zamknij2", "Plik1", "Zamknij tekst \tCtrl+Shift+C", C::Zamknij2),
    // Filled with the open film's subtitle tracks.
    menu("NW1", "Plik1", "Napisy wbudowane", M::NW1),
    separator("Plik1"),
    item("Zakocz1", "Plik1", "Zakończ \tAlt+F4", C::Zakocz1),

    menu("Widok1", nullptr, "&Widok", M::Widok1),
    item("Wy1", "Widok1", "Wyświetlaj napisy\tCtrl+N", C::Wy1, true),
    separator("Widok1"),
    item("FullScr", "Widok1", "Pełny ekran\tF11", C::FullScr, true),
    item("PanScan1", "Widok1", "PanScan\tCtrl+P", C::PanScan1, true),
    separator("Widok1"),
    item("stat1", "Widok1", "Statystyka\tCtrl+S", C::stat1),

    menu("Opcj1", nullptr, "&Narzędzia", M::Opcj1),
    item("Opcje1", "Opcj1", "Opcje...\t0", C::Opcje1),
    separator("Opcj1"),
    item("PL1", "Opcj1", "Playlista\tP", C::PL1, true),
    item("BT1", "Opcj1", "Baza tekstów\tT", C::BT1, true),
    item("SDP1", "Opcj1", "Skocz do pliku...\tJ", C::SDP1),
    item("SDN1", "Opcj1", "Skocz do napisu...\tN", C::SDN1),
    item("SDPZN1", "Opcj1", "Skocz do pliku z napisami...     \tI", C::SDPZN1),
    item("Edytortxt1", "Opcj1", "Edytor napisów...\tE", C::Edytortxt1),
    separator("Opcj1"),
    item("SynchAuto1", "Opcj1", "Synchronizuj automatycznie\tS", C::SynchAuto1),

    menu("Odtwarzanie1", nullptr, "&Odtwarzanie", M::Odtwarzanie1),
    item("OW1", "Odtwarzanie1", "Play / Pauza\tSpacja", C::OW1),
    hidden("Od1", "Odtwarzanie1", "Odtwarzaj\tX", C::Od1),
    hidden("P1", "Odtwarzanie1", "Pauza\tC", C::P1),
    item("Z1", "Odtwarzanie1", "Stop\tV", C::Z1),
    item("na1", "Odtwarzanie1", "Następny\tB", C::na1),
    item("po1", "Odtwarzanie1", "Poprzedni\tZ", C::po1),
    separator("Odtwarzanie1"),
    item("PT1", "Odtwarzanie1", "Przewiń do tyłu \tW lewo", C::PT1),
    item("PP1", "Odtwarzanie1", "Przewiń do przodu      \tW prawo", C::PP1),
    separator("Odtwarzanie1"),
    item("Powt1", "Odtwarzanie1", "Powtarzaj\tCtrl+R", C::Powt1, true),
    separator("Odtwarzanie1"),
    menu("G1", "Odtwarzanie1", "Głośność", M::G1),
    item("pod1", "G1", "Podgłoś\tDo góry", C::pod1),
    item("sci1", "G1", "Ścisz\tW dół", C::sci1),
    item("W2", "G1", "Wycisz\tM", C::W2, true),
    menu("PR1", "Odtwarzanie1", "Prędkość", M::PR1),
    // The cycling item, then the open film's audio tracks.
    menu("SD1", "Odtwarzanie1", "Ścieżka dźwiękowa", M::SD1),
    item("NastSD1", "SD1", "Następna ścieżka\tA", C::NastSD1),
    separator("SD1"),
    // Commands that only keys, buttons and the engine reach.
    separator("Odtwarzanie1", true),
    hidden("Play", "Odtwarzanie1", "Play", C::Play),
    hidden("Stop", "Odtwarzanie1", "Stop", C::Stop),
    hidden("Pause", "Odtwarzanie1", "Pause", C::Pause),
    hidden("Next", "Odtwarzanie1", "Next", C::Next),
    hidden("Prev", "Odtwarzanie1", "Prev", C::Prev),
    separator("Odtwarzanie1", true),
    hidden("opendir1", "Odtwarzanie1", "opendir", C::opendir1),
    separator("Odtwarzanie1", true),
    hidden("AutoPanScan1", "Odtwarzanie1", "AutoPanScan", C::AutoPanScan1),
    hidden("PanScanInc1", "Odtwarzanie1", "PanScanInc", C::PanScanInc1),
    hidden("PanScanDec1", "Odtwarzanie1", "PanScanDec", C::PanScanDec1),
    hidden("PanScanNormal1", "Odtwarzanie1", "PanScanNormal", C::PanScanNormal1),
    separator("Odtwarzanie1", true),
    hidden("DisplayerUp1", "Odtwarzanie1", "DisplayerUp", C::DisplayerUp1),
    hidden("DisplayerDown1", "Odtwarzanie1", "DisplayerDown", C::DisplayerDown1),

    menu("Pomoc1", nullptr, "Pomo&c", M::Pomoc1),
    item("About1", "Pomoc1", "O programie...\tF1", C::About1),
    hidden("Info1", "Pomoc1", "Windows Media Player - informacje", C::Info1),
    menu("Korespondencjazautorem2", "Pomoc1", "Korespondencja z autorem",
         M::Korespondencjazautorem2),
    item("Informacjeobdach1", "Korespondencjazautorem2", "Informacje o błędach...",
         C::Informacjeobdach1),
    item("Propozycje1", "Korespondencjazautorem2", "Propozycje, sugestie...", C::Propozycje1),
};

const ToolButtonRow kToolBar[] = {
    {"ToolButton1", "Otwórz film...", C::OT1, false, false},
    {"ToolButton2", "Otwórz plik z napisami...", C::OT2, false, true},
    {"ToolButton3", "Opcje...", C::Opcje1, false, true},
    {"ToolButton23", "Edytor napisów", C::Edytortxt1, false, true},
    {"ToolButton12", "Wyświetlaj napisy", C::Wy1, false, true},
    {"ToolButton22", "Pełny ekran", C::FullScr, true, false},
    {"ToolButton4", "PanScan", C::PanScan1, true, true},
    {"ToolButton7", "O programie...", C::About1, false, false},
};

} // namespace

std::span<const CommandRow> commandTable()
{
    return kCommands;
}

std::span<const ToolButtonRow> mainToolBarTable()
{
    return kToolBar;
}

} // namespace zv
