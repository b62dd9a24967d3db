#include "core/playback/track_choice.h"

#include <QRegularExpression>

namespace zv::playback {
namespace {

// Each row: the 639-1 code, then the 639-2 codes (bibliographic first when they differ).
constexpr const char16_t *kLanguages[][4] = {
    {u"pl", u"pol"}, {u"en", u"eng"}, {u"de", u"ger", u"deu"}, {u"fr", u"fre", u"fra"},
    {u"es", u"spa"}, {u"it", u"ita"}, {u"ru", u"rus"}, {u"uk", u"ukr"}, {u"cs", u"cze", u"ces"},
    {u"sk", u"slo", u"slk"}, {u"pt", u"por"}, {u"nl", u"dut", u"nld"}, {u"sv", u"swe"},
    {u"no", u"nor"}, {u"nb", u"nob"}, {u"da", u"dan"}, {u"fi", u"fin"}, {u"hu", u"hun"},
    {u"ja", u"jpn"}, {u"zh", u"chi", u"zho"}, {u"ko", u"kor"}, {u"el", u"gre", u"ell"},
    {u"tr", u"tur"}, {u"ar", u"ara"}, {u"he", u"heb"}, {u"hi", u"hin"}, {u"lt", u"lit"},
    {u"lv", u"lav"}, {u"et", u"est"}, {u"ro", u"rum", u"ron"}, {u"bg", u"bul"},
    {u"hr", u"hrv"}, {u"sr", u"srp"}, {u"sl", u"slv"}, {u"be", u"bel"},
};

// The row of a tag, -1 when the table does not know it.
int languageRow(QStringView tag)
{
    for (int row = 0; row < int(std::size(kLanguages)); ++row) {
        for (const char16_t *code : kLanguages[row]) {
            if (code && tag.compare(QStringView(code), Qt::CaseInsensitive) == 0)
                return row;
        }
    }
    return -1;
}

} // namespace

bool sameLanguage(QStringView a, QStringView b)
{
    a = a.trimmed();
    b = b.trimmed();
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (a.compare(b, Qt::CaseInsensitive) == 0)
        return true;
    const int row = languageRow(a);
    return row >= 0 && row == languageRow(b);
}

int preferredTrack(const QStringList &languages, QStringView preferences)
{
    static const QRegularExpression separators(QStringLiteral("[,;\\s]+"));
    for (const QString &entry : preferences.toString().split(separators, Qt::SkipEmptyParts)) {
        if (entry.compare(u"org", Qt::CaseInsensitive) == 0) {
            if (!languages.isEmpty())
                return 0;
            continue;
        }
        for (int i = 0; i < languages.size(); ++i) {
            if (sameLanguage(languages.at(i), entry))
                return i;
        }
    }
    return -1;
}

} // namespace zv::playback
