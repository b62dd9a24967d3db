#include "core/playback/track_choice.h"

#include <gtest/gtest.h>

using zv::playback::preferredTrack;
using zv::playback::sameLanguage;

TEST(TrackChoice, PreferenceListPicksTheEarliestEntryThatMatches)
{
    const QStringList film{QStringLiteral("eng"), QStringLiteral("pol"), QStringLiteral("ger"), QString()};
    const struct {
        const char *preferences;
        int expected;
    } kCases[] = {
        {"pl", 1},           {"pol", 1},         {"PL", 1},          {"en,pl", 0},
        {"fr, de", 2},       {"de;pl", 2},       {"deu", 2},         {"org", 0},
        {"fr,org,pl", 0},    {"fr", -1},         {"", -1},           {"  ,, ", -1},
        {"und", -1},         {"p", -1},          {"polish", -1},
    };
    for (const auto &c : kCases)
        EXPECT_EQ(preferredTrack(film, QString::fromLatin1(c.preferences)), c.expected) << c.preferences;
    EXPECT_EQ(preferredTrack({}, u"org,pl"), -1) << "a film without tracks";
    EXPECT_EQ(preferredTrack({QString()}, u"pl"), -1) << "an untagged track matches no language";
}

TEST(TrackChoice, LanguageCodesOfBothStandardsAreTheSameLanguage)
{
    EXPECT_TRUE(sameLanguage(u"pl", u"POL"));
    EXPECT_TRUE(sameLanguage(u"cze", u"ces"));
    EXPECT_TRUE(sameLanguage(u"cs", u"cze"));
    EXPECT_TRUE(sameLanguage(u"xyz", u"XYZ")) << "an unknown tag still matches itself";
    EXPECT_FALSE(sameLanguage(u"pl", u"eng"));
    EXPECT_FALSE(sameLanguage(u"", u""));
}
