#pragma once

#include "core/files/get_typ.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>

namespace zv {

// The UI side of a long folder scan, kept out of the core as callbacks.
struct ScanHooks {
    // "Escape is held": polled between directory entries, at most every cancelPollInterval
    // (0: after every entry). Once it answers true the scan ends and stays ended.
    std::function<bool()> cancelRequested;
    // Called at most every progressInterval with the files collected so far in the whole
    // expansion and the milliseconds since it began, so the caller can process pending events
    // and show progress when the scan runs long.
    std::function<void(qsizetype filesFound, qint64 elapsedMs)> progress;
    std::chrono::milliseconds cancelPollInterval{20};
    std::chrono::milliseconds progressInterval{100};
};

// Scans that last longer than this show their progress in the main window's status label.
inline constexpr qint64 kScanProgressDelayMs = 500;

// The status label's text while a long scan runs: the files found so far and how to stop it.
QString scanProgressText(qsizetype filesFound);

// Returns the path where a missing file now lives, or an empty string.
using MovedFileLookup = std::function<QString(const QString &path)>;

// One folder expansion: a file counter and the cancel state shared by all folders it scans.
class FolderScan {
public:
    explicit FolderScan(const QString &fileTypes, ScanHooks hooks = {});

    // Appends to `result` every subtitle, playlist or media file (unknown extensions do not
    // count as media) in `folder`, descending into subfolders when `recurse`, in the order the
    // file system lists them; a subfolder's files come where the subfolder is listed.
    // Symbolic links are followed, but no folder is entered twice in one call, so link loops end.
    // Folders that cannot be opened and entries that vanish are skipped; FIFOs, sockets,
    // devices and names that are not valid UTF-8 (they could not be opened again by name)
    // are left out. Returns false when the scan was cancelled; what was found stays in `result`.
    bool collect(QStringList &result, const QString &folder, bool recurse);
    // The same, keeping the kind found for each file so that it need not be classified again.
    bool collect(QList<ClassifiedPath> &result, const QString &folder, bool recurse);

    qsizetype filesFound() const { return found_; }
    bool cancelled() const { return cancelled_; }

private:
    void afterEntry();
    bool scan(const QString &folder, bool recurse, QStringList *paths, QList<ClassifiedPath> *classified);

    FileClassifier classifier_;
    ScanHooks hooks_;
    qint64 startMs_ = 0;
    qint64 lastCancelPoll_ = 0;
    qint64 lastProgress_ = 0;
    std::atomic<qsizetype> found_ = 0;
    bool cancelled_ = false;
};

// A single folder scan with its own counter.
bool CollectFolderFiles(QStringList &result, const QString &folder, bool recurse,
                        const QString &fileTypes, const ScanHooks &hooks = {});

// Turns a text of paths (one per line; CR LF, LF or CR) into a list of file paths: a folder
// becomes the files CollectFolderFiles finds in it, a path that does not exist is replaced by
// what `findMovedFile` returns (dropped when that is empty or no lookup is given), anything else
// stays as written. Empty lines are skipped. After a cancelled scan the remaining folders of
// the text are not scanned; plain paths after it are still kept.
QStringList ExpandPathList(const QString &text, bool recurse, const QString &fileTypes,
                           const MovedFileLookup &findMovedFile, const ScanHooks &hooks = {});

// ExpandPathList with each path's kind: files found in folders keep the kind the scan gave
// them (unknown extensions never reach the result there, so `mediaFallback` cannot change it);
// every other path is classified with `mediaFallback`. Saves a second stat and a second read
// of every subtitle file in large folders.
QList<ClassifiedPath> ExpandAndClassify(const QString &text, bool recurse, bool mediaFallback,
                                        const QString &fileTypes, const MovedFileLookup &findMovedFile,
                                        const ScanHooks &hooks = {});
// The same over paths already apart: each element is one path, whatever characters it holds
// (a name with a line break stays one path).
QList<ClassifiedPath> ExpandAndClassify(const QStringList &paths, bool recurse, bool mediaFallback,
                                        const QString &fileTypes, const MovedFileLookup &findMovedFile,
                                        const ScanHooks &hooks = {});

} // namespace zv
