// A FileTypes value of growing size (64 KB to 10 MB of short entries) through what start-up
// does with it (settings -> options dialog -> settings, and the association marks) and through
// the first showing of the dialog, which builds the extension list. Start-up must not grow
// with the value beyond copying it, and the showing lists a bounded number of rows: the
// summary prints the start-up's CPU time at 10 MB against 64 KB, next to the 160 that a cost
// growing with the value would give (CPU time: the machine may be shared).
// Run: QT_QPA_PLATFORM=offscreen build/<dir>/bench/config/bench_file_types

#include "config/options_dialog.h"
#include "core/config/file_associations.h"
#include "core/config/options_controls.h"
#include "core/config/settings.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

using namespace zv;

namespace {

QString fileTypesOf(qsizetype bytes)
{
    QString v;
    v.reserve(bytes + 16);
    for (int i = 0; v.size() < bytes; ++i)
        v += QStringLiteral("e%1/").arg(i);
    return v;
}

std::map<qsizetype, double> g_startUpCpu;

void BM_StartUpWithFileTypes(benchmark::State &state)
{
    Settings s;
    s.FileTypes = fileTypesOf(state.range(0));
    QTemporaryDir dir;
    const QString mimeApps = dir.filePath(QStringLiteral("mimeapps.list"));
    TForm2 dialog;
    for (auto _ : state) {
        OptionsControls c;
        ShiftCorrection shift;
        OptionsMemory memory;
        UstawZmienneDoOpcji(s, shift, memory, 0, c);
        dialog.setControls(c);
        dialog.setAssociationMarks(readAssociationMarks(dialog.controls().fileTypes, mimeApps));
        Settings back = s;
        UstawOpcjeDoZmiennych(dialog.controls(), back, shift, memory);
        benchmark::DoNotOptimize(back.FileTypes.size());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StartUpWithFileTypes)->Arg(64 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

void BM_FirstShowingListsFileTypes(benchmark::State &state)
{
    Settings s;
    s.FileTypes = fileTypesOf(state.range(0));
    OptionsControls c;
    ShiftCorrection shift;
    OptionsMemory memory;
    UstawZmienneDoOpcji(s, shift, memory, 0, c);
    TForm2 dialog;
    for (auto _ : state) {
        dialog.setControls(c);
        dialog.show();
        benchmark::DoNotOptimize(dialog.FileTypesList->count());
        dialog.hide();
    }
}
BENCHMARK(BM_FirstShowingListsFileTypes)->Arg(64 << 10)->Arg(1 << 20)->Arg(10 << 20)->Unit(benchmark::kMillisecond);

class StartUpReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        const std::string prefix = "BM_StartUpWithFileTypes/";
        for (const Run &r : runs) {
            if (r.benchmark_name().rfind(prefix, 0) == 0) {
                const qsizetype bytes = std::stoll(r.benchmark_name().substr(prefix.size()));
                g_startUpCpu[bytes] = r.GetAdjustedCPUTime();
            }
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    StartUpReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const qsizetype small = 64 << 10, large = 10 << 20;
    if (g_startUpCpu.count(small) && g_startUpCpu.count(large))
        std::printf("start-up CPU with FileTypes: %.1f ms at 64 KB, %.1f ms at 10 MB: ratio %.1f "
                    "(the value grew %.0fx)\n",
                    g_startUpCpu[small], g_startUpCpu[large], g_startUpCpu[large] / g_startUpCpu[small],
                    double(large) / double(small));
    benchmark::Shutdown();
    return 0;
}
