#pragma once

#include <QString>

namespace zv {

// The start question of "/q": a message box titled "Zentavista" with OK and Cancel and the
// question icon. Needs the application object. false on Cancel (or when closed).
bool askStartQuestion(const QString &text);

} // namespace zv
