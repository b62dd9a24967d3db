// The menu bar and the main toolbar as the user and the key handler meet them: names in order,
// captions to the character, hidden items, and the rule that a disabled item does nothing.
#include "support/app_features.h"
#include "app_fixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// One line per menu: its items in order; "-" a separator, "~" a hidden separator, "[Name]" a
// submenu, "*Name" a hidden item.
const std::pair<const char *, const char *> kMenus[] = {
    {"", "Plik1 Widok1 Opcj1 Odtwarzanie1 Pomoc1"},
    {"Plik1", "OT1 [RecentFiles1] Prze1 Zamknij1 - mediaprop1 - OT2 Zamknij2 [NW1] - Zakocz1"},
    {"Widok1", "Wy1 - FullScr PanScan1 - stat1"},
    {"Opcj1", "Opcje1 - PL1 BT1 SDP1 SDN1 SDPZN1 Edytortxt1 - SynchAuto1"},
    {"Odtwarzanie1", "OW1 *Od1 *P1 Z1 na1 po1 - PT1 PP1 - Powt1 - [G1] [PR1] [SD1] ~ *Play *Stop *Pause "
                     "*Next *Prev ~ *opendir1 ~ *AutoPanScan1 *PanScanInc1 *PanScanDec1 "
                     "*PanScanNormal1 ~ *DisplayerUp1 *DisplayerDown1"},
    {"G1", "pod1 sci1 W2"},
    {"PR1", ""},
    {"SD1", "NastSD1 -"},
    {"NW1", ""},
    {"Pomoc1", "About1 *Info1 [Korespondencjazautorem2]"},
    {"Korespondencjazautorem2", "Informacjeobdach1 Propozycje1"},
};

const std::pair<const char *, const char *> kCaptions[] = {
    {"Plik1", "&Plik"},
    {"OT1", "Otwórz...\tCtrl+O"},
    {"RecentFiles1", "Ostatnie pliki"},
    {"Prze1", "Przeładuj \tCtrl+Shift+R"},
    {"Zamknij1", "Zamknij \tCtrl+C"},
    {"mediaprop1", "Właściwości\tShift+W"},
    {"OT2", "Otwórz tekst...     \tCtrl+Shift+O"},
    {"Zamknij2", "Zamknij tekst \tCtrl+Shift+C"},
    {"Zakocz1", "Zakończ \tAlt+F4"},
    {"Widok1", "&Widok"},
    {"Wy1", "Wyświetlaj napisy\tCtrl+N"},
    {"FullScr", "Pełny ekran\tF11"},
    {"PanScan1", "PanScan\tCtrl+P"},
    {"stat1", "Statystyka\tCtrl+S"},
    {"Opcj1", "&Narzędzia"},
    {"Opcje1", "Opcje...\t0"},
    {"PL1", "Playlista\tP"},
    {"BT1", "Baza tekstów\tT"},
    {"SDP1", "Skocz do pliku...\tJ"},
    {"SDN1", "Skocz do napisu...\tN"},
    {"SDPZN1", "Skocz do pliku z napisami...     \tI"},
    {"Edytortxt1", "Edytor napisów...\tE"},
    {"SynchAuto1", "Synchronizuj automatycznie\tS"},
    {"Odtwarzanie1", "&Odtwarzanie"},
    {"OW1", "Play / Pauza\tSpacja"},
    {"Od1", "Odtwarzaj\tX"},
    {"P1", "Pauza\tC"},
    {"Z1", "Stop\tV"},
    {"na1", "Następny\tB"},
    {"po1", "Poprzedni\tZ"},
    {"PT1", "Przewiń do tyłu \tW lewo"},
    {"PP1", "Przewiń do przodu      \tW prawo"},
    {"Powt1", "Powtarzaj\tCtrl+R"},
    {"G1", "Głośność"},
    {"PR1", "Prędkość"},
    {"SD1", "Ścieżka dźwiękowa"},
    {"NastSD1", "Następna ścieżka\tA"},
    {"NW1", "Napisy wbudowane"},
    {"Play", "Play"},
    {"Stop", "Stop"},
    {"Pause", "Pause"},
    {"Next", "Next"},
    {"Prev", "Prev"},
    {"opendir1", "opendir"},
    {"Pomoc1", "Pomo&c"},
    {"About1", "O programie...\tF1"},
    {"Info1", "Windows Media Player - informacje"},
    {"Korespondencjazautorem2", "Korespondencja z autorem"},
    {"Informacjeobdach1", "Informacje o błędach..."},
    {"Propozycje1", "Propozycje, sugestie..."},
};

QString describe(const QList<QAction *> &actions)
{
    QStringList parts;
    for (QAction *a : actions) {
        if (a->isSeparator())
            parts << (a->isVisible() ? QStringLiteral("-") : QStringLiteral("~"));
        else if (a->menu())
            parts << QStringLiteral("[%1]").arg(a->menu()->objectName());
        else
            parts << (a->isVisible() ? QString() : QStringLiteral("*")) + a->objectName();
    }
    return parts.join(QLatin1Char(' '));
}

QAction *findItem(TZentavistaApp &w, const char *name)
{
    for (QAction *a : w.findChildren<QAction *>())
        if (a->objectName() == QLatin1String(name))
            return a;
    return nullptr;
}

TEST(MainMenu, MenusHoldTheirItemsInOrder)
{
    TZentavistaApp w;
    for (const auto &[menuName, expected] : kMenus) {
        SCOPED_TRACE(menuName);
        QList<QAction *> actions;
        if (*menuName == '\0') {
            actions = w.menuBar()->actions();
        } else {
            auto *m = w.findChild<QMenu *>(QLatin1String(menuName));
            ASSERT_NE(m, nullptr);
            actions = m->actions();
        }
        // The menu bar lists menus by their menu objects' names.
        if (*menuName == '\0') {
            QStringList names;
            for (QAction *a : actions)
                names << a->menu()->objectName();
            EXPECT_EQ(names.join(QLatin1Char(' ')), QLatin1String(expected));
        } else {
            EXPECT_EQ(describe(actions), QLatin1String(expected));
        }
    }
}

TEST(MainMenu, CaptionsAreExact)
{
    TZentavistaApp w;
    for (const auto &[name, caption] : kCaptions) {
        SCOPED_TRACE(name);
        auto *m = w.findChild<QMenu *>(QLatin1String(name));
        QAction *a = m ? m->menuAction() : findItem(w, name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(caption));
    }
}

TEST(MainMenu, KeysAreNotQtShortcutsAndStateItemsCarryCheckMarks)
{
    TZentavistaApp w;
    // Keys are decoded application-wide; a Qt shortcut would fire twice or in the wrong window.
    for (QAction *a : w.findChildren<QAction *>())
        EXPECT_TRUE(a->shortcuts().isEmpty()) << a->objectName().toStdString();
    for (QAction *a : {w.commands().action(zv::Cmd::Wy1), w.commands().action(zv::Cmd::FullScr), w.commands().action(zv::Cmd::PanScan1), w.commands().action(zv::Cmd::Powt1), w.commands().action(zv::Cmd::PL1), w.commands().action(zv::Cmd::BT1), w.commands().action(zv::Cmd::W2)})
        EXPECT_TRUE(a->isCheckable()) << a->objectName().toStdString();
    EXPECT_FALSE(w.commands().menu(zv::MenuId::RecentFiles1)->isEnabled()) << "an empty recent-files menu is disabled";
}

TEST(MainMenu, DisabledItemsDoNothingHiddenOnesStillRun)
{
    struct Case {
        zv::Cmd item;
        bool enabled;
        bool expectRan;
    };
    const Case cases[] = {
        {zv::Cmd::OT1, true, true},
        {zv::Cmd::OT1, false, false},
        {zv::Cmd::Play, true, true},   // hidden, triggerable
        {zv::Cmd::Od1, false, false},  // hidden and disabled by the status refresh
        {zv::Cmd::Od1, true, true},
        {zv::Cmd::Powt1, false, false},
    };
    for (const Case &c : cases) {
        TZentavistaApp w;
        detachCommands(w);
        QAction *a = w.commands().action(c.item);
        SCOPED_TRACE(a->objectName().toStdString() + (c.enabled ? " enabled" : " disabled"));
        a->setEnabled(c.enabled);
        QSignalSpy spy(a, &QAction::triggered);
        const bool wasChecked = a->isChecked();
        EXPECT_EQ(w.commands().run(a), c.expectRan);
        EXPECT_EQ(spy.count(), c.expectRan ? 1 : 0);
        if (!c.expectRan) {
            EXPECT_EQ(a->isChecked(), wasChecked) << "a disabled item keeps its check mark";
        }
    }
    TZentavistaApp w;
    EXPECT_FALSE(w.commands().run(nullptr));
}

TEST(MainMenu, ToolbarButtonsRunTheirItems)
{
    struct Case {
        const char *button;
        const char *hint;
        zv::Cmd item;
    };
    const Case cases[] = {
        {"ToolButton1", "Otwórz film...", zv::Cmd::OT1},
        {"ToolButton2", "Otwórz plik z napisami...", zv::Cmd::OT2},
        {"ToolButton3", "Opcje...", zv::Cmd::Opcje1},
        {"ToolButton23", "Edytor napisów", zv::Cmd::Edytortxt1},
        {"ToolButton12", "Wyświetlaj napisy", zv::Cmd::Wy1},
        {"ToolButton22", "Pełny ekran", zv::Cmd::FullScr},
        {"ToolButton4", "PanScan", zv::Cmd::PanScan1},
        {"ToolButton7", "O programie...", zv::Cmd::About1},
    };
    TZentavistaApp w;
    detachCommands(w);
    // Left to right, separators after the 2nd, 3rd, 4th, 5th and 7th button.
    QStringList layout;
    for (QAction *a : w.ToolBar1->actions()) {
        if (a->isSeparator())
            layout << QStringLiteral("-");
        else if (QWidget *b = w.ToolBar1->widgetForAction(a))
            layout << b->objectName();
    }
    EXPECT_EQ(layout.join(QLatin1Char(' ')),
              QStringLiteral("ToolButton1 ToolButton2 - ToolButton3 - ToolButton23 - ToolButton12 - "
                             "ToolButton22 ToolButton4 - ToolButton7"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.button);
        auto *b = w.findChild<QToolButton *>(QLatin1String(c.button));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(c.hint));
        EXPECT_FALSE(b->icon().isNull());
        // The status refresh after a click disables what nothing open can use; wiring only here.
        b->setEnabled(true);
        (w.commands().action(c.item))->setEnabled(true);
        QSignalSpy spy(w.commands().action(c.item), &QAction::triggered);
        b->click();
        EXPECT_EQ(spy.count(), 1);
    }
    // The subtitles button shows Wy1's check mark, whichever way it was set.
    w.commands().action(zv::Cmd::Wy1)->setEnabled(true);
    w.ToolButton12->setEnabled(true);
    w.commands().action(zv::Cmd::Wy1)->setChecked(false);
    w.ToolButton12->click();
    EXPECT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_TRUE(w.ToolButton12->isChecked());
    w.commands().action(zv::Cmd::Wy1)->setEnabled(false);
    w.ToolButton12->click();
    EXPECT_TRUE(w.commands().action(zv::Cmd::Wy1)->isChecked());
    EXPECT_TRUE(w.ToolButton12->isChecked()) << "a click on a disabled item leaves the button as the item is";
}

} // namespace
