// Reading a 100 000-entry playlist file and sorting a 100 000-entry playlist: under 100 ms
// each. Anchor: one stat() of every file of the playlist, the least any reader that checks
// the files must do; the summary prints the reader's time against it.
// The playlist window's edits on 100 000 entries (deleting half of them, dragging half of
// them) and one keystroke of the jump dialog's search over 100 000 names (under 20 ms),
// against a single-word substring scan of the same names.
// Run: build/<dir>/bench/playlist/bench_playlist

#include "core/playlist/find_moved_file.h"
#include "core/playlist/jump_filter.h"
#include "core/playlist/playlist.h"
#include "core/playlist/playlist_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include <sys/stat.h>

using namespace zv;

namespace {

constexpr int kEntries = 100000;

// 100 000 real empty files in 100 folders with Polish, mixed-case names, listed in a
// playlist in shuffled order (the worst case for locality), plus a playlist whose 100 000
// lines all name files that do not exist.
struct Fixture {
    QTemporaryDir dir;
    QStringList paths;
    QString playlist;
    QString missingPlaylist;

    Fixture()
    {
        QRandomGenerator rng(7);
        const char *words[] = {"Film", "zażółć", "Odcinek", "gęślą", "ABC", "jaźń", "x", "Ścieżka"};
        for (int f = 0; f < 100; ++f) {
            const QString folder = dir.path() + QStringLiteral("/Seria %1 %2").arg(words[f % 8]).arg(f);
            QDir().mkpath(folder);
            for (int i = 0; i < kEntries / 100; ++i) {
                const QString p = folder + QStringLiteral("/%1 %2 %3.avi")
                                               .arg(words[rng.bounded(8)])
                                               .arg(rng.bounded(1000000))
                                               .arg(i);
                QFile file(p);
                if (!file.open(QIODevice::WriteOnly))
                    std::abort();
                paths << p;
            }
        }
        std::shuffle(paths.begin(), paths.end(), rng);
        playlist = dir.path() + QStringLiteral("/big.m3u");
        QByteArray bytes = "#EXTM3U\r\n";
        QByteArray missing;
        for (const QString &p : paths) {
            bytes += p.toUtf8() + "\r\n";
            missing += p.toUtf8() + ".brak\r\n";
        }
        QFile out(playlist);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            std::abort();
        missingPlaylist = dir.path() + QStringLiteral("/missing.m3u");
        QFile out2(missingPlaylist);
        if (!out2.open(QIODevice::WriteOnly) || out2.write(missing) != missing.size())
            std::abort();
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_ReadPlaylist100k(benchmark::State &state)
{
    Fixture &f = fixture();
    const MovedFileFinder finder(defaultMountRoots(), QString());
    for (auto _ : state) {
        PlaylistReadResult r = readPlaylistFile(f.playlist, f.dir.path(), finder);
        if (r.paths.size() != kEntries)
            state.SkipWithError("wrong entry count");
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ReadPlaylist100k)->Unit(benchmark::kMillisecond);

// Every line missing: each one goes through the moved-file lookup.
void BM_ReadPlaylist100kAllMissing(benchmark::State &state)
{
    Fixture &f = fixture();
    const MovedFileFinder finder(defaultMountRoots(), f.dir.path());
    for (auto _ : state) {
        PlaylistReadResult r = readPlaylistFile(f.missingPlaylist, f.dir.path(), finder);
        if (!r.paths.isEmpty())
            state.SkipWithError("found a missing file");
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_ReadPlaylist100kAllMissing)->Unit(benchmark::kMillisecond);

void BM_SortujPLS100k(benchmark::State &state)
{
    TPlaylist base;
    base.PlsAddProc(fixture().paths, false, true);
    for (int i = 0; i < base.count(); i += 1000)
        base.DodajCzasDoPlalisty(base.at(i).Path, i);
    const int mode = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TPlaylist pl = base;
        state.ResumeTiming();
        pl.SortujPLS(mode);
        benchmark::DoNotOptimize(pl);
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_SortujPLS100k)->Arg(0)->Arg(1)->ArgName("mode")->Unit(benchmark::kMillisecond);

void BM_SavePlaylist100k(benchmark::State &state)
{
    Fixture &f = fixture();
    TPlaylist pl;
    pl.PlsAddProc(f.paths, false, true);
    const QString out = f.dir.path() + QStringLiteral("/saved.zvl");
    for (auto _ : state) {
        if (!SavePlaylist(pl, out))
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_SavePlaylist100k)->Unit(benchmark::kMillisecond);

// Runs op on a fresh copy of the 100 000-entry list with every other row chosen; the copy is
// not timed.
template <class Op>
void onEveryOtherRow(benchmark::State &state, Op op)
{
    TPlaylist base;
    base.PlsAddProc(fixture().paths, false, true);
    QList<int> rows;
    for (int i = 0; i < kEntries; i += 2)
        rows << i;
    for (auto _ : state) {
        state.PauseTiming();
        TPlaylist pl = base;
        state.ResumeTiming();
        op(pl, rows);
        benchmark::DoNotOptimize(pl);
    }
}

// Every other entry selected and deleted: one pass, one change notice.
void BM_DeleteHalfOf100k(benchmark::State &state)
{
    onEveryOtherRow(state, [](TPlaylist &pl, const QList<int> &rows) { pl.removeRows(rows); });
}
BENCHMARK(BM_DeleteHalfOf100k)->Unit(benchmark::kMillisecond);

// Every other entry dragged onto the middle row.
void BM_DragHalfOf100k(benchmark::State &state)
{
    onEveryOtherRow(state, [](TPlaylist &pl, const QList<int> &rows) {
        benchmark::DoNotOptimize(pl.moveRowsTo(rows, kEntries / 2 + 1));
    });
}
BENCHMARK(BM_DragHalfOf100k)->Unit(benchmark::kMillisecond);

// One keystroke: the whole search for two words over 100 000 names.
void BM_JumpFilterKeystroke100k(benchmark::State &state)
{
    TPlaylist pl;
    pl.PlsAddProc(fixture().paths, false, true);
    JumpFilter f;
    f.setNames(pl.JumpNameList());
    for (auto _ : state)
        benchmark::DoNotOptimize(f.filter(QStringLiteral("ŻÓŁĆ  12")).size());
}
BENCHMARK(BM_JumpFilterKeystroke100k)->Unit(benchmark::kMillisecond);

void BM_AnchorContainsScan100k(benchmark::State &state)
{
    TPlaylist pl;
    pl.PlsAddProc(fixture().paths, false, true);
    const QStringList names = pl.JumpNameList();
    for (auto _ : state) {
        int found = 0;
        for (const QString &n : names)
            found += n.contains(QLatin1String("odcinek"));
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_AnchorContainsScan100k)->Unit(benchmark::kMillisecond);

void BM_AnchorStatEachFile(benchmark::State &state)
{
    std::vector<QByteArray> names;
    for (const QString &p : fixture().paths)
        names.push_back(QFile::encodeName(p));
    for (auto _ : state) {
        int found = 0;
        struct stat st;
        for (const QByteArray &n : names)
            found += ::stat(n.constData(), &st) == 0;
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_AnchorStatEachFile)->Unit(benchmark::kMillisecond);

// Prints the usual table and keeps the CPU time of each run for the summary.
class Reporter : public benchmark::ConsoleReporter {
public:
    Reporter() : ConsoleReporter(OO_Tabular) {}   // no colour codes: the figures get pasted
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            cpuMs[r.benchmark_name()] = r.GetAdjustedCPUTime();   // in the run's unit (ms)
    }
    std::map<std::string, double> cpuMs;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto &t = reporter.cpuMs;
    const auto show = [&t](const char *name, const char *label) {
        const auto it = t.find(name);
        if (it != t.end())
            std::printf("%-34s %8.1f ms CPU  %s\n", label, it->second, it->second < 100 ? "(under 100 ms)" : "(OVER 100 ms)");
    };
    show("BM_ReadPlaylist100k", "read 100 000-entry playlist");
    show("BM_SortujPLS100k/mode:0", "sort by path");
    show("BM_SortujPLS100k/mode:1", "sort by file name");
    show("BM_DeleteHalfOf100k", "delete 50 000 of 100 000 entries");
    show("BM_DragHalfOf100k", "drag 50 000 of 100 000 entries");
    const auto filter = t.find("BM_JumpFilterKeystroke100k"), scan = t.find("BM_AnchorContainsScan100k");
    if (filter != t.end())
        std::printf("%-34s %8.1f ms CPU  %s\n", "jump search, one keystroke", filter->second,
                    filter->second < 20 ? "(under 20 ms)" : "(OVER 20 ms)");
    if (filter != t.end() && scan != t.end() && scan->second > 0)
        std::printf("jump search / one-word scan: %.2f\n", filter->second / scan->second);
    const auto read = t.find("BM_ReadPlaylist100k"), anchor = t.find("BM_AnchorStatEachFile");
    if (read != t.end() && anchor != t.end() && anchor->second > 0)
        std::printf("read / stat of every file: %.2f\n", read->second / anchor->second);
    benchmark::Shutdown();
    return 0;
}
