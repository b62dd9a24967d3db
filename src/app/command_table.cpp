#include "app/command_table.h"

#include "app/main_window.h"

namespace zv {
namespace {

using T = TZentavistaApp;
using Row = CommandRow;

constexpr Row menu(const char *name, const char *parent, const char *caption, QMenu *T::*field)
{
    return {Row::Menu, name, parent, caption, false, false, field, nullptr, nullptr};
}

constexpr Row item(const char *name, const char *parent, const char *caption, QAction *T::*field,
                   void (T::*handler)(), bool checkable = false)
{
    return {Row::Item, name, parent, caption, false, checkable, nullptr, field, handler};
}

constexpr Row hidden(const char *name, const char *parent, const char *caption, QAction *T::*field,
                     void (T::*handler)())
{
    return {Row::Item, name, parent, caption, true, false, nullptr, field, handler};
}

constexpr Row separator(const char *parent, bool isHidden = false)
{
    return {Row::Separator, nullptr, parent, "-", isHidden, false, nullptr, nullptr, nullptr};
}

// Captions are shown exactly as written, spaces before the tab included.
const Row kCommands[] = {
    menu("Plik1", nullptr, "&Plik", &T::Plik1),
    item("OT1", "Plik1", "Otwórz...\tCtrl+O", &T::OT1, &T::OT1Click),
    menu("RecentFiles1", "Plik1", "Ostatnie pliki", &T::RecentFiles1),
    item("Prze1", "Plik1", "Przeładuj \tCtrl+Shift+R", &T::Prze1, &T::Prze1Click),
    item("Zamknij1", "Plik1", "Zamknij \tCtrl+C", &T::Zamknij1, &T::Zamknij1Click),
    separator("Plik1"),
    item("mediaprop1", "Plik1", "Właściwości\tShift+W", &T::mediaprop1, &T::mediaprop1Click),
    separator("Plik1"),
    item("OT2", "Plik1", "Otwórz tekst...     \tCtrl+Shift+O", &T::OT2, &T::OT2Click),
    item("Zamknij2", "Plik1", "Zamknij tekst \tCtrl+Shift+C", &T::Zamknij2, &T::Zamknij2Click),
    separator("Plik1"),
    item("Zakocz1", "Plik1", "Zakończ \tAlt+F4", &T::Zakocz1, &T::Zakocz1Click),

    menu("Widok1", nullptr, "&Widok", &T::Widok1),
    item("Wy1", "Widok1", "Wyświetlaj napisy\tCtrl+N", &T::Wy1, &T::Wy1Click, true),
    separator("Widok1"),
    item("FullScr", "Widok1", "Pełny ekran\tF11", &T::FullScr, &T::FullScrClick, true),
    item("PanScan1", "Widok1", "PanScan\tCtrl+P", &T::PanScan1, &T::PanScan1Click, true),
    separator("Widok1"),
    item("stat1", "Widok1", "Statystyka\tCtrl+S", &T::stat1, &T::stat1Click),

    menu("Opcj1", nullptr, "&Narzędzia", &T::Opcj1),
    item("Opcje1", "Opcj1", "Opcje...\t0", &T::Opcje1, &T::Opcje1Click),
    separator("Opcj1"),
    item("PL1", "Opcj1", "Playlista\tP", &T::PL1, &T::PL1Click, true),
    item("BT1", "Opcj1", "Baza tekstów\tT", &T::BT1, &T::BT1Click, true),
    item("SDP1", "Opcj1", "Skocz do pliku...\tJ", &T::SDP1, &T::SDP1Click),
    item("SDN1", "Opcj1", "Skocz do napisu...\tN", &T::SDN1, &T::SDN1Click),
    item("SDPZN1", "Opcj1", "Skocz do pliku z napisami...     \tI", &T::SDPZN1, &T::SDPZN1Click),
    item("Edytortxt1", "Opcj1", "Edytor napisów...\tE", &T::Edytortxt1, &T::Edytortxt1Click),

    menu("Odtwarzanie1", nullptr, "&Odtwarzanie", &T::Odtwarzanie1),
    item("OW1", "Odtwarzanie1", "Play / Pauza\tSpacja", &T::OW1, &T::OW1Click),
    hidden("Od1", "Odtwarzanie1", "Odtwarzaj\tX", &T::Od1, &T::Od1Click),
    hidden("P1", "Odtwarzanie1", "Pauza\tC", &T::P1, &T::P1Click),
    item("Z1", "Odtwarzanie1", "Stop\tV", &T::Z1, &T::Z1Click),
    item("na1", "Odtwarzanie1", "Następny\tB", &T::na1, &T::na1Click),
    item("po1", "Odtwarzanie1", "Poprzedni\tZ", &T::po1, &T::po1Click),
    separator("Odtwarzanie1"),
    item("PT1", "Odtwarzanie1", "Przewiń do tyłu \tW lewo", &T::PT1, &T::PT1Click),
    item("PP1", "Odtwarzanie1", "Przewiń do przodu      \tW prawo", &T::PP1, &T::PP1Click),
    separator("Odtwarzanie1"),
    item("Powt1", "Odtwarzanie1", "Powtarzaj\tCtrl+R", &T::Powt1, &T::Powt1Click, true),
    separator("Odtwarzanie1"),
    menu("G1", "Odtwarzanie1", "Głośność", &T::G1),
    item("pod1", "G1", "Podgłoś\tDo góry", &T::pod1, &T::pod1Click),
    item("sci1", "G1", "Ścisz\tW dół", &T::sci1, &T::sci1Click),
    item("W2", "G1", "Wycisz\tM", &T::W2, &T::W2Click, true),
    menu("PR1", "Odtwarzanie1", "Prędkość", &T::PR1),
    // Commands that only keys, buttons and the engine reach.
    separator("Odtwarzanie1", true),
    hidden("Play", "Odtwarzanie1", "Play", &T::Play, &T::PlayClick),
    hidden("Stop", "Odtwarzanie1", "Stop", &T::Stop, &T::StopClick),
    hidden("Pause", "Odtwarzanie1", "Pause", &T::Pause, &T::PauseClick),
    hidden("Next", "Odtwarzanie1", "Next", &T::Next, &T::NextClick),
    hidden("Prev", "Odtwarzanie1", "Prev", &T::Prev, &T::PrevClick),
    separator("Odtwarzanie1", true),
    hidden("opendir1", "Odtwarzanie1", "opendir", &T::opendir1, &T::opendir1Click),
    separator("Odtwarzanie1", true),
    hidden("AutoPanScan1", "Odtwarzanie1", "AutoPanScan", &T::AutoPanScan1, &T::AutoPanScan1Click),
    hidden("PanScanInc1", "Odtwarzanie1", "PanScanInc", &T::PanScanInc1, &T::PanScanInc1Click),
    hidden("PanScanDec1", "Odtwarzanie1", "PanScanDec", &T::PanScanDec1, &T::PanScanDec1Click),
    hidden("PanScanNormal1", "Odtwarzanie1", "PanScanNormal", &T::PanScanNormal1,
           &T::PanScanNormal1Click),
    separator("Odtwarzanie1", true),
    hidden("DisplayerUp1", "Odtwarzanie1", "DisplayerUp", &T::DisplayerUp1, &T::DisplayerUp1Click),
    hidden("DisplayerDown1", "Odtwarzanie1", "DisplayerDown", &T::DisplayerDown1,
           &T::DisplayerDown1Click),

    menu("Pomoc1", nullptr, "Pomo&c", &T::Pomoc1),
    item("About1", "Pomoc1", "O programie...\tF1", &T::About1, &T::About1Click),
    hidden("Info1", "Pomoc1", "Windows Media Player - informacje", &T::Info1, &T::Info1Click),
    menu("Korespondencjazautorem2", "Pomoc1", "Korespondencja z autorem",
         &T::Korespondencjazautorem2),
    item("Informacjeobdach1", "Korespondencjazautorem2", "Informacje o błędach...",
         &T::Informacjeobdach1, &T::Informacjeobdach1Click),
    item("Propozycje1", "Korespondencjazautorem2", "Propozycje, sugestie...", &T::Propozycje1,
         &T::Propozycje1Click),
};

const ToolButtonRow kToolBar[] = {
    {"ToolButton1", "Otwórz film...", &T::OT1, false, false},
    {"ToolButton2", "Otwórz plik z napisami...", &T::OT2, false, true},
    {"ToolButton3", "Opcje...", &T::Opcje1, false, true},
    {"ToolButton23", "Edytor napisów", &T::Edytortxt1, false, true},
    {"ToolButton12", "Wyświetlaj napisy", &T::Wy1, false, true},
    {"ToolButton22", "Pełny ekran", &T::FullScr, true, false},
    {"ToolButton4", "PanScan", &T::PanScan1, true, true},
    {"ToolButton7", "O programie...", &T::About1, false, false},
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
