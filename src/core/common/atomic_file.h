#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QFileDevice;

namespace zv {

// Replaces `path` with `data` atomically: the bytes go to a temporary file in the same folder,
// which is renamed over the target only when fully written, so a crash or a full disk never
// leaves a truncated file. The new file keeps the old one's permissions and, where allowed, its
// owner. Creates the folder when missing. A symbolic link is followed: its target is replaced.
// A target that is not a regular file (a device, a FIFO, a socket) is written in place instead,
// as renaming over it would put a plain file where the device was. On failure returns false and
// puts a short reason in *error (when given); the old file is then untouched.
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error = nullptr);

// The same in pieces, for text too large to be worth holding whole: open(), write() as often
// as needed, commit(). Until the commit succeeds the old file is untouched; a writer dropped
// without one leaves no trace.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString &path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter &) = delete;
    AtomicFileWriter &operator=(const AtomicFileWriter &) = delete;

    bool open(QString *error = nullptr);
    // False on a failed or short write; the reason is given by commit().
    bool write(QByteArrayView data);
    bool commit(QString *error = nullptr);

private:
    void drop();

    QString path_;
    std::unique_ptr<QFileDevice> file_;
    bool inPlace_ = false; // not a regular file: written where it is, no rename
    bool failed_ = false;
    QString error_;        // why the first failed write failed
};

} // namespace zv
