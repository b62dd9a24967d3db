// The playlist window with 100 000 entries: showing it (to the first painted frame), one
// page down with its paint, and deleting 50 000 selected rows through the window, against
// the same steps with 100 entries (the anchor: a list that paints only what is visible costs
// the same whatever its length). Also fitting a 300-character name to a row by halving
// against cutting one character at a time, with the list's own font. Needs a display.
// Run: build/<dir>/bench/playlist/bench_playlist_window

#include "core/playlist/playlist.h"
#include "core/playlist/playlist_rows.h"
#include "playlist/playlist_model.h"
#include "playlist/playlist_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QListView>
#include <QScrollBar>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace zv;

namespace {

QStringList entries(int n)
{
    QStringList paths;
    paths.reserve(n);
    for (int i = 0; i < n; ++i)
        paths << QStringLiteral("/home/u/Filmy/Seria %1/Odcinek %2 - zażółć gęślą jaźń, długi tytuł.avi")
                     .arg(i / 100)
                     .arg(i);
    return paths;
}

// Shows the window and waits for the first paint of the list.
void showAndPaint(TForm6 &w)
{
    w.show();
    QCoreApplication::processEvents();
    w.ListView1->viewport()->repaint();
}

void BM_ShowWindow(benchmark::State &state)
{
    const QStringList paths = entries(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto *w = new TForm6;
        w->playlist().PlsAddProc(paths, false, true);
        for (int i = 0; i < paths.size(); i += paths.size() / 10)
            w->playlist().DodajCzasDoPlalisty(paths[i], 60.0 * i);
        state.ResumeTiming();
        showAndPaint(*w);
        state.PauseTiming();
        delete w;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowWindow)->Arg(100)->Arg(100000)->ArgName("entries")->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_PageDownPaint(benchmark::State &state)
{
    TForm6 w;
    w.playlist().PlsAddProc(entries(int(state.range(0))), false, true);
    showAndPaint(w);
    QScrollBar *bar = w.ListView1->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
        w.ListView1->viewport()->repaint();
    }
}
BENCHMARK(BM_PageDownPaint)->Arg(100)->Arg(100000)->ArgName("entries")->Unit(benchmark::kMicrosecond);

void BM_DeleteHalfSelected(benchmark::State &state)
{
    const QStringList paths = entries(int(state.range(0)));
    TForm6 w;
    showAndPaint(w);
    for (auto _ : state) {
        state.PauseTiming();
        w.playlist().PlsAddProc(paths, true, true);
        QList<int> rows;
        for (int i = 0; i < paths.size(); i += 2)
            rows << i;
        w.selectRows(rows);
        state.ResumeTiming();
        w.DeleteSelectedClick();
        w.ListView1->viewport()->repaint();
        if (w.model->rowCount() != paths.size() / 2)
            state.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_DeleteHalfSelected)->Arg(100)->Arg(100000)->ArgName("entries")->Iterations(10)->Unit(benchmark::kMillisecond);

// A 300-character name into 200 pixels: halving, then cutting one character at a time.
void BM_FitName(benchmark::State &state)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(13);
    const QFontMetrics fm(font);
    const QString name = QString(296, u'n') + QStringLiteral(".avi");
    const TextWidth measure = [&fm](const QString &t) { return fm.horizontalAdvance(t); };
    const bool halving = state.range(0) == 1;
    for (auto _ : state) {
        if (halving) {
            benchmark::DoNotOptimize(FitTextToWidth(name, 200, measure));
        } else {
            QString s = name;
            while (!s.isEmpty() && measure(s + QStringLiteral("...")) > 200)
                s.chop(1);
            benchmark::DoNotOptimize(s);
        }
    }
}
BENCHMARK(BM_FitName)->Arg(1)->Arg(0)->ArgName("halving")->Unit(benchmark::kMicrosecond);

class Reporter : public benchmark::ConsoleReporter {
public:
    Reporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs)
            real[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    std::map<std::string, double> real;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto &t = reporter.real;
    const auto ratio = [&t](const char *label, const char *big, const char *small, const char *unit) {
        const auto b = t.find(big), s = t.find(small);
        if (b != t.end() && s != t.end() && s->second > 0)
            std::printf("%-36s %9.2f %s  (%.2f x the %s)\n", label, b->second, unit, b->second / s->second,
                        std::strstr(small, "halving") ? "one-at-a-time cut" : "100-entry list");
    };
    ratio("show, 100 000 entries", "BM_ShowWindow/entries:100000/iterations:10", "BM_ShowWindow/entries:100/iterations:10", "ms");
    ratio("page down + paint, 100 000 entries", "BM_PageDownPaint/entries:100000", "BM_PageDownPaint/entries:100", "us");
    ratio("delete 50 000 selected", "BM_DeleteHalfSelected/entries:100000/iterations:10",
          "BM_DeleteHalfSelected/entries:100/iterations:10", "ms");
    ratio("fit a 300-character name (halving)", "BM_FitName/halving:1", "BM_FitName/halving:0", "us");
    benchmark::Shutdown();
    return 0;
}
