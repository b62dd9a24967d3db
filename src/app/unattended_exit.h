#pragma once

#include <QObject>

#include <functional>

class QDialog;

namespace zv {

// While the program ends with nobody to answer it (a termination signal, the desktop session
// ending), no modal box may wait for a click: the boxes open now and every one shown later
// while the guard lives are closed as Cancel would close them, their text written to standard
// error instead. The guard acts on the whole application and ends with its parent.
class ModalBoxGuard : public QObject {
    Q_OBJECT
public:
    explicit ModalBoxGuard(QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void dismiss(QDialog *dialog);
};

// Calls `handler` when the application is asked to quit (Qt's Quit event, which the session
// manager sends when the desktop session ends) and drops the request while `handler` returns
// true; the handler then ends the program in its own time.
class QuitRequestFilter : public QObject {
    Q_OBJECT
public:
    QuitRequestFilter(QObject *parent, std::function<bool()> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<bool()> handler_;
};

} // namespace zv
