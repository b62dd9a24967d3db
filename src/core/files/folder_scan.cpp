#include "core/files/folder_scan.h"

#include "core/common/text_codec.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <system_error>
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

namespace {

// What the walk of one folder collected, with the subfolders walked elsewhere in their places:
// nested[k] belongs before entry nested[k].first of this part's own list.
struct Part {
    QStringList paths;
    QList<ClassifiedPath> classified;
    std::vector<std::pair<qsizetype, std::unique_ptr<Part>>> nested;

    qsizetype size() const { return paths.size() + classified.size(); }
    // Moves everything into `out` in listing order; iterative, as nesting can be as deep as
    // the tree.
    template <typename List>
    static void flatten(Part &root, List Part::*own, List &out)
    {
        struct At {
            Part *part;
            size_t nested = 0;
            qsizetype done = 0;
        };
        std::vector<At> stack{{&root}};
        while (!stack.empty()) {
            At &a = stack.back();
            List &mine = a.part->*own;
            const bool more = a.nested < a.part->nested.size();
            const qsizetype upTo = more ? a.part->nested[a.nested].first : mine.size();
            out.append(List(std::make_move_iterator(mine.begin() + a.done), std::make_move_iterator(mine.begin() + upTo)));
            a.done = upTo;
            if (!more) {
                stack.pop_back();
                continue;
            }
            Part *sub = a.part->nested[a.nested++].second.get();
            stack.push_back({sub}); // `a` is not used after this
        }
    }
};

// State both threads of one scan share.
struct WalkShared {
    const FileClassifier &classifier;
    bool recurse;
    std::atomic<qsizetype> &found;
    std::atomic<bool> stop{false};
    std::mutex enteredLock;
    std::set<FolderId> entered;

    WalkShared(const FileClassifier &c, bool r, std::atomic<qsizetype> &f) : classifier(c), recurse(r), found(f) {}

    // Opens a folder relative to its parent's descriptor, unless this scan already entered it.
    std::optional<OpenFolder> enter(int parentFd, const char *name, QString prefix)
    {
        const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return std::nullopt;
        struct stat st {};
        bool fresh = false;
        if (::fstat(fd, &st) == 0) {
            const std::lock_guard lock(enteredLock);
            fresh = entered.insert({st.st_dev, st.st_ino}).second;
        }
        DIR *dir = fresh ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            ::close(fd);
            return std::nullopt;
        }
        return OpenFolder(dir, std::move(prefix));
    }
};

// Walks the folders on `stack` depth first, adding what it collects to `part`. A subfolder is
// offered to `handOff` first, which may take it instead of descending; `afterEntry` runs
// after every entry and returns false to stop.
template <typename HandOff, typename AfterEntry>
void walk(WalkShared &w, std::vector<OpenFolder> &stack, bool keepKinds, Part &part, HandOff handOff,
          AfterEntry afterEntry)
{
    QString name;
    while (!stack.empty()) {
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
            if (w.recurse && decodeName(raw, name)) {
                // `top` may move when the stack grows, so take what is needed first.
                if (std::optional<OpenFolder> sub = w.enter(::dirfd(top.dir), raw, top.prefix + name + u'/')) {
                    if (!handOff(*sub, part))
                        stack.push_back(std::move(*sub));
                }
            }
        } else if (type == DT_REG && decodeName(raw, name)) {
            QString path = top.prefix + name;
            const FileKind kind = w.classifier.kindOfExisting(path, false, false, ::dirfd(top.dir), raw);
            if (isCollectableKind(kind)) {
                if (keepKinds)
                    part.classified.append({std::move(path), kind});
                else
                    part.paths.append(std::move(path));
                ++w.found;
            }
        }
        if (!afterEntry())
            return;
    }
}

// A second thread that walks subfolders handed to it while the caller's thread goes on, so a
// large tree is listed and classified on two cores. A couple of subfolders wait in hand at
// most, so that it never idles; the caller takes back whatever still waits when its own walk
// ends. The hooks stay with the caller's thread.
class SubfolderHelper {
public:
    struct Task {
        OpenFolder folder;
        Part *into;
    };

    SubfolderHelper(WalkShared &w, bool keepKinds) : w_(w), keepKinds_(keepKinds) {}
    ~SubfolderHelper()
    {
        {
            const std::lock_guard lock(m_);
            quit_ = true;
            w_.stop = true; // also ends a walk still running, should the caller be unwinding
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    // Takes `folder`, to be walked into its own part nested in `parent` at the current end.
    bool take(OpenFolder &folder, Part &parent)
    {
        if (!thread_.joinable()) {
            if (noThread_)
                return false;
            try {
                thread_ = std::thread([this] { run(); });
            } catch (const std::system_error &) {
                noThread_ = true; // out of threads: the caller walks everything itself
                return false;
            }
        }
        {
            const std::lock_guard lock(m_);
            if (waiting_.size() >= 2)
                return false;
            auto &[at, into] = parent.nested.emplace_back(parent.size(), std::make_unique<Part>());
            waiting_.push_back({std::move(folder), into.get()});
        }
        wake_.notify_all();
        return true;
    }

    // The subfolder handed last and not yet begun, for the caller to walk itself.
    std::optional<Task> takeBack()
    {
        const std::lock_guard lock(m_);
        if (waiting_.empty())
            return std::nullopt;
        Task t = std::move(waiting_.back());
        waiting_.pop_back();
        return t;
    }

    // Waits until every subfolder handed is done, calling `poll` at least every `interval`.
    template <typename Poll>
    void waitIdle(std::chrono::milliseconds interval, Poll poll)
    {
        std::unique_lock lock(m_);
        while (busy_ || !waiting_.empty()) {
            done_.wait_for(lock, interval);
            lock.unlock();
            poll();
            lock.lock();
        }
    }

private:
    void run()
    {
        std::unique_lock lock(m_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
            if (quit_)
                return;
            std::vector<OpenFolder> stack;
            stack.push_back(std::move(waiting_.front().folder));
            Part &part = *waiting_.front().into;
            waiting_.pop_front();
            busy_ = true;
            lock.unlock();
            const auto going = [this] { return !w_.stop.load(std::memory_order_relaxed); };
            if (going())
                walk(w_, stack, keepKinds_, part, [](OpenFolder &, Part &) { return false; }, going);
            stack.clear(); // closes the folders before the caller can go on
            lock.lock();
            busy_ = false;
            done_.notify_all();
        }
    }

    WalkShared &w_;
    const bool keepKinds_;
    std::mutex m_;
    std::condition_variable wake_, done_;
    std::deque<Task> waiting_;
    bool busy_ = false;
    bool quit_ = false;
    bool noThread_ = false;
    std::thread thread_;
};

} // namespace

bool FolderScan::scan(const QString &folder, bool recurse, QStringList *paths,
                      QList<ClassifiedPath> *classified)
{
    if (cancelled_)
        return false;
    if (folder.contains(QChar(0)))
        return true;

    WalkShared w(classifier_, recurse, found_);
    std::vector<OpenFolder> stack;
    if (std::optional<OpenFolder> root = w.enter(AT_FDCWD, QFile::encodeName(folder).constData(), withSlash(folder)))
        stack.push_back(std::move(*root));

    Part all;
    const bool keepKinds = classified != nullptr;
    {
        SubfolderHelper helper(w, keepKinds);
        const auto handOff = [&](OpenFolder &sub, Part &parent) { return helper.take(sub, parent); };
        const auto polled = [&] {
            afterEntry();
            if (cancelled_)
                w.stop = true;
            return !cancelled_;
        };
        walk(w, stack, keepKinds, all, handOff, polled);
        // What still waits for the helper is walked here too, rather than waited for.
        while (!cancelled_) {
            std::optional<SubfolderHelper::Task> t = helper.takeBack();
            if (!t)
                break;
            stack.clear();
            stack.push_back(std::move(t->folder));
            walk(w, stack, keepKinds, *t->into, handOff, polled);
        }
        stack.clear();
        const auto interval = std::max(std::min(hooks_.cancelPollInterval, hooks_.progressInterval),
                                       std::chrono::milliseconds(1));
        helper.waitIdle(interval, [&] {
            if (!cancelled_)
                polled();
        });
    }
    if (paths)
        Part::flatten(all, &Part::paths, *paths);
    else
        Part::flatten(all, &Part::classified, *classified);
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
