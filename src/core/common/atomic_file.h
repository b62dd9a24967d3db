#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

class QSaveFile;

namespace zv {

// Replaces `path` with `data` atomically: the bytes go to a temporary file in the same folder,
// which is renamed over the target only when fully written, so a crash or a full disk never
// leaves a truncated file. Creates the folder when missing. On failure returns false and puts
// a short reason in *error (when given); the old file is then untouched.
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
    // False on a short write; the reason is given by commit().
    bool write(QByteArrayView data);
    bool commit(QString *error = nullptr);

private:
    QString path_;
    std::unique_ptr<QSaveFile> file_;
    bool failed_ = false;
};

} // namespace zv
