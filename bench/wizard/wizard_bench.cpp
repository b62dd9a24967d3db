// The timing correction with a 100 000-line subtitle file:
// - one keystroke in "Skocz do napisu...": the filter over TimeListShifted alone, and the
//   dialog from the changed text to the list showing the result (slices on the event loop);
// - saving the corrected file as TMP, MDVD and LRC against loading the same file.
// Targets: a keystroke under 20 ms; a save within 3x a load.
// Run: QT_QPA_PLATFORM=offscreen build/<dir>/bench/wizard/bench_wizard

#include "core/common/text_codec.h"
#include "core/files/get_typ.h"
#include "core/playlist/jump_filter.h"
#include "core/subtitles/subtitle_loader.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/subtitles/time_list.h"
#include "subtitles/jump_to_subtitle_dialog.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace zv;

namespace {

constexpr int kLines = 100000;

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Frame lines, 0.8 s apart, with Polish letters: the shape of a long film's file; in UTF-8
// (0) or Windows-1250 (1).
const QString &sourceFile(int encoding)
{
    static QString paths[2];
    if (paths[encoding].isEmpty()) {
        QString text;
        for (int i = 0; i < kLines; ++i)
            text += QStringLiteral("{%1}{%2}Wiersz numer %3: zażółć gęślą jaźń|drugi wiersz\r\n")
                        .arg(i * 20)
                        .arg(i * 20 + 40)
                        .arg(i);
        paths[encoding] = workDir().filePath(QStringLiteral("napisy%1.txt").arg(encoding));
        QFile f(paths[encoding]);
        f.open(QIODevice::WriteOnly);
        f.write(encodeText(text, encoding ? TextEncoding::Windows1250 : TextEncoding::Utf8));
    }
    return paths[encoding];
}

LoadResult load(const QString &path, TextEncoding *encoding = nullptr)
{
    Utf8Lines scratch;
    const FileKind kind = detectSubtitleFormat(path, scratch, encoding);
    return subtitleFormat(kind)->parse(std::move(scratch), LoadSettings{});
}

const SubtitleTable &table()
{
    static const SubtitleTable t = load(sourceFile(0)).table;
    return t;
}

QStringList shiftedLines()
{
    return LadujOpisyDoOpcji(table(), {true, 1.0, -2.0}).TimeListShifted.toStringList();
}

const char *const kKeystrokes[] = {"k", "ko", "kot", "wiersz 99", "0:12:3"};

void BM_FilterKeystroke(benchmark::State &state)
{
    JumpFilter filter;
    filter.setNames(shiftedLines());
    size_t k = 0;
    for (auto _ : state) {
        const QList<int> rows = filter.filter(QString::fromUtf8(kKeystrokes[k++ % std::size(kKeystrokes)]));
        benchmark::DoNotOptimize(rows.size());
    }
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond);

// From the changed text to the list showing the matches, with the dialog's slices.
void BM_DialogKeystroke(benchmark::State &state)
{
    TJumpToTextFrm d;
    const QStringList lines = shiftedLines();
    d.setSource([&lines] { return lines; });
    d.show();
    QCoreApplication::processEvents();
    size_t k = 0;
    for (auto _ : state) {
        d.Edit1->setText(QString::fromUtf8(kKeystrokes[k++ % std::size(kKeystrokes)]));
        while (d.searching())
            QCoreApplication::processEvents();
    }
    d.hide();
}
BENCHMARK(BM_DialogKeystroke)->Unit(benchmark::kMillisecond);

// Loading the file in UTF-8 (0) or Windows-1250 (1).
void BM_Load(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(load(sourceFile(int(state.range(0)))).table.TimeTable().size());
}
BENCHMARK(BM_Load)->Arg(0)->Arg(1)->ArgName("cp1250")->Unit(benchmark::kMillisecond);

// The same file loaded, corrected by a two-point fit and saved as TMP, MDVD or LRC in the
// encoding it was read in.
void BM_SaveCorrected(benchmark::State &state)
{
    TextEncoding encoding = TextEncoding::Utf8;
    const SubtitleTable t = load(sourceFile(int(state.range(1))), &encoding).table;
    CorrectedSaveRequest r;
    r.format = SubtitleSaveFormat(state.range(0));
    r.MediaFrameRate = 25;
    r.OffsetEnabled = true;
    r.shift = *twoPointFit(100, 110, 1000, 1090);
    r.encoding = encoding;
    const QString out = workDir().filePath(QStringLiteral("poprawione.txt"));
    for (auto _ : state)
        benchmark::DoNotOptimize(ZapiszTekst(t, out, r).ok);
}
BENCHMARK(BM_SaveCorrected)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"TMP0_MDVD1_LRC2", "cp1250"})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
