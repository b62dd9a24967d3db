// Subtitle database at 100 000 rows: file read and write, adding one file with the duplicate
// pass, and the lookup of a film associated near the end of the rows.
#include "core/library/database_file.h"
#include "core/library/subtitle_database.h"
#include "core/library/subtitle_lookup.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace zv;

namespace {

constexpr int kRows = 100000;

TSubtitleDatabase makeDatabase()
{
    TSubtitleDatabase db;
    for (int i = 0; i < kRows; ++i) {
        const QString name = QStringLiteral("Napisy do filmu numer %1 (wersja ąęł).txt").arg(i);
        db.append({name, QStringLiteral("tmp"),
                   i % 3 ? QStringLiteral("Film numer %1.avi").arg(i) : QString(),
                   FormatKilobytes(1000 + i * 37),
                   QStringLiteral("/home/użytkownik/Filmy/kolekcja %1/").arg(i % 500) + name});
    }
    return db;
}

const TSubtitleDatabase &database()
{
    static const TSubtitleDatabase db = makeDatabase();
    return db;
}

void BM_WriteDatabase(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zentavista.zvd");
    for (auto _ : state) {
        if (!ZapiszBazenapisow(database(), nullptr, path))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteDatabase)->Unit(benchmark::kMillisecond);

void BM_ReadDatabase(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zentavista.zvd");
    ZapiszBazenapisow(database(), nullptr, path);
    TSubtitleDatabase db;
    for (auto _ : state) {
        state.PauseTiming();
        db.clear();  // freeing the rows happens once, at exit; keep it out of the figure
        state.ResumeTiming();
        const DatabaseReadResult r = OdczytajBazeNapisow(db, path);
        if (r.rowsRead != kRows)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(db);
    }
}
BENCHMARK(BM_ReadDatabase)->Unit(benchmark::kMillisecond);

// The same two without the file system: what the program itself spends.
void BM_EncodeDatabase(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeDatabase(database()));
    state.counters["bytes"] = double(encodeDatabase(database()).size());
}
BENCHMARK(BM_EncodeDatabase)->Unit(benchmark::kMillisecond);

void BM_DecodeDatabase(benchmark::State &state)
{
    const QByteArray bytes = encodeDatabase(database());
    TSubtitleDatabase db;
    for (auto _ : state) {
        state.PauseTiming();
        db.clear();
        state.ResumeTiming();
        decodeDatabase(bytes, db);
    }
}
BENCHMARK(BM_DecodeDatabase)->Unit(benchmark::kMillisecond);

// `fromFile`: the rows as start-up reads them; otherwise as they stand after a run of adds.
void addOneFile(benchmark::State &state, bool fromFile)
{
    const auto kind = [](const QString &) { return 0; };
    const auto size = [](const QString &) { return qint64(42000); };
    const QStringList one{QStringLiteral("/home/użytkownik/Filmy/nowy film.txt")};
    TSubtitleDatabase base;
    if (fromFile) {
        QTemporaryDir dir;
        ZapiszBazenapisow(database(), nullptr, dir.filePath("zentavista.zvd"));
        OdczytajBazeNapisow(base, dir.filePath("zentavista.zvd"));
    } else {
        base = database();
        base.UsunDupliatyWbazieTekstow();
    }
    // Copying, detaching and freeing the rows stay outside the timed region.
    TSubtitleDatabase db;
    for (auto _ : state) {
        state.PauseTiming();
        db = base;
        db.removeRows({db.size() - 1});
        state.ResumeTiming();
        db.TxtAddProc(one, 10000, true, true, kind, size);
        benchmark::DoNotOptimize(db);
    }
}

void BM_TxtAddProcOneFile(benchmark::State &state) { addOneFile(state, false); }
BENCHMARK(BM_TxtAddProcOneFile)->Unit(benchmark::kMillisecond);

void BM_TxtAddProcFirstAfterRead(benchmark::State &state) { addOneFile(state, true); }
BENCHMARK(BM_TxtAddProcFirstAfterRead)->Unit(benchmark::kMillisecond);

// The full pass, for rows whose paths were never checked (appended one by one).
void BM_DuplicatePassAllRows(benchmark::State &state)
{
    TSubtitleDatabase db;
    for (auto _ : state) {
        state.PauseTiming();
        db = database();
        db.append({});
        state.ResumeTiming();
        benchmark::DoNotOptimize(db.UsunDupliatyWbazieTekstow());
    }
}
BENCHMARK(BM_DuplicatePassAllRows)->Unit(benchmark::kMillisecond);

void BM_TryToFindFile(benchmark::State &state)
{
    // Row kRows - 2 is the last associated one (every third row has no film).
    const QString last = database().at(kRows - 2).FullPath;
    const auto exists = [&](const QString &p) { return p == last; };
    const QString film = QStringLiteral("/media/dysk/FILM NUMER %1.AVI").arg(kRows - 2);
    for (auto _ : state) {
        const QString found = TryToFindFile(database().rows(), film, QString(), exists);
        if (found != last)
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_TryToFindFile)->Unit(benchmark::kMillisecond);

// A film no row names and no file matches (the first opening of any film): every row is
// passed over on its length alone, then the candidates are tried.
void BM_TryToFindFileUnknownFilm(benchmark::State &state)
{
    const auto exists = [](const QString &) { return false; };
    const QString film = QStringLiteral("/media/dysk/Zupełnie inny film z długim tytułem (1999).mkv");
    for (auto _ : state)
        benchmark::DoNotOptimize(TryToFindFile(database().rows(), film, QStringLiteral("/napisy"), exists));
}
BENCHMARK(BM_TryToFindFileUnknownFilm)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
