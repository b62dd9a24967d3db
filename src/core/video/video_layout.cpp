#include "core/video/video_layout.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zv::video {
namespace {

// Truncation toward zero, saturated: an absurd zoom must not overflow into a wrapped size.
int truncated(double v)
{
    constexpr double lo = std::numeric_limits<int>::min() / 4;
    constexpr double hi = std::numeric_limits<int>::max() / 4;
    if (std::isnan(v))
        return 0;
    return int(std::trunc(std::clamp(v, lo, hi)));
}

} // namespace

QRect engineRect(int width, int height, const Framing &f)
{
    const double w = width, h = height, inset = f.verticalInset;
    if (!f.panScanOn)
        return QRect(f.offsetX, truncated(inset + f.offsetY), width, truncated(h - 2 * inset));
    const double z = f.panScanValue / 100.0;
    const double dx = (w * z - w) / 2, dy = (h * z - h) / 2;
    return QRect(truncated(f.offsetX - dx), truncated(f.offsetY + inset - dy), truncated(w * z),
                 truncated(h * z - 2 * inset));
}

std::optional<int> autoPanScanValue(int screenW, int screenH, int imageW, int imageH)
{
    if (double(imageH) * screenW == 0 || imageW == 0)
        return std::nullopt;
    const double fittedHeight = double(imageH) * screenW / imageW;
    return truncated(std::round(screenH * 100.0 / fittedHeight));
}

Framing stepped(Framing f, FramingStep step)
{
    // Saturating steps: held keys must not wrap a value around.
    const auto add = [](int v, int d) {
        const long long r = (long long)v + d;
        return int(std::clamp<long long>(r, std::numeric_limits<int>::min() / 4,
                                         std::numeric_limits<int>::max() / 4));
    };
    switch (step) {
    case FramingStep::PanScanInc: f.panScanValue = add(f.panScanValue, 2); break;
    case FramingStep::PanScanDec: f.panScanValue = add(f.panScanValue, -2); break;
    case FramingStep::PanScanNormal: f.panScanValue = 100; break;
    case FramingStep::OffsetLeft: f.offsetX = add(f.offsetX, -5); break;
    case FramingStep::OffsetRight: f.offsetX = add(f.offsetX, 5); break;
    case FramingStep::OffsetUp: f.offsetY = add(f.offsetY, -5); break;
    case FramingStep::OffsetDown: f.offsetY = add(f.offsetY, 5); break;
    case FramingStep::OffsetReset: f.offsetX = f.offsetY = 0; break;
    case FramingStep::InsetLess: f.verticalInset = add(f.verticalInset, -5); break;
    case FramingStep::InsetMore: f.verticalInset = add(f.verticalInset, 5); break;
    case FramingStep::InsetReset: f.verticalInset = 0; break;
    }
    return f;
}

std::optional<DisplayMode> parseDisplayMode(const QString &text)
{
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    const QStringList fields = compact.split(QLatin1Char('x'));
    if (fields.size() < 2 || fields.size() > 4)
        return std::nullopt;
    int values[4] = {0, 0, 0, 0};
    for (int i = 0; i < fields.size(); ++i) {
        bool ok = false;
        values[i] = fields[i].trimmed().toInt(&ok);
        if (!ok || values[i] < 0)
            return std::nullopt;
    }
    if (values[0] <= 0 || values[1] <= 0)
        return std::nullopt;
    return DisplayMode{values[0], values[1], values[2], values[3]};
}

QString displayModeText(const DisplayMode &mode)
{
    QString text = QStringLiteral("%1 x %2 x %3").arg(mode.width).arg(mode.height).arg(mode.bits);
    if (mode.refresh > 0)
        text += QStringLiteral(" x %1").arg(mode.refresh);
    return text;
}

} // namespace zv::video
