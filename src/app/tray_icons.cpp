#include "app/tray_icons.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QSystemTrayIcon>

namespace zv {
namespace {

// Our own 22 x 22 pictures: light symbols on a dark rounded square, readable on any panel.
QIcon trayPicture(int kind)
{
    QPixmap pm(22, 22);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0x20, 0x28));
    p.drawRoundedRect(QRectF(0.5, 0.5, 21, 21), 4, 4);
    p.setBrush(QColor(0x9e, 0xe8, 0x3c));
    switch (kind) {
    case 0: // previous: bar and left triangle
        p.drawRect(5, 6, 2, 10);
        p.drawPolygon(QPolygon({QPoint(17, 6), QPoint(17, 16), QPoint(8, 11)}));
        break;
    case 1: // play / pause: triangle and two bars
        p.drawPolygon(QPolygon({QPoint(4, 6), QPoint(4, 16), QPoint(11, 11)}));
        p.drawRect(13, 6, 2, 10);
        p.drawRect(17, 6, 2, 10);
        break;
    case 2: // stop
        p.drawRect(6, 6, 10, 10);
        break;
    default: // next: right triangle and bar
        p.drawPolygon(QPolygon({QPoint(5, 6), QPoint(5, 16), QPoint(14, 11)}));
        p.drawRect(15, 6, 2, 10);
        break;
    }
    return QIcon(pm);
}

const char *const kHints[4] = {"Poprzedni...", "Play / Pauza", "Stop", "Następny..."};

} // namespace

TrayIcons::TrayIcons(const std::array<QAction *, 4> &commands, std::function<void(QAction *)> run,
                     QObject *parent)
    : QObject(parent)
{
    for (int i = 0; i < 4; ++i) {
        auto *icon = new QSystemTrayIcon(trayPicture(i), this);
        icon->setObjectName(QStringLiteral("TrayIcon%1").arg(i + 1));
        const QString hint = QString::fromUtf8(kHints[i]);
        icon->setToolTip(hint);
        QAction *command = commands[i];
        // A context menu cannot have the icon as its parent; it goes with the icons.
        auto *menu = new QMenu;
        connect(this, &QObject::destroyed, [menu] { delete menu; });
        connect(menu->addAction(hint), &QAction::triggered, this, [run, command] { run(command); });
        icon->setContextMenu(menu);
        connect(icon, &QSystemTrayIcon::activated, this,
                [run, command](QSystemTrayIcon::ActivationReason why) {
                    if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                        run(command);
                });
        icons_[i] = icon;
    }
}

void TrayIcons::setVisible(bool visible)
{
    for (QSystemTrayIcon *icon : icons_)
        icon->setVisible(visible);
}

bool TrayIcons::isVisible() const
{
    return icons_[0]->isVisible();
}

} // namespace zv
