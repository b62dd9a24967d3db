#include "core/files/folder_scan.h"

#include "core/common/text_codec.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <type_traits>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zv {

namespace {

// One open folder on the explicit stack (deep trees must not exhaust the call stack).
struct OpenFolder {
    DIR *dir = nullptr;
    QString prefix; // the folder's path with a trailing "/"

    OpenFolder(DIR *d, QString p) : dir(d), prefix(std::move(p)) {}
    OpenFolder(OpenFolder &&o) noexcept : dir(std::exchange(o.dir, nullptr)), prefix(std::move(o.prefix)) {}
    OpenFolder &operator=(OpenFolder &&) = delete;
    ~OpenFolder()
    {
        if (dir)
            ::closedir(dir);
    }
};

using FolderId = std::pair<dev_t, ino_t>;

QString withSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// File names are bytes; one that is not valid UTF-8 would not survive the trip through
// QString and could not be opened again, so it is reported as not representable.
bool decodeName(const char *raw, QString &out)
{
    const QByteArrayView bytes(raw, qsizetype(std::strlen(raw)));
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        out = QString::fromLatin1(bytes);
        return true;
    }
    const TextEncoding enc = detectEncoding(bytes);
    if (enc != TextEncoding::Utf8 && enc != TextEncoding::Utf8Bom)
        return false;
    out = QString::fromUtf8(bytes);
    return true;
}

// Milliseconds of a clock cheap enough to read after every entry; a few milliseconds of
// resolution are plenty for intervals of tens of them.
qint64 coarseMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

QString scanProgressText(qsizetype filesFound)
{
    return QStringLiteral("Przeszukiwanie folderów... znaleziono plików: %1 (przytrzymaj Esc, aby przerwać)")
        .arg(filesFound);
}

FolderScan::FolderScan(const QString &fileTypes, ScanHooks hooks)
    : classifier_(fileTypes), hooks_(std::move(hooks))
{
    startMs_ = coarseMs();
}

void FolderScan::afterEntry()
{
    const qint64 now = coarseMs() - startMs_;
    if (hooks_.progress && now - lastProgress_ >= hooks_.progressInterval.count()) {
        lastProgress_ = now;
        hooks_.progress(found_, now);
    }
    if (hooks_.cancelRequested && now - lastCancelPoll_ >= hooks_.cancelPollInterval.count()) {
        lastCancelPoll_ = now;
        if (hooks_.cancelRequested())
            cancelled_ = true;
    }
}

bool FolderScan::collect(QStringList &result, const QString &folder, bool recurse)
{
    return scan(folder, recurse, &result, nullptr);
}

bool FolderScan::collect(QList<ClassifiedPath> &result, const QString &folder, bool recurse)
{
    return scan(folder, recurse, nullptr, &result);
}

bool FolderScan::scan(const QString &folder, bool recurse, QStringList *paths,
                      QList<ClassifiedPath> *classified)
{
    if (cancelled_)
        return false;
    if (folder.contains(QChar(0)))
        return true;

    std::set<FolderId> entered;
    std::vector<OpenFolder> stack;

    // Opens a folder (relative to its parent's descriptor when there is one) and pushes it,
    // unless it was already entered in this call.
    const auto enter = [&](int parentFd, const QByteArray &name, QString prefix) {
        const int fd = ::openat(parentFd, name.constData(),
                                O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !entered.insert({st.st_dev, st.st_ino}).second) {
            ::close(fd);
            return;
        }
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            return;
        }
        stack.emplace_back(dir, std::move(prefix));
    };

    enter(AT_FDCWD, QFile::encodeName(folder), withSlash(folder));

    QString name;
    while (!stack.empty() && !cancelled_) {
        OpenFolder &top = stack.back();
        const dirent *e = ::readdir(top.dir);
        if (!e) {
            stack.pop_back();
            continue;
        }
        const char *raw = e->d_name;
        if (raw[0] == '.' && (raw[1] == '\0' || (raw[1] == '.' && raw[2] == '\0')))
            continue;

        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            // Follow links; an entry that vanished or points nowhere is skipped.
            struct stat st {};
            if (::fstatat(::dirfd(top.dir), raw, &st, 0) != 0)
                type = DT_UNKNOWN;
            else if (S_ISDIR(st.st_mode))
                type = DT_DIR;
            else if (S_ISREG(st.st_mode))
                type = DT_REG;
            else
                type = DT_UNKNOWN;
        }

        if (type == DT_DIR) {
            if (recurse && decodeName(raw, name)) {
                // `top` may move when the stack grows, so take what is needed first.
                const int parentFd = ::dirfd(top.dir);
                QString prefix = top.prefix + name + u'/';
                enter(parentFd, QByteArray(raw), std::move(prefix));
            }
        } else if (type == DT_REG && decodeName(raw, name)) {
            QString path = top.prefix + name;
            const FileKind kind = classifier_.kindOfExisting(path, false, false, ::dirfd(top.dir), raw);
            if (isCollectableKind(kind)) {
                if (paths)
                    paths->append(std::move(path));
                else
                    classified->append({std::move(path), kind});
                ++found_;
            }
        }
        afterEntry();
    }
    return !cancelled_;
}

bool CollectFolderFiles(QStringList &result, const QString &folder, bool recurse,
                        const QString &fileTypes, const ScanHooks &hooks)
{
    FolderScan scan(fileTypes, hooks);
    return scan.collect(result, folder, recurse);
}

namespace {

// Shared by both expansions: `classify` is empty when kinds are not wanted.
template <typename Result, typename Classify>
Result expand(const QStringList &paths, bool recurse, const QString &fileTypes,
              const MovedFileLookup &findMovedFile, const ScanHooks &hooks, Classify classify)
{
    Result result;
    FolderScan scan(fileTypes, hooks);
    const auto keep = [&](QString path) {
        if constexpr (std::is_same_v<Result, QStringList>)
            result.append(std::move(path));
        else
            result.append(classify(std::move(path)));
    };
    for (const QString &line : paths) {
        // A NUL would cut the native path short and name some other file.
        if (line.isEmpty() || line.contains(QChar(0)))
            continue;
        struct stat st {};
        if (::stat(QFile::encodeName(line).constData(), &st) != 0) {
            if (findMovedFile) {
                QString moved = findMovedFile(line);
                if (!moved.isEmpty())
                    keep(std::move(moved));
            }
        } else if (S_ISDIR(st.st_mode)) {
            scan.collect(result, line, recurse);
        } else {
            keep(line);
        }
    }
    return result;
}

} // namespace

QStringList ExpandPathList(const QString &text, bool recurse, const QString &fileTypes,
                           const MovedFileLookup &findMovedFile, const ScanHooks &hooks)
{
    return expand<QStringList>(splitLines(text), recurse, fileTypes, findMovedFile, hooks, nullptr);
}

QList<ClassifiedPath> ExpandAndClassify(const QString &text, bool recurse, bool mediaFallback,
                                        const QString &fileTypes, const MovedFileLookup &findMovedFile,
                                        const ScanHooks &hooks)
{
    return ExpandAndClassify(splitLines(text), recurse, mediaFallback, fileTypes, findMovedFile, hooks);
}

QList<ClassifiedPath> ExpandAndClassify(const QStringList &paths, bool recurse, bool mediaFallback,
                                        const QString &fileTypes, const MovedFileLookup &findMovedFile,
                                        const ScanHooks &hooks)
{
    const FileClassifier classifier(fileTypes);
    Utf8Lines scratch;
    return expand<QList<ClassifiedPath>>(
        paths, recurse, fileTypes, findMovedFile, hooks, [&](QString path) {
            const FileKind kind = classifier.classify(path, mediaFallback, scratch);
            return ClassifiedPath{std::move(path), kind};
        });
}

} // namespace zv
