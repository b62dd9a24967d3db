#include "core/playback/rate_menu.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace zv::playback;

TEST(RateMenu, ItemsCoverEveryTagOnce)
{
    std::set<int> tags;
    std::set<std::string> names;
    for (const RateItem &i : rateItems()) {
        tags.insert(i.tag);
        names.insert(i.name);
    }
    EXPECT_EQ(tags.size(), 21u); // 0..20
    EXPECT_EQ(names.size(), 21u);
    EXPECT_EQ(*tags.begin(), 0);
    EXPECT_EQ(*tags.rbegin(), 20);
}

TEST(RateMenu, ClicksStayWithinLimits)
{
    struct Case { int tag; double rate; double after; bool changes; };
    const Case cases[] = {
        {kFasterTag, 1.0, 1.1, true},
        {kFasterTag, 1.8, 1.9, true},
        {kFasterTag, 1.9, 1.9, false},
        {kSlowerTag, 1.0, 0.9, true},
        {kSlowerTag, 0.2, 0.1, true},
        {kSlowerTag, 0.1, 0.1, false},
        {kNormalTag, 1.7, 1.0, true},
        {1, 1.0, 0.1, true},
        {19, 1.0, 1.9, true},
        {21, 1.3, 1.3, false}, // a tag no item has
    };
    for (const Case &c : cases) {
        EXPECT_EQ(rateClickChanges(c.tag, c.rate), c.changes) << c.tag << " at " << c.rate;
        EXPECT_NEAR(rateAfterClick(c.tag, c.rate), c.after, 1e-9) << c.tag << " at " << c.rate;
    }
}

TEST(RateMenu, ChecksAndEnablingAtTheLimits)
{
    struct Case { double rate; int checked; bool faster, slower; };
    const Case cases[] = {{1.9, 19, false, true}, {0.1, 1, true, false}, {1.0, 10, true, true},
                          {0.25, 2, true, true}};
    for (const Case &c : cases) {
        EXPECT_EQ(checkedRateTag(c.rate), c.checked) << c.rate;
        EXPECT_EQ(fasterEnabled(c.rate), c.faster) << c.rate;
        EXPECT_EQ(slowerEnabled(c.rate), c.slower) << c.rate;
    }
    // Stepping down from 1.0 nine times reaches the lower limit despite binary drift, and a
    // tenth step is refused.
    double r = 1.0;
    for (int i = 0; i < 9; ++i)
        r = rateAfterClick(kSlowerTag, r);
    EXPECT_EQ(checkedRateTag(r), 1);
    EXPECT_FALSE(rateClickChanges(kSlowerTag, r));
    for (int i = 0; i < 30; ++i)
        r = rateAfterClick(kFasterTag, r);
    EXPECT_EQ(checkedRateTag(r), 19);
}
