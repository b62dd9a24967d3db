#include "core/library/database_file.h"

#include "core/config/paths.h"
#include "core/library/subtitle_database.h"
#include "support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zv;

namespace {

using Status = DatabaseReadResult::Status;

TSubtitleDatabase dbOf(const QList<TSubtitleRecord> &rows)
{
    TSubtitleDatabase db;
    for (const auto &r : rows)
        db.append(r);
    return db;
}

QList<TSubtitleRecord> decode(const QByteArray &bytes, int *skipped = nullptr)
{
    TSubtitleDatabase db;
    const DecodedDatabase d = decodeDatabase(bytes, db);
    if (skipped)
        *skipped = d.recordsSkipped;
    return db.rows();
}

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readRaw(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList asideFiles(const QString &dir)
{
    return QDir(dir).entryList({"zentavista.zvd.bad-*"}, QDir::Files | QDir::Dirs);
}

const TSubtitleRecord kA{"a.txt", "tmp", "film.avi", "1 KB", "/s/a.txt"};
const QString kBom(QChar(0xFEFF));
const TSubtitleRecord kB{"b.txt", "mdvd", "", "12 KB", "/s/b.txt"};

} // namespace

TEST(DatabaseFile, WritesTheDocumentedLayout)
{
    EXPECT_EQ(encodeDatabase(TSubtitleDatabase()), QByteArray());
    EXPECT_EQ(encodeDatabase(dbOf({kA, kB})),
              QByteArray("a.txt\x06tmp\x06" "film.avi\x06" "1 KB\x06/s/a.txt\x06"
                         "\x08"
                         "b.txt\x06mdvd\x06\x06" "12 KB\x06/s/b.txt\x06\r\n"));
}

TEST(DatabaseFile, RoundTrip)
{
    const QList<QList<TSubtitleRecord>> cases = {
        {},
        {kA},
        {kA, kB, kA},
        {{"", "", "", "", ""}},
        {{"", "tmp", "", "", "/x"}, {"y", "", "", "", ""}},
        {{"zażółć gęślą jaźń.txt", "lrc", "Żółw.avi", "1 270 KB", "/dom/Ściężka/zażółć gęślą jaźń.txt"}},
        {{"a\x06" "b", "\x08", "x\ry\nz\r\n", "\t\x10" "F\x10", "/p/\x01\x1f\x7f/name.txt"}},
        {{"\x10", "\x10P", "\x10\x10", "end\x10", "\x06\x06\x06"}},
        // U+FEFF leading a field, the file's first one included, is text like any other.
        {{kBom + "a.txt", kBom, kBom + kBom, "x" + kBom, kBom + "/s/a.txt"}},
        {kA, {kBom, "", kBom, "", kBom}},
    };
    for (const auto &rows : cases) {
        const QByteArray bytes = encodeDatabase(dbOf(rows));
        // A field never leaks a separator or a line break into the file.
        const QByteArray body = bytes.chopped(std::min<qsizetype>(bytes.size(), 2));
        EXPECT_FALSE(body.contains('\r') || body.contains('\n'));
        EXPECT_EQ(body.count('\x08'), std::max<qsizetype>(0, rows.size() - 1));
        EXPECT_EQ(body.count('\x06'), rows.size() * 5);
        int skipped = -1;
        EXPECT_EQ(decode(bytes, &skipped), rows);
        EXPECT_EQ(skipped, 0);
    }
}

TEST(DatabaseFile, ReadsLooseRecords)
{
    const struct {
        const char *name;
        QByteArray bytes;
        QList<TSubtitleRecord> rows;
        int skipped;
    } cases[] = {
        {"last field without 0x06", "a.txt\x06tmp\x06" "f.avi\x06" "1 KB\x06/s/a.txt\r\n",
         {{"a.txt", "tmp", "f.avi", "1 KB", "/s/a.txt"}}, 0},
        {"no final line break", "a.txt\x06tmp\x06\x06" "1 KB\x06/s/a.txt\x06",
         {{"a.txt", "tmp", "", "1 KB", "/s/a.txt"}}, 0},
        {"one field", "lonely\r\n", {{"lonely", "", "", "", ""}}, 0},
        {"records at 0x08, CR LF, LF and CR; empty lines add nothing",
         "a\x06\x08" "b\x06\r\nc\x06\n\nd\x06\re\x06\r\n\r\n",
         {{"a", "", "", "", ""}, {"b", "", "", "", ""}, {"c", "", "", "", ""},
          {"d", "", "", "", ""}, {"e", "", "", "", ""}}, 0},
        {"nine fields keep five and count as damage", "1\x06" "2\x06" "3\x06" "4\x06" "5\x06" "6\x06"
         "7\x06" "8\x06" "9\x06\r\n", {{"1", "2", "3", "4", "5"}}, 1},
        {"control bytes make a record unreadable", QByteArray("ok\x06\x08" "b\x01" "ad\x06\x08" "ok2\x06"),
         {{"ok", "", "", "", ""}, {"ok2", "", "", "", ""}}, 1},
        {"a broken escape makes a record unreadable", "x\x10" "a\x06\x08y\x06\x08z\x10\x08w\x06\nv",
         {{"y", "", "", "", ""}, {"w", "", "", "", ""}, {"v", "", "", "", ""}}, 2},
        {"more damage than data takes nothing", "a\x06\n\x01\n\x02\n", {}, 2},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF" "\xC4\x85.txt\x06",
         {{"ą.txt", "", "", "", ""}}, 0},
        {"older Windows-1250 file", "\xb9\x9c\x9f.txt\x06tmp\x06\x06" "1 KB\x06" "C:\\Napisy\\\xb9\x9c\x9f.txt\x06\r\n",
         {{"ąśź.txt", "tmp", "", "1 KB", "C:\\Napisy\\ąśź.txt"}}, 0},
        {"UTF-8 and 8-bit records side by side", "\xC5\xBC\xC3\xB3\xC5\x82w\x06\x08\xbf\xf3\xb3w\x06",
         {{"żółw", "", "", "", ""}, {"żółw", "", "", "", ""}}, 0},
    };
    for (const auto &c : cases) {
        int skipped = -1;
        EXPECT_EQ(decode(c.bytes, &skipped), c.rows) << c.name;
        EXPECT_EQ(skipped, c.skipped) << c.name;
    }
}

TEST(DatabaseFile, SpecialBytesAtEveryOffset)
{
    // Long text is scanned in blocks; a special byte must be seen wherever it falls.
    for (int at = 0; at < 40; ++at) {
        const QByteArray a(at, 'a'), b(39 - at, 'b');
        int skipped = -1;
        EXPECT_EQ(decode(a + '\x06' + b + "\r\n", &skipped),
                  (QList<TSubtitleRecord>{{QString(a), b.isEmpty() ? "" : QString(b), "", "", ""}}))
            << at;
        QList<TSubtitleRecord> split;
        for (const QByteArray &part : {a, b, a, b}) {
            if (!part.isEmpty())
                split.append({QString(part), "", "", "", ""});
        }
        EXPECT_EQ(decode(a + '\x08' + b + "\x08" + a + '\n' + b), split) << at;
        EXPECT_EQ(decode(a + '\x01' + b, &skipped).size(), 0) << at;
        EXPECT_EQ(skipped, 1) << at;
        EXPECT_EQ(decode(a + "\xb9" + b + '\x06').value(0).FileName, QString(a) + u'ą' + QString(b))
            << at;
    }
}

TEST(DatabaseFile, AddingAfterReadingStillRemovesDuplicates)
{
    const auto kind = [](const QString &) { return 0; };
    const auto size = [](const QString &) { return qint64(1); };
    const TSubtitleRecord kA2{"a.txt", "tmp", "", "9 KB", "/s/a.txt"};
    const struct { QList<TSubtitleRecord> stored; QString added; QStringList paths; } cases[] = {
        {{kA, kB, kA2}, "/s/c.txt", {"/s/a.txt", "/s/b.txt", "/s/c.txt"}},
        {{kA, kB}, "/s/a.txt", {"/s/a.txt", "/s/b.txt"}},
        {{kA, kB}, "/s/c.txt", {"/s/a.txt", "/s/b.txt", "/s/c.txt"}},
    };
    for (const auto &c : cases) {
        TSubtitleDatabase db;
        decodeDatabase(encodeDatabase(dbOf(c.stored)), db);
        db.TxtAddProc({c.added}, 10000, false, true, kind, size);
        QStringList got;
        for (const auto &r : db.rows())
            got << r.FullPath;
        EXPECT_EQ(got, c.paths) << c.added.toStdString();
        EXPECT_EQ(db.at(0).AssociatedWith, "film.avi");
    }
}

TEST(DatabaseFile, TruncatedFileKeepsItsWholeRecords)
{
    const QList<TSubtitleRecord> rows = {kA, kB, kA};
    const QByteArray bytes = encodeDatabase(dbOf(rows));
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        const QList<TSubtitleRecord> got = decode(bytes.left(cut));
        ASSERT_LE(got.size(), rows.size());
        const qsizetype whole = bytes.left(cut).count('\x08');
        for (qsizetype i = 0; i < whole; ++i)
            EXPECT_EQ(got[i], rows[i]) << cut;
    }
}

TEST(DatabaseFile, SavesAndReadsAtTheStateFolder)
{
    test::ScopedHome home;
    TSubtitleDatabase db = dbOf({kA, kB});
    QString error;
    ASSERT_TRUE(ZapiszBazenapisow(db, &error)) << error.toStdString();
    ASSERT_TRUE(QFileInfo::exists(home.file("zentavista.zvd")));

    TSubtitleDatabase back;
    back.append(kB);  // reading appends to what the list holds
    const DatabaseReadResult r = OdczytajBazeNapisow(back);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.rowsRead, 2);
    EXPECT_EQ(back.rows(), (QList<TSubtitleRecord>{kB, kA, kB}));
    EXPECT_TRUE(databaseReadMessage(r).isEmpty());

    // Missing file: empty database, nothing to tell.
    ASSERT_TRUE(QFile::remove(home.file("zentavista.zvd")));
    TSubtitleDatabase none;
    const DatabaseReadResult m = OdczytajBazeNapisow(none);
    EXPECT_EQ(m.status, Status::Ok);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(asideFiles(home.path()).isEmpty());
}

TEST(DatabaseFile, DamagedFilesAreKeptAside)
{
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919 + 13) & 0xFF);
    const QByteArray good = encodeDatabase(dbOf({kA}));
    const struct {
        const char *name;
        QByteArray bytes;
        Status status;
        int rows;
    } cases[] = {
        {"binary", binary, Status::Unreadable, 0},
        {"only garbage", "\x01\x02\x03\n\x04\x05", Status::Unreadable, 0},
        {"one bad record among good ones", good.chopped(2) + "\x08" + "bad\x02\x06\r\n",
         Status::PartlyRead, 1},
        {"a NUL in one record", good + good + QByteArray("x\0y\x06\r\n", 7), Status::PartlyRead, 2},
        {"a line of 1 MB", good + QByteArray(1 << 20, 'x') + "\r\n", Status::PartlyRead, 1},
        {"an empty file", "", Status::Ok, 0},
    };
    for (const auto &c : cases) {
        test::ScopedHome home;
        const QString path = home.file("zentavista.zvd");
        ASSERT_TRUE(writeRaw(path, c.bytes));
        TSubtitleDatabase db;
        const DatabaseReadResult r = OdczytajBazeNapisow(db);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(db.size(), c.rows) << c.name;
        if (c.status == Status::Ok) {
            EXPECT_TRUE(r.keptAsidePath.isEmpty()) << c.name;
            continue;
        }
        // The original is moved, byte for byte, out of the way of the exit save.
        EXPECT_FALSE(QFileInfo::exists(path)) << c.name;
        EXPECT_EQ(readRaw(r.keptAsidePath), c.bytes) << c.name;
        EXPECT_EQ(asideFiles(home.path()).size(), 1) << c.name;
        EXPECT_TRUE(databaseReadMessage(r).contains(r.keptAsidePath)) << c.name;
        ASSERT_TRUE(ZapiszBazenapisow(db));
        EXPECT_EQ(readRaw(r.keptAsidePath), c.bytes) << c.name;
    }
}

TEST(DatabaseFile, SecondDamagedFileGetsItsOwnName)
{
    test::ScopedHome home;
    QStringList kept;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(writeRaw(home.file("zentavista.zvd"), QByteArray("\x01\x02") + char('0' + i)));
        TSubtitleDatabase db;
        kept << OdczytajBazeNapisow(db).keptAsidePath;
    }
    EXPECT_NE(kept[0], kept[1]);
    EXPECT_EQ(readRaw(kept[0]), QByteArray("\x01\x02" "0"));
    EXPECT_EQ(readRaw(kept[1]), QByteArray("\x01\x02" "1"));
}

TEST(DatabaseFile, AFolderInThePlaceOfTheFile)
{
    test::ScopedHome home;
    ASSERT_TRUE(QDir().mkpath(home.file("zentavista.zvd")));
    TSubtitleDatabase db;
    const DatabaseReadResult r = OdczytajBazeNapisow(db);
    EXPECT_EQ(r.status, Status::Unreadable);
    EXPECT_TRUE(QFileInfo(r.keptAsidePath).isDir());
    EXPECT_FALSE(databaseReadMessage(r).isEmpty());
    EXPECT_TRUE(ZapiszBazenapisow(dbOf({kA})));
}

TEST(DatabaseFile, AMillionRecords)
{
    // Short records keep the test quick under the sanitizers; the count is what matters.
    QByteArray bytes;
    bytes.reserve(3 * 1000000 + 2);
    for (int i = 0; i < 1000000; ++i)
        bytes += i % 2 ? "\x06\x06\x06\x06/\x06\x08" : "\x06\x06\x06\x06\x06\n";
    TSubtitleDatabase db;
    EXPECT_EQ(decodeDatabase(bytes, db).recordsSkipped, 0);
    ASSERT_EQ(db.size(), 1000000);
    EXPECT_EQ(db.at(999999), (TSubtitleRecord{"", "", "", "", "/"}));
    EXPECT_EQ(db.UsunDupliatyWbazieTekstow(), 999998);
}

TEST(DatabaseFile, FailedSaveIsReported)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(writeRaw(tmp.filePath("file"), "x"));
    const QString path = tmp.filePath("file/zentavista.zvd");
    QString error;
    EXPECT_FALSE(ZapiszBazenapisow(dbOf({kA}), &error, path));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(databaseWriteMessage(path, error).contains(path));
}
