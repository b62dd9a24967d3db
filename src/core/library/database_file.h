#pragma once

#include <QByteArray>
#include <QString>

namespace zv {

class TSubtitleDatabase;

// zentavista.zvd, the stored subtitle database.
//
// Layout: every field is followed by 0x06, records are separated by 0x08 (none after the
// last), the file ends with CR LF; an empty database is an empty file. Fields are UTF-8.
// Reading also splits records at CR LF, LF and CR, takes missing trailing fields as empty
// and ignores fields past the fifth. Files of older versions in Windows-1250 or ISO-8859-2
// are recognised and converted.
//
// Escape: a field byte below 0x20 (which includes the separators 0x06 and 0x08, CR and LF)
// is written as 0x10 followed by the byte + 0x40, so 0x06 becomes 0x10 'F', LF 0x10 'J',
// 0x10 itself 0x10 'P'. Such bytes cannot occur in older files, whose paths could not hold
// control characters, so those read unchanged.

struct DatabaseReadResult {
    enum class Status {
        Ok,          // read completely (or there was no file: empty database)
        PartlyRead,  // some records were unreadable and skipped; the original is kept aside
        Unreadable,  // nothing could be read; the original is kept aside, the database is empty
    };
    Status status = Status::Ok;
    int rowsRead = 0;
    int recordsSkipped = 0;
    // Where a damaged file was moved so that the exit save does not overwrite it; empty when
    // nothing was moved (also when the move itself failed).
    QString keptAsidePath;
};

struct DecodedDatabase {
    int recordsSkipped = 0;
    // More records were damaged than readable: not a database at all, no row was taken.
    bool unreadable = false;
};

// Pure conversions between rows and file bytes. decodeDatabase appends the readable
// records to db; a record holding bytes no writer produces (control bytes other than the
// separators and escapes, a field over 64 KiB) is skipped, one of more than five fields is
// cut to five and counted as damaged too.
QByteArray encodeDatabase(const TSubtitleDatabase &db);
DecodedDatabase decodeDatabase(const QByteArray &bytes, TSubtitleDatabase &db);

// Reads `path` (Paths::databaseFile() when empty) into db, appending to its rows. Called
// once at start-up, right after the settings. A missing file is an empty database. A file
// that is damaged is renamed aside with a ".bad-<date>" suffix so that the exit save keeps
// it; the caller tells the user once with databaseReadMessage.
DatabaseReadResult OdczytajBazeNapisow(TSubtitleDatabase &db, const QString &path = QString());

// Replaces `path` (Paths::databaseFile() when empty) atomically with db. Called at exit,
// after the settings. On failure returns false with a short reason in *error; the previous
// file is left as it was.
bool ZapiszBazenapisow(const TSubtitleDatabase &db, QString *error = nullptr,
                       const QString &path = QString());

// The Polish text the user is told after reading, empty when there is nothing to say.
QString databaseReadMessage(const DatabaseReadResult &result);
// The Polish text for a failed save; `reason` is the short reason ZapiszBazenapisow gave.
QString databaseWriteMessage(const QString &path, const QString &reason);

} // namespace zv
