#include "core/library/embedded_track_ref.h"

namespace zv {
namespace {

constexpr QStringView kMarker = u"#ścieżka=";
constexpr int kMaxTrackNumber = 100000;

} // namespace

QString embeddedTrackPath(const QString &filmPath, int number)
{
    return filmPath + kMarker.toString() + QString::number(number);
}

std::optional<EmbeddedTrackRef> embeddedTrackRef(QStringView path)
{
    const qsizetype at = path.lastIndexOf(kMarker);
    if (at <= 0)
        return std::nullopt;
    const QStringView digits = path.mid(at + kMarker.size());
    if (digits.isEmpty() || digits.size() > 6)
        return std::nullopt;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int number = digits.toInt();
    if (number < 1 || number > kMaxTrackNumber)
        return std::nullopt;
    return EmbeddedTrackRef{path.left(at).toString(), number};
}

} // namespace zv
