#include "core/subtitles/subtitle_messages.h"

namespace zv {

std::optional<SubtitleMessage> classificationMessage(int fileKind)
{
    switch (fileKind) {
    case -2:
        return SubtitleMessage{QStringLiteral("Nie da sie załadować pliku z tekstem"),
                               QStringLiteral("Błąd"), SubtitleMessage::Icon::Error};
    case -1:
        return SubtitleMessage{QStringLiteral("Nie da się rozpoznać typu pliku z tekstem"),
                               QStringLiteral("Błąd"), SubtitleMessage::Icon::Error};
    default:
        return std::nullopt;
    }
}

SubtitleMessage unrecognisedLinesMessage(qsizetype count, int errorCode)
{
    return {QStringLiteral("Podczas ładowania pliku jeden lub więcej wierszy nie zostało poprawnie "
                           "wczytanych.\nLiczba nierozpoznanych wierszy: ")
                + QString::number(count) + QStringLiteral("\nError: ") + QString::number(errorCode),
            QStringLiteral("Zentavista!"), SubtitleMessage::Icon::Warning};
}

SubtitleMessage frameLoaderFailureMessage()
{
    return {QStringLiteral("Wystąpił błąd podczas wczytywania tekstu!\nError: 46654"),
            QStringLiteral("Błąd!"), SubtitleMessage::Icon::Error};
}

SubtitleMessage generalLoadFailureMessage()
{
    return {QStringLiteral("Wysapił ogólny błąd podczas ładowania tekstu\nError: 674329"),
            QStringLiteral("Błąd..."), SubtitleMessage::Icon::Warning};
}

QList<SubtitleMessage> loadMessages(const SubtitleFormat &format, const LoadResult &result)
{
    QList<SubtitleMessage> out;
    if (result.failed) {
        // A load that stopped early reports that instead of a count of what it did not reach.
        switch (format.failureReport) {
        case LoadFailureReport::General: out.append(generalLoadFailureMessage()); break;
        case LoadFailureReport::FrameLoader: out.append(frameLoaderFailureMessage()); break;
        case LoadFailureReport::Silent: break;
        }
        return out;
    }
    if (result.unrecognised > 0)
        out.append(unrecognisedLinesMessage(result.unrecognised, format.unrecognisedErrorCode));
    return out;
}

} // namespace zv
