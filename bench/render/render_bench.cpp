// Rendering one subtitle.
//
//   bench_render [benchmark flags]
//
// DrawNapis of a typical two-line subtitle for a 1920 x 1080 screen with an outline and the
// continuous (high-quality) shadow, per display mode: the painting alone (the renderer), and
// with a display the whole rendering into the three line windows (setMask, geometry, show).
// Budget: 3 ms median including the mask. Anchor: one plain QPainter::drawText of the same two
// lines into a same-sized image, the least any renderer pays for the letters.
#include "core/config/settings.h"
#include "subtitles/overlay_window.h"
#include "subtitles/subtitle_display.h"
#include "subtitles/subtitle_renderer.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>

#include <benchmark/benchmark.h>

#include <memory>

using namespace zv;

namespace {

const QRect kScreen(0, 0, 1920, 1080);

// Two lines with Polish letters, about as long as subtitles get before wrapping.
const QString kTypical = QStringLiteral(
    "Nie wiem, czy zdążymy przed zmrokiem,|ale spróbujmy jeszcze raz, Łucjo.");

Settings typicalSettings()
{
    Settings s; // Arial 22 bold italic, white on black, outline of 1 pixel
    s.ShadowHiQuality = true;
    s.ShowShadow = true;
    s.ShadowMode = 1;
    return s;
}

void BM_DrawNapis(benchmark::State &state)
{
    const bool regions = state.range(0) == 2;
    const bool transparent = state.range(0) != 0;
    Settings s = typicalSettings();
    SubtitleRenderer r;
    for (auto _ : state) {
        r.DrawNapis(kTypical, regions, transparent, s, kScreen);
        benchmark::DoNotOptimize(r.line(1).image.constBits());
    }
    state.SetLabel(regions ? "mask" : (transparent ? "translucent" : "opaque"));
    state.counters["rects"] = r.line(0).mask.rectCount() + r.line(1).mask.rectCount();
}
BENCHMARK(BM_DrawNapis)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// Into the windows: mode 0 and mode 2 (1 and 3 need a compositor, else they are mode 2).
void BM_RobNapisIntoWindows(benchmark::State &state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display");
        return;
    }
    Settings s = typicalSettings();
    s.DisplayMode = int(state.range(0));
    QWidget main;
    main.setGeometry(0, 0, 640, 480);
    main.show();
    std::array<std::unique_ptr<SubtitleOverlayWindow>, 3> w;
    for (int k = 0; k < 3; ++k)
        w[k] = std::make_unique<SubtitleOverlayWindow>(k + 1, &main);
    SubtitleDisplay display(s, {w[0].get(), w[1].get(), w[2].get()}, &main);
    display.setCompositorProbe([] { return false; });
    display.setLinesShown(true);
    // Alternate two texts so that every rendering changes the windows.
    const QString other = QStringLiteral("Dobrze.|Idziemy.");
    bool flip = false;
    for (auto _ : state) {
        display.RobNapis(flip ? other : kTypical);
        flip = !flip;
    }
    QCoreApplication::processEvents();
}
BENCHMARK(BM_RobNapisIntoWindows)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_Anchor_PlainDrawText(benchmark::State &state)
{
    const Settings s = typicalSettings();
    const QFont font = subtitleFont(s);
    const QStringList lines = kTypical.split(u'|');
    const QFontMetrics fm(font);
    for (auto _ : state) {
        for (const QString &line : lines) {
            QImage image(fm.horizontalAdvance(line), fm.height(), QImage::Format_RGB32);
            image.fill(Qt::black);
            QPainter p(&image);
            p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(0, fm.ascent(), line);
            p.end();
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}
BENCHMARK(BM_Anchor_PlainDrawText)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
