// Folder scan over a generated tree of 100 000 files (10 % of them .txt subtitle files of
// 10-500 KB), against `find DIR -type f` on the same tree. Usage: bench_files [--tree=DIR] [benchmark flags]. Without --tree a temporary tree is
// made (and removed afterwards); with it, the tree is made there once and reused.

#include "core/files/folder_scan.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kTop = 50, kMid = 20, kFiles = 100; // 50 x 20 x 100 = 100 000 files
const QString kTypes = QStringLiteral("mp3/wav/avi/mpg/mpeg/mpe/asf/mid/m3u/zvl");

QString g_tree;
std::vector<double> g_scanMs, g_findMs;
qsizetype g_found = 0;

// A film collection's mix: mostly media, some covers, and a subtitle file for every few films.
const char *extensionFor(int i)
{
    const int r = i % 100;
    if (r < 60) return ".avi";
    if (r < 80) return ".mp3";
    if (r < 90) return ".jpg";
    return ".txt";
}

// Subtitle files of 10 to 500 KB: frame lines in Windows-1250, as Polish files mostly are.
QByteArray subtitleFile(qsizetype bytes)
{
    QByteArray out;
    for (int i = 0; out.size() < bytes; ++i)
        out += "{" + QByteArray::number(i * 50) + "}{" + QByteArray::number(i * 50 + 40)
            + "}Za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1|Drugi wiersz\r\n";
    return out;
}

void makeTree(const QString &root)
{
    if (QFile::exists(root + QStringLiteral("/.complete-v2")))
        return;
    const QByteArray base = QFile::encodeName(root);
    // The .txt files are hard links to a few contents, so the tree costs little disk but every
    // name is a file of its own size to the scan.
    constexpr int kContents = 16;
    QDir().mkpath(root + QStringLiteral("/.contents"));
    std::vector<QByteArray> contents;
    for (int k = 0; k < kContents; ++k) {
        contents.push_back(base + "/.contents/s" + QByteArray::number(k) + ".bin");
        QFile f(QFile::decodeName(contents.back()));
        if (!f.open(QIODevice::WriteOnly) || f.write(subtitleFile(10 * 1024 + k * (490 * 1024) / (kContents - 1))) < 0)
            std::abort();
    }
    for (int a = 0; a < kTop; ++a) {
        for (int b = 0; b < kMid; ++b) {
            const QByteArray dir = base + "/d" + QByteArray::number(a) + "/e" + QByteArray::number(b);
            QDir().mkpath(QFile::decodeName(dir));
            for (int c = 0; c < kFiles; ++c) {
                const QByteArray file = dir + "/plik " + QByteArray::number(c) + extensionFor(c);
                if (extensionFor(c) == std::string(".txt")) {
                    ::unlink(file.constData());
                    [[maybe_unused]] int r = ::link(contents[size_t(a * kMid + b + c) % kContents].constData(),
                                                    file.constData());
                    continue;
                }
                const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
                if (fd >= 0)
                    ::close(fd);
            }
        }
    }
    QFile done(root + QStringLiteral("/.complete-v2"));
    done.open(QIODevice::WriteOnly);
}

void BM_CollectFolderFiles(benchmark::State &state)
{
    // The hooks a window passes: a cheap key test and an event pump.
    zv::ScanHooks hooks;
    hooks.cancelRequested = [] { return false; };
    hooks.progress = [](qsizetype, qint64) {};
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        QStringList found;
        zv::CollectFolderFiles(found, g_tree, true, kTypes, hooks);
        g_scanMs.push_back(t.nsecsElapsed() / 1e6);
        g_found = found.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["files"] = double(g_found);
}

void BM_FindTypeF(benchmark::State &state)
{
    const std::string cmd = "find '" + g_tree.toStdString() + "' -type f > /dev/null";
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        if (std::system(cmd.c_str()) != 0)
            state.SkipWithError("find failed");
        g_findMs.push_back(t.nsecsElapsed() / 1e6);
    }
}

BENCHMARK(BM_CollectFolderFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(7);
BENCHMARK(BM_FindTypeF)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(7);

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::optional<QTemporaryDir> temp;
    std::vector<char *> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--tree=", 0) == 0)
            g_tree = QString::fromStdString(a.substr(7));
        else
            rest.push_back(argv[i]);
    }
    if (g_tree.isEmpty()) {
        temp.emplace();
        g_tree = temp->path();
    }
    QElapsedTimer made;
    made.start();
    makeTree(g_tree);
    std::printf("tree %s ready in %.1f s\n", qPrintable(g_tree), made.elapsed() / 1000.0);

    // Warm the directory cache once for both sides.
    [[maybe_unused]] int warm = std::system(("find '" + g_tree.toStdString() + "' -type f > /dev/null").c_str());

    int n = int(rest.size());
    benchmark::Initialize(&n, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double scan = median(g_scanMs), find = median(g_findMs);
    if (scan > 0 && find > 0)
        std::printf("CollectFolderFiles %.1f ms (%lld files) / find -type f %.1f ms = %.2fx (target <= 1.5x)\n",
                    scan, static_cast<long long>(g_found), find, scan / find);
    return 0;
}
