#include "playback/transport_button.h"

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

} // namespace zv
