#include "core/media/film_tracks.h"

#include <QHash>

namespace zv::media {

QString languageName(const QString &tag)
{
    static const QHash<QString, QString> names = [] {
        QHash<QString, QString> h;
        const struct {
            const char *codes; // ISO 639-2/B, 639-2/T and 639-1, space separated
            const char *name;
        } rows[] = {
            {"pol pl", "polski"},         {"eng en", "angielski"},
            {"ger deu de", "niemiecki"},  {"fre fra fr", "francuski"},
            {"spa es", "hiszpański"},     {"ita it", "włoski"},
            {"rus ru", "rosyjski"},       {"cze ces cs", "czeski"},
            {"slo slk sk", "słowacki"},   {"ukr uk", "ukraiński"},
            {"bel be", "białoruski"},     {"lit lt", "litewski"},
            {"lav lv", "łotewski"},       {"est et", "estoński"},
            {"hun hu", "węgierski"},      {"rum ron ro", "rumuński"},
            {"bul bg", "bułgarski"},      {"hrv hr", "chorwacki"},
            {"srp sr", "serbski"},        {"slv sl", "słoweński"},
            {"gre ell el", "grecki"},     {"tur tr", "turecki"},
            {"por pt", "portugalski"},    {"dut nld nl", "niderlandzki"},
            {"swe sv", "szwedzki"},       {"nor no nob nb nno nn", "norweski"},
            {"dan da", "duński"},         {"fin fi", "fiński"},
            {"ice isl is", "islandzki"},  {"jpn ja", "japoński"},
            {"chi zho zh", "chiński"},    {"kor ko", "koreański"},
            {"ara ar", "arabski"},        {"heb he", "hebrajski"},
            {"hin hi", "hindi"},          {"tha th", "tajski"},
            {"vie vi", "wietnamski"},     {"ind id", "indonezyjski"},
            {"per fas fa", "perski"},     {"cat ca", "kataloński"},
            {"lat la", "łaciński"},       {"yid yi", "jidysz"},
            {"mul", "wiele języków"},     {"und", "nieokreślony"},
        };
        for (const auto &row : rows)
            for (const QString &code : QString::fromLatin1(row.codes).split(u' '))
                h.insert(code, QString::fromUtf8(row.name));
        return h;
    }();
    // Newer films may carry a full language tag ("pl-PL"); its first part names the language.
    const QString code = tag.trimmed().section(u'-', 0, 0).section(u'_', 0, 0).toLower();
    if (code.isEmpty())
        return names.value(QStringLiteral("und"));
    return names.value(code, tag.trimmed());
}

QString trackLabel(const FilmTrack &track)
{
    QStringList parts;
    const QString lang = track.language.trimmed();
    if (!lang.isEmpty() && lang.compare(u"und", Qt::CaseInsensitive) != 0)
        parts << languageName(lang);
    if (!track.title.trimmed().isEmpty() && track.title.trimmed() != parts.value(0))
        parts << track.title.trimmed();
    QString label = QString::number(track.number);
    if (!parts.isEmpty())
        label += QStringLiteral(": ") + parts.join(QStringLiteral(" — "));
    QString codec = track.codecLabel;
    // "PGS (obraz)" inside the label's own parentheses reads better as "(PGS, obraz)".
    const QString imageNote = QStringLiteral(" (obraz)");
    if (codec.endsWith(imageNote))
        codec = codec.chopped(imageNote.size()) + QStringLiteral(", obraz");
    if (!codec.isEmpty())
        label += QStringLiteral(" (") + codec + u')';
    return label;
}

} // namespace zv::media
