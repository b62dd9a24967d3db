#pragma once

#include <QObject>
#include <QStringList>

namespace zv {

// Asks the desktop's media players (MPRIS2 on the session bus) where the first playing one
// is: the editor's outside time source. Every call is asynchronous with a short time-out, so
// a player that hangs or answers garbage costs nothing but a position of 0. Our own player's
// name on the bus is skipped. UI thread only.
class MprisPositionSource : public QObject {
    Q_OBJECT

public:
    explicit MprisPositionSource(QObject *parent = nullptr);

    // Starts a query unless one is still running; `answered` follows.
    void request();
    bool busy() const { return busy_; }

    // How long one call may take before its player counts as not answering.
    int timeoutMs = 400;

signals:
    // The position of the first playing player in microseconds; 0 when none plays, when there
    // is no session bus or when the answer made no sense.
    void answered(qint64 positionUs);

private:
    void namesListed(const QStringList &names);
    void finish(qint64 positionUs);

    bool busy_ = false;
};

} // namespace zv
