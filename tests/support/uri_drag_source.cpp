// A file manager in miniature for drag tests: a small window in the screen's bottom-right
// corner that, when pressed, drags the files named on its command line as text/uri-list to
// wherever the pointer releases them. Prints "ready" once it is on screen; ends after the drag.
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class Source : public QWidget {
public:
    explicit Source(QList<QUrl> urls) : urls_(std::move(urls)) {}

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *drag = new QDrag(this);
        auto *mime = new QMimeData;
        mime->setUrls(urls_);
        drag->setMimeData(mime);
        drag->exec(Qt::CopyAction);
        // The target fetches the data after the drop: stay a while to hand it over.
        QTimer::singleShot(1500, qApp, &QApplication::quit);
    }

private:
    QList<QUrl> urls_;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString &path : app.arguments().mid(1))
        urls << QUrl::fromLocalFile(path);
    Source w(urls);
    w.setWindowFlag(Qt::FramelessWindowHint);
    const QRect screen = app.primaryScreen()->geometry();
    w.setGeometry(screen.right() - 60, screen.bottom() - 60, 50, 50);
    w.show();
    QTimer::singleShot(300, [] {
        std::puts("ready");
        std::fflush(stdout);
    });
    QTimer::singleShot(30000, &app, &QApplication::quit);
    return app.exec();
}
