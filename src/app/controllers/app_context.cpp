#include "app/controllers/app_context.h"

#include "app/commands.h"
#include "app/controllers/status_presenter.h"
#include "playback/playback_session.h"

#include <QAction>

#include <QMainWindow>
#include <QMessageBox>

namespace zv {

bool AppState::reportedUnattended(const QString &text)
{
    if (!unattended)
        return false;
    ++failedSaves;
    qWarning("zentavista: %s", qUtf8Printable(text));
    return true;
}

void AppContext::toggleToolWindow(QWidget *window, Cmd item) const
{
    if (!window)
        return;
    window->setVisible(!window->isVisible());
    if (window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
    commands->action(item)->setChecked(window->isVisible());
    status->UstawMStaus();
}

MediaEngine *AppContext::m() const
{
    return session ? session->engine() : nullptr;
}

void AppContext::filesMessage(const QString &title, const QString &text) const
{
    if (hooks->filesMessage)
        hooks->filesMessage(title, text);
    else
        QMessageBox::warning(window, title, text);
}

} // namespace zv
