#include "app/unattended_exit.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>

namespace zv {

ModalBoxGuard::ModalBoxGuard(QObject *parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(w);
        if (dialog && dialog->isVisible() && dialog->isModal())
            dismiss(dialog);
    }
}

bool ModalBoxGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog->isModal())
            dismiss(dialog);
    }
    return false;
}

void ModalBoxGuard::dismiss(QDialog *dialog)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        qWarning("zentavista: %s: %s", qUtf8Printable(box->windowTitle()), qUtf8Printable(box->text()));
    // Queued: a box being shown by exec() has not entered its own event loop yet, and a reject
    // before that loop runs would leave the loop waiting.
    QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
}

QuitRequestFilter::QuitRequestFilter(QObject *parent, std::function<bool()> handler)
    : QObject(parent)
    , handler_(std::move(handler))
{
    qApp->installEventFilter(this);
}

bool QuitRequestFilter::eventFilter(QObject *watched, QEvent *event)
{
    return event->type() == QEvent::Quit && watched == qApp && handler_();
}

} // namespace zv
