// The match alone, on synthetic speech scores: no decoding, so every map is checked exactly.
#include "core/sync/alignment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace zv::sync {
namespace {

// A 20-minute score: sentences of 1.5-4 s (0.6, with noise) between gaps of 0.5-6 s (0.05).
struct Film {
    std::vector<float> score;
    std::vector<double> starts; // true speech starts, seconds
};

Film syntheticFilm(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> len(1.5, 4), gap(0.5, 6), noise(-0.1, 0.1);
    Film f;
    f.score.resize(20 * 60 * 100);
    for (float &v : f.score)
        v = float(0.05 + noise(rng));
    for (double t = 3; t < 19.5 * 60; t += len(rng) + gap(rng)) {
        const double l = len(rng);
        for (size_t i = size_t(t * 100); i < std::min(f.score.size(), size_t((t + l) * 100)); ++i)
            f.score[i] = float(0.6 + noise(rng));
        f.starts.push_back(t);
    }
    return f;
}

LineOnsets subtitles(const std::vector<double> &film, double factor, double offset)
{
    LineOnsets l;
    for (size_t i = 0; i < film.size(); ++i) { // subtitle time from film time
        l.seconds.push_back((film[i] - offset) / factor);
        l.rows.push_back(qsizetype(i));
    }
    return l;
}

TEST(SyncAlignment, FindsRateAndOffsetWithoutInventingCuts)
{
    const Film film = syntheticFilm(1);
    struct Case {
        double factor;
        double offset;
    };
    const Case cases[] = {{1.0, 0.0}, {1.0, -7.3}, {1.0, 42.25}, {23.976 / 25, -1.5},
                          {25 / 23.976, 3.0}, {24.0 / 25, 0.7}, {30.0 / 25, -12.0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "factor " << c.factor << " offset " << c.offset);
        const LineOnsets lines = subtitles(film.starts, c.factor, c.offset);
        const Alignment a = align(film.score, 0, lines, AlignOptions{});
        EXPECT_DOUBLE_EQ(a.factor, c.factor);
        EXPECT_NEAR(a.offset, c.offset, 0.02);
        EXPECT_EQ(a.pieces.size(), 1u);
        EXPECT_GT(a.confidence, 0.8);
        ASSERT_EQ(a.lineStarts.size(), film.starts.size());
        for (size_t i = 0; i < film.starts.size(); i += 17)
            EXPECT_NEAR(a.lineStarts[i], film.starts[i], 0.03);
    }
}

TEST(SyncAlignment, ACutSplitsAtItsLineAndShuffledGapsAreNoFit)
{
    const Film film = syntheticFilm(2);
    const size_t half = film.starts.size() / 2;
    LineOnsets cut = subtitles(film.starts, 1.0, 0.0);
    for (size_t i = half; i < cut.seconds.size(); ++i)
        cut.seconds[i] += 12; // a scene of 12 s removed from the film
    const Alignment a = align(film.score, 0, cut, AlignOptions{});
    ASSERT_EQ(a.pieces.size(), 2u);
    EXPECT_LE(std::abs(a.pieces[1].firstLine - qsizetype(half)), 1);
    EXPECT_NEAR(a.pieces[1].offset, -12.0, 0.02);
    EXPECT_GT(a.confidence, 0.8);
    // Without splitting, one map for the larger part.
    EXPECT_EQ(align(film.score, 0, cut, AlignOptions{false, true, {}}).pieces.size(), 1u);

    // The same lines with their gaps shuffled fit no map.
    LineOnsets wrong = subtitles(film.starts, 1.0, 0.0);
    std::vector<double> gaps;
    for (size_t i = 1; i < wrong.seconds.size(); ++i)
        gaps.push_back(wrong.seconds[i] - wrong.seconds[i - 1]);
    std::shuffle(gaps.begin(), gaps.end(), std::mt19937(3));
    for (size_t i = 1; i < wrong.seconds.size(); ++i)
        wrong.seconds[i] = wrong.seconds[i - 1] + gaps[i - 1];
    EXPECT_LT(align(film.score, 0, wrong, AlignOptions{}).confidence, 0.3);
}

} // namespace
} // namespace zv::sync
