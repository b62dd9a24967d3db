#include "shell/drop_target.h"

#include <QAbstractScrollArea>
#include <QDir>
#include <QDropEvent>
#include <QHash>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>
#include <QWidget>

namespace zv {
namespace {

class DropFilter;

// Every registered widget and the filter serving it; the filters remove themselves when they
// are destroyed with their widget.
QHash<const QWidget *, DropFilter *> &registry()
{
    static QHash<const QWidget *, DropFilter *> filters;
    return filters;
}

// A file URL names a local file only when it has no host or names this machine; a file URL
// of another host would turn into a wrong local path.
bool isLocalHost(const QString &host)
{
    return host.isEmpty() || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

QStringList localPaths(const QMimeData *mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (QUrl url : mime->urls()) {
        if (!url.isLocalFile() || !isLocalHost(url.host()))
            continue;
        url.setHost(QString());
        const QString path = url.toLocalFile();  // percent-encoding decoded as UTF-8
        if (path.isEmpty() || !QDir::isAbsolutePath(path))
            continue;
        paths.append(QDir::cleanPath(path));
    }
    return paths;
}

void acceptAsCopy(QDropEvent *event)
{
    if (event->possibleActions() & Qt::CopyAction) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}

// Drags started inside the program (a playlist row, say) are its windows' own business even
// when they carry file URLs.
bool isShellDrop(const QDropEvent *event)
{
    return !event->source() && !localPaths(event->mimeData()).isEmpty();
}

class DropFilter : public QObject {
public:
    DropFilter(QWidget *target, QWidget *receiver, DropHandler handler)
        : QObject(receiver), target_(target), receiver_(receiver),
          previousAcceptDrops_(receiver->acceptDrops()), handler_(std::move(handler))
    {
        receiver_->installEventFilter(this);
        receiver_->setAcceptDrops(true);
        registry().insert(target_, this);
    }

    ~DropFilter() override { registry().remove(target_); }

    void setHandler(DropHandler handler) { handler_ = std::move(handler); }

    // Puts the widget back as it was; the filter is deleted by the caller.
    void detach()
    {
        receiver_->removeEventFilter(this);
        receiver_->setAcceptDrops(previousAcceptDrops_);
        registry().remove(target_);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != receiver_)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
            // Drags that carry no local file (a web link, plain text) stay with the widget
            // itself. Decided once per drag: the moves come with every pointer motion.
            dragTaken_ = isShellDrop(static_cast<QDropEvent *>(event));
            [[fallthrough]];
        case QEvent::DragMove:
            if (!dragTaken_)
                return false;
            acceptAsCopy(static_cast<QDropEvent *>(event));
            return true;
        case QEvent::DragLeave:
            dragTaken_ = false;
            return false;
        case QEvent::Drop:
            dragTaken_ = false;
            return deliver(static_cast<QDropEvent *>(event));
        default:
            return false;
        }
    }

private:
    bool deliver(QDropEvent *event)
    {
        if (event->source())
            return false;
        TDragDropInfo info;
        info.Files = localPaths(event->mimeData());
        if (info.Files.isEmpty())
            return false;
        info.NumFiles = int(info.Files.size());
        info.DropPoint = receiver_->mapTo(target_, event->position().toPoint());
        info.InClientArea = target_->rect().contains(info.DropPoint);
        acceptAsCopy(event);
        // A copy: the handler may unregister the target, which destroys this filter.
        const DropHandler handler = handler_;
        if (handler)
            handler(info);
        return true;
    }

    QWidget *target_;
    QWidget *receiver_;
    bool previousAcceptDrops_;
    bool dragTaken_ = false;
    DropHandler handler_;
};

QWidget *receiverOf(QWidget *target)
{
    if (auto *area = qobject_cast<QAbstractScrollArea *>(target))
        return area->viewport();
    return target;
}

} // namespace

void registerDropTarget(QWidget *target, DropHandler handler)
{
    if (!target)
        return;
    if (DropFilter *existing = registry().value(target)) {
        existing->setHandler(std::move(handler));
        return;
    }
    new DropFilter(target, receiverOf(target), std::move(handler));
}

void unregisterDropTarget(QWidget *target)
{
    DropFilter *filter = registry().value(target);
    if (!filter)
        return;
    filter->detach();
    delete filter;
}

bool isDropTarget(const QWidget *target)
{
    return registry().contains(target);
}

QString dropListText(const QStringList &files)
{
    QStringList kept;
    kept.reserve(files.size());
    for (const QString &path : files) {
        if (!path.contains(QLatin1Char('\r')) && !path.contains(QLatin1Char('\n'))
            && !path.contains(QChar(0)))
            kept.append(path);
    }
    return kept.join(QLatin1String("\r\n"));
}

} // namespace zv
