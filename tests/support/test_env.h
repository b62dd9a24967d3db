#pragma once

#include <QString>
#include <QTemporaryDir>

namespace zv::test {

// Folder with the clips made by tests/media/make_media.sh ($ZV_MEDIA_DIR).
QString mediaDir();
QString mediaFile(const QString &name);

// A private state folder: sets $ZENTAVISTA_HOME to a fresh temporary folder for the lifetime
// of the object and restores the previous value afterwards.
class ScopedHome {
public:
    ScopedHome();
    ~ScopedHome();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

} // namespace zv::test
