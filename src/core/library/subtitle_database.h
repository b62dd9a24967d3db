#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

namespace zv {

// One remembered subtitle file. The field order is also the order in zentavista.zvd.
struct TSubtitleRecord {
    QString FileName;        // bare file name of the subtitle file
    QString Format;          // "tmp", "mdvd", "lrc", "srt" or "mpl2"
    QString AssociatedWith;  // bare file name of the film it belongs to, or empty
    QString SizeText;        // FormatKilobytes of the size when the row was added
    QString FullPath;        // full path of the subtitle file

    friend bool operator==(const TSubtitleRecord &, const TSubtitleRecord &) = default;
};

} // namespace zv
Q_DECLARE_TYPEINFO(zv::TSubtitleRecord, Q_RELOCATABLE_TYPE);
namespace zv {

// Shown by the main window in a warning box titled kAssociationErrorTitle when an
// association pass fails.
inline constexpr char16_t kAssociationErrorTitle[] = u"Błąd...";
inline constexpr char16_t kAssociationErrorMessage[] =
    u"Wystąpił błąd podczas kojarzenia pliku.\nError 135489.";

namespace lib {
// The text after the last '/' (the whole text when there is none).
QStringView bareFileName(QStringView path);
} // namespace lib

// "1 270 KB" style size text: 1..1023 bytes count as one kilobyte, otherwise bytes / 1024
// rounded up; digits grouped by threes with a space. Negative sizes (unknown) give "0 KB".
QString FormatKilobytes(qint64 bytes);

// Format tag of a file kind as the classifier reports it: 0 "tmp", 1 "mdvd", 2 "lrc",
// 3 "srt", 4 "mpl2";
// nullopt for every other kind (those files get no row).
std::optional<QString> formatTagOfKind(int fileKind);

// Row at which a drop at height y lands in the list: a header of 18 px and rows of 14 px.
// Never negative; callers append when it is past the end.
int dropRowIndex(int y);

// The ordered rows of the subtitle association database. Owned by the main window for the
// whole run; the database window shows it. Indices are 0-based.
class TSubtitleDatabase {
public:
    using Classifier = std::function<int(const QString &path)>;   // FileKind of a path
    using SizeOf = std::function<qint64(const QString &path)>;     // bytes, -1 when unknown
    using FileExists = std::function<bool(const QString &path)>;

    static qint64 realFileSize(const QString &path);
    static bool realFileExists(const QString &path);

    const QList<TSubtitleRecord> &rows() const { return rows_; }
    qsizetype size() const { return rows_.size(); }
    bool isEmpty() const { return rows_.isEmpty(); }
    const TSubtitleRecord &at(qsizetype i) const { return rows_.at(i); }
    void append(const TSubtitleRecord &row) { rows_.append(row); unique_ = false; }
    void clear() { rows_.clear(); unique_ = true; }
    // Appends rows read from the stored file. `distinctPaths` promises that no two of them
    // share a FullPath (the reader checks while their text is still in the cache).
    void adoptRead(QList<TSubtitleRecord> &&rows, bool distinctPaths);

    struct AddResult {
        int added = 0;
        QString pathToLoad;   // the batch's last path when loadSubtitle was asked; else empty
    };
    // Adds one row per path whose kind is a subtitle format: at the end when appendAtEnd,
    // otherwise at dropRowIndex(dropY) (past the end appends). Then removes duplicate paths.
    // A re-added file keeps the association its older row had, whichever row survives.
    // The caller loads pathToLoad through LadujText when it is not empty.
    AddResult TxtAddProc(const QStringList &paths, int dropY, bool loadSubtitle,
                         bool appendAtEnd, const Classifier &classify,
                         const SizeOf &sizeOf = realFileSize);

    // Deletes every row whose FullPath (exact, case-sensitive) repeats an earlier row's; the
    // earliest row of a path survives unchanged. Linear time. Returns the number deleted.
    int UsunDupliatyWbazieTekstow();

    // Records that subtitlePath was loaded while filmPath was open (empty when none): every
    // row with the subtitle's bare name gets the film's bare name; other rows holding that
    // film name lose it. A subtitle without a row gets none here.
    void SkojarzPliki(const QString &filmPath, const QString &subtitlePath);

    // LadujTextNr's lookup: the FullPath of a row, nullopt when the index is out of range.
    std::optional<QString> fullPathOf(qsizetype row) const;

    // Window commands. Index lists may be unsorted, repeat or run past the end.
    int removeRows(const QList<qsizetype> &indices);           // "Usuń z bazy", Delete
    void clearAssociations(const QList<qsizetype> &indices);  // "Usuń skojarzenie"
    int removeMissing(const FileExists &exists = realFileExists);  // "Posprzątaj listę"
    // A playlist entry dropped on a row: that row only gets the entry's bare file name.
    bool associateRow(qsizetype row, const QString &filmPath);

private:
    void removeDuplicatesOf(const QStringList &paths);
    void compact(const QList<bool> &drop);

    QList<TSubtitleRecord> rows_;
    // True: no two rows share a FullPath; false: not known. Lets adding a few files check
    // only their own paths instead of hashing every row.
    bool unique_ = true;
};

} // namespace zv
