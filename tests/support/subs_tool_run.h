#pragma once

// Runs the built zentavista-subs (ZV_SUBS_TOOL) as a user would, in a given language, and keeps
// what it printed and how it ended.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace zv::test {

struct ToolRun {
    int status = -1; // exit code; -1 when it crashed or did not end in time
    QByteArray out, err;
};

// `setUp` runs before the tool starts (to close or redirect its streams, set its folder).
inline ToolRun runSubsTool(const QStringList &args, const QString &lang = QStringLiteral("pl_PL.UTF-8"),
                           const std::function<void(QProcess &)> &setUp = {}, int timeoutMs = 60000)
{
    QProcess p;
    if (setUp)
        setUp(p);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), lang);
    env.insert(QStringLiteral("LC_ALL"), lang);
    env.remove(QStringLiteral("LC_MESSAGES"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ZV_SUBS_TOOL), args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace zv::test
