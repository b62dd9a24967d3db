#include "support/test_env.h"

#include <QDir>

namespace zv::test {

QString mediaDir()
{
    return qEnvironmentVariable("ZV_MEDIA_DIR");
}

QString mediaFile(const QString &name)
{
    return QDir(mediaDir()).filePath(name);
}

ScopedHome::ScopedHome()
{
    hadPrevious_ = qEnvironmentVariableIsSet("ZENTAVISTA_HOME");
    previous_ = qgetenv("ZENTAVISTA_HOME");
    qputenv("ZENTAVISTA_HOME", dir_.path().toLocal8Bit());
}

ScopedHome::~ScopedHome()
{
    if (hadPrevious_)
        qputenv("ZENTAVISTA_HOME", previous_);
    else
        qunsetenv("ZENTAVISTA_HOME");
}

} // namespace zv::test
