#pragma once

#include <QObject>

#include <array>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace zv {

// Every command of the program by its menu item's name. Keys, toolbar buttons, tray icons, the
// full-screen bar, the popup menu and MPRIS name a command this way; a typo fails to compile.
enum class Cmd : unsigned char {
    OT1, Prze1, Zamknij1, mediaprop1, OT2, Zamknij2, Zakocz1,
    Wy1, FullScr, PanScan1, stat1,
    Opcje1, PL1, BT1, SDP1, SDN1, SDPZN1, Edytortxt1,
    OW1, Od1, P1, Z1, na1, po1, PT1, PP1, Powt1, pod1, sci1, W2,
    Play, Stop, Pause, Next, Prev, opendir1,
    AutoPanScan1, PanScanInc1, PanScanDec1, PanScanNormal1, DisplayerUp1, DisplayerDown1,
    About1, Info1, Informacjeobdach1, Propozycje1,
    SynchAuto1,
    NastSD1,
    Count
};

enum class MenuId : unsigned char {
    Plik1, RecentFiles1, Widok1, Opcj1, Odtwarzanie1, G1, PR1, Pomoc1, Korespondencjazautorem2,
    SD1, NW1,
    Count
};

// The switchboard: owns the menu items built from the command table. Controllers bind their
// handlers to it once; everything that runs a command goes through run().
class Commands : public QObject {
    Q_OBJECT

public:
    explicit Commands(QObject *parent = nullptr);

    // Builds the menus and items into bar, in the table's order. Once.
    void buildMenus(QMenuBar *bar);

    QAction *action(Cmd c) const { return actions_[std::size_t(c)]; }
    QMenu *menu(MenuId m) const { return menus_[std::size_t(m)]; }
    bool isChecked(Cmd c) const;

    // The command's handler runs on each trigger, receiving context's thread and lifetime.
    void bind(Cmd c, QObject *context, std::function<void()> handler);

    // Runs the item the way a click does: a disabled item does nothing, a hidden one runs.
    // True when the trigger went through.
    bool run(Cmd c);
    bool run(QAction *item);

private:
    std::array<QAction *, std::size_t(Cmd::Count)> actions_{};
    std::array<QMenu *, std::size_t(MenuId::Count)> menus_{};
};

} // namespace zv
