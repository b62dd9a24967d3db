#include "app/controllers/app_context.h"

#include "playback/playback_session.h"

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
