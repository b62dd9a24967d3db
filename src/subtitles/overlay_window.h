#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

// A window that carries one subtitle line above the picture: a frameless tool window owned by
// the player's window (so kept above it, and only above it), shown without activation, never keeping the keyboard focus (it hands it back to the
// main window). It has no content of its own: it shows the image it is given, and while the
// renderer is busy it leaves its pixels alone. A press, move and release on it are reported as
// a drag, which the subtitle display turns into moving all three line windows.
class SubtitleOverlayWindow : public QWidget {
    Q_OBJECT

public:
    // `line` is 1..3. `parent` is the main window: the line window stays above it and gives the
    // focus back to it.
    explicit SubtitleOverlayWindow(int line, QWidget *parent = nullptr);

    int line() const { return line_; }

    // The picture to show from now on (implicitly shared, not copied); null shows nothing.
    void setLineImage(const QImage &image);
    const QImage &lineImage() const { return image_; }

    // While *busy is true paint events draw nothing (the renderer is replacing the pictures).
    void setRenderBusyFlag(const bool *busy) { busy_ = busy; }

    // Who gets the focus back; the parent's window unless set.
    void setFocusReturnTarget(QWidget *target) { focusTarget_ = target; }
    QWidget *focusReturnTarget() const;

signals:
    void dragStarted(QPoint globalPos);
    void dragMoved(QPoint globalPos);
    void dragFinished();

protected:
    bool event(QEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    void returnFocus();

    int line_;
    QImage image_;
    const bool *busy_ = nullptr;
    QPointer<QWidget> focusTarget_;
};
