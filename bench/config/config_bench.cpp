// The settings file: loading and saving every key, and reading every key of INI files of
// growing size. Lookups go through an index, so the time per key must stay flat as the file
// grows (a scan per key would grow with the file). The summary prints the time per key at
// 10 000 keys against 100 keys.
// Run: build/<dir>/bench/config/bench_config

#include "core/config/ini_file.h"
#include "core/config/settings.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

using namespace zv;

namespace {

QByteArray iniOf(int keys)
{
    QByteArray bytes;
    for (int k = 0; k < keys; ++k) {
        if (k % 50 == 0)
            bytes += "[Sekcja" + QByteArray::number(k / 50) + "]\r\n";
        bytes += "Klucz" + QByteArray::number(k) + "=/filmy/Zażółć gęślą jaźń " + QByteArray::number(k) + ".avi\r\n";
    }
    return bytes;
}

std::map<int, double> g_perKey;

void BM_ReadEveryKey(benchmark::State &state)
{
    const int keys = int(state.range(0));
    const QByteArray bytes = iniOf(keys);
    for (auto _ : state) {
        IniFile ini;
        ini.setContent(bytes);
        qsizetype sum = 0;
        for (int k = 0; k < keys; ++k)
            sum += ini.readString(QStringLiteral("Sekcja%1").arg(k / 50), QStringLiteral("klucz%1").arg(k)).size();
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * keys);
}
BENCHMARK(BM_ReadEveryKey)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_WriteEveryKeyIntoAnEmptyFile(benchmark::State &state)
{
    const int keys = int(state.range(0));
    for (auto _ : state) {
        IniFile ini;
        for (int k = 0; k < keys; ++k)
            ini.writeInt(QStringLiteral("Sekcja%1").arg(k % 20), QStringLiteral("Klucz%1").arg(k), k);
        benchmark::DoNotOptimize(ini.content());
    }
    state.SetItemsProcessed(state.iterations() * keys);
}
BENCHMARK(BM_WriteEveryKeyIntoAnEmptyFile)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The real settings file: what start-up and every settings save do.
void BM_SettingsFileRoundTrip(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("zentavista.ini");
    saveSettingsFile(path, Settings());
    for (auto _ : state) {
        const Settings s = loadSettingsFile(path, {});
        saveSettingsFile(path, s);
    }
}
BENCHMARK(BM_SettingsFileRoundTrip)->Unit(benchmark::kMicrosecond);

class PerKeyReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            if (r.benchmark_name().rfind("BM_ReadEveryKey/", 0) == 0) {
                const int keys = std::stoi(r.benchmark_name().substr(16));
                g_perKey[keys] = r.GetAdjustedRealTime() / keys;
            }
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    PerKeyReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (g_perKey.count(100) && g_perKey.count(10000))
        std::printf("read per key: %.3f us at 100 keys, %.3f us at 10 000 keys: ratio %.2f (flat is 1)\n",
                    g_perKey[100], g_perKey[10000], g_perKey[10000] / g_perKey[100]);
    benchmark::Shutdown();
    return 0;
}
