#pragma once

#include "core/common/file_kind.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>

#include <memory>

namespace zv {

struct AppContext;
class TSubtitleDatabase;

// The subtitle database ("Baza tekstów"): its rows for the whole run, its window, adding
// subtitle files, pairing them with films and the automatic lookup when a film opens.
class LibraryController : public QObject {
    Q_OBJECT

public:
    // db is the database the window (Form7) already shows; the controller keeps it.
    LibraryController(AppContext &ctx, std::unique_ptr<TSubtitleDatabase> db);
    ~LibraryController() override;

    TSubtitleDatabase &subtitleDatabase() { return *db_; }

    // Adds a row per subtitle file, removes duplicates and loads the last path when
    // LoadSubtitle. kinds, when given, holds each path's kind as the intake found it (no path
    // is read again); otherwise each path is classified here.
    void TxtAddProc(const QStringList &Paths, const QList<FileKind> &kinds, QPoint DropPoint,
                    bool LoadSubtitle, bool AppendAtEnd);
    // Records that subtitle was loaded while film was open (empty: none).
    void SkojarzPliki(const QString &film, const QString &subtitle);
    // The user dropped this pairing: the file is not offered for the film again.
    void ForgetPairing(const QString &film, const QString &subtitle);
    // The film's own subtitle track `number` was loaded: a row remembers it for the film.
    void rememberEmbedded(const QString &film, int number);
    void LadujTextNr(int row);
    // The subtitle file for the open clip: an associated row first, then the .txt candidates.
    QString TryToFindFile() const;
    // True when it started loading subtitles for the open film (a file or the film's own track).
    bool AutoLoadText();
    QStringList subtitlePaths() const;   // every row's path

    void BT1Click();

private:
    AppContext &ctx_;
    std::unique_ptr<TSubtitleDatabase> db_;
};

} // namespace zv
