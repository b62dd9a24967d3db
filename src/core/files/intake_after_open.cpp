#include "core/files/intake_after_open.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace zv {

namespace {
constexpr double kDefaultFrameRate = 25.0;
constexpr int kMinWindowWidth = 320;
} // namespace

double mediaFrameRateOf(double frames, double seconds)
{
    if (!std::isfinite(frames) || !std::isfinite(seconds) || seconds <= 0 || frames <= 0)
        return kDefaultFrameRate;
    const double rate = frames / seconds;
    if (rate == 1.0 || !std::isfinite(rate))
        return kDefaultFrameRate;
    return rate;
}

WindowFit fitWindowToClip(const WindowFitInput &in)
{
    WindowFit fit;
    fit.width = in.width;
    fit.height = in.height;
    fit.minWidth = kMinWindowWidth;
    const qint64 area = qint64(in.pictureWidth) * in.pictureHeight;
    if (area != 0) {
        if (in.autoSize || in.videoPanelHeight == 0) {
            fit.height = in.pictureHeight + in.chromeHeight;
            fit.minHeight = in.chromeHeight;
            fit.width = std::max(in.pictureWidth + in.chromeWidth, kMinWindowWidth);
        }
        if (in.maxHeightSet) {
            fit.maxHeight = 0;
            fit.height = in.pictureHeight + in.chromeHeight;
        }
    } else {
        fit.height = std::max(in.pictureHeight, 0) + in.chromeHeight;
        fit.minHeight = fit.height;
        fit.maxHeight = fit.height;
        fit.leaveFullScreen = true;
    }
    return fit;
}

QString folderOfMedia(const QString &mediaPath)
{
    if (mediaPath.isEmpty())
        return {};
    return QFileInfo(mediaPath).absolutePath();
}

} // namespace zv
