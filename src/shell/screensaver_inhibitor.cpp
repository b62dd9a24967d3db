#include "shell/screensaver_inhibitor.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

namespace zv {
namespace {

QDBusMessage screenSaverCall(const char *method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QLatin1String(method));
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject *parent)
    : QObject(parent), xTimer_(new QTimer(this))
{
    xTimer_->setInterval(kXResetIntervalMs);
    connect(xTimer_, &QTimer::timeout, this, [] { resetXScreenSaver(); });
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    releaseNow();
}

void ScreenSaverInhibitor::setWanted(bool wanted)
{
    if (wanted == wanted_)
        return;
    wanted_ = wanted;
    if (fallback_) {
        if (wanted) {
            resetXScreenSaver();
            xTimer_->start();
        } else {
            xTimer_->stop();
        }
        return;
    }
    if (wanted) {
        if (!pending_ && !cookie_)
            inhibit();
    } else if (cookie_) {
        const uint c = cookie_;
        cookie_ = 0;
        uninhibit(c, false);
    }
    // A release wanted while Inhibit is on its way is done when its cookie arrives.
}

void ScreenSaverInhibitor::inhibit()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fallback_ = true;
        resetXScreenSaver();
        xTimer_->start();
        return;
    }
    QDBusMessage call = screenSaverCall("Inhibit");
    call << QStringLiteral("Zentavista") << QStringLiteral("Odtwarzanie filmu");
    pending_ = true;
    auto *watch = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watch, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        pending_ = false;
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            // No such service on this desktop: the X server's own timer is reset instead.
            fallback_ = true;
            if (wanted_) {
                resetXScreenSaver();
                xTimer_->start();
            }
            return;
        }
        cookie_ = reply.value();
        if (!wanted_) {
            const uint c = cookie_;
            cookie_ = 0;
            uninhibit(c, false);
        }
    });
}

void ScreenSaverInhibitor::uninhibit(uint cookie, bool wait)
{
    QDBusMessage call = screenSaverCall("UnInhibit");
    call << cookie;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (wait)
        bus.call(call, QDBus::Block, 2000);
    else
        bus.asyncCall(call);
}

void ScreenSaverInhibitor::releaseNow()
{
    wanted_ = false;
    xTimer_->stop();
    if (cookie_) {
        const uint c = cookie_;
        cookie_ = 0;
        uninhibit(c, true);
    }
}

} // namespace zv
