#include "playback/transport_button.h"

#include "core/playback/status_view.h"

#include <QToolBar>
#include <QToolButton>

namespace zv {

QToolButton *transportButton(QToolBar *bar, const char *name, const QString &hint,
                             QStyle::StandardPixmap icon)
{
    auto *b = new QToolButton(bar);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setIconSize(QSize(16, 16));
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

void setEnabledIfChanged(QWidget *w, bool on)
{
    if (w && w->isEnabled() != on)
        w->setEnabled(on);
}

void setDown(QToolButton *b, bool down)
{
    if (b && b->isChecked() != down)
        b->setChecked(down);
}

void showTransport(const playback::StatusView &v, QToolButton *play, QToolButton *pause,
                   QToolButton *stop, QToolButton *prev, QToolButton *next)
{
    if (v.transport) {
        const playback::TransportView &t = *v.transport;
        setEnabledIfChanged(play, t.playEnabled);
        setDown(play, t.playDown);
        setEnabledIfChanged(pause, t.pauseEnabled);
        setDown(pause, t.pauseDown);
        setEnabledIfChanged(stop, t.stopEnabled);
        setDown(stop, t.stopDown);
    }
    if (v.playForcedOn)
        setEnabledIfChanged(play, true);
    setEnabledIfChanged(prev, v.prevEnabled);
    setEnabledIfChanged(next, v.nextEnabled);
}

} // namespace zv
