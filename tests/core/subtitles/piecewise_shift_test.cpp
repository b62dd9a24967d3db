#include "core/subtitles/subtitle_timer.h"
#include "core/subtitles/subtitle_writer.h"
#include "core/subtitles/time_list.h"
#include "core/subtitles/time_shift.h"

#include "support/subtitle_samples.h"

#include <gtest/gtest.h>

#include <limits>

using namespace zv;

namespace {

// Six SubRip lines; the film lost 12 s between the third and the fourth, and the first half
// runs 2 s late.
constexpr const char *kCutFile =
    "1\r\n00:00:10,000 --> 00:00:12,000\r\nA\r\n\r\n"
    "2\r\n00:00:20,000 --> 00:00:22,000\r\nB\r\n\r\n"
    "3\r\n00:00:30,000 --> 00:00:32,000\r\nC\r\n\r\n"
    "4\r\n00:01:40,000 --> 00:01:42,000\r\nD\r\n\r\n"
    "5\r\n00:01:50,000 --> 00:01:52,000\r\nE\r\n\r\n"
    "6\r\n00:02:00,500 --> 00:02:02,500\r\nF\r\n\r\n";

} // namespace

// The timer, the listed times, the jump dialog and the saved file all put every line at the
// same film second, piece by piece.
TEST(PiecewiseShift, TimerListJumpAndWriterAgree)
{
    const auto loaded = zv::test::loadSample(kCutFile, true);
    const SubtitleTable &table = loaded.result.table;
    ASSERT_EQ(table.FrameTable().size(), 6);
    const PiecewiseShift pieces = piecewiseShiftFor(table, 25, {{3, 1.0, -12.0}, {0, 1.0, 2.0}});
    ASSERT_EQ(pieces.pieces().size(), 2u);

    const struct {
        int line;
        const char *text;
        double film; // where the line is shown
    } lines[] = {{0, "A", 12}, {1, "B", 22}, {2, "C", 32}, {3, "D", 88}, {4, "E", 98}, {5, "F", 108.5}};

    TimeListShift listShift;
    listShift.OffsetEnabled = true;
    const TimeList list(table, listShift, pieces);
    SubtitleTimerInput in;
    in.OffsetEnabled = true;
    in.ShiftOffset = 1000; // the pair is ignored while there are pieces
    in.Pieces = &pieces;
    SubtitleDisplayState state;
    for (const auto &l : lines) {
        SCOPED_TRACE(l.text);
        EXPECT_EQ(list.line(l.line), QStringLiteral("%1     %2")
                                         .arg(formatListTime(int64_t(std::nearbyint(l.film))), l.text));
        EXPECT_EQ(correctedSecond(table.start(l.line), l.line, true, plainShift(1000, false), pieces),
                  int64_t(std::nearbyint(l.film)));
        in.CurrentPosition = l.film + 0.1;
        Timer1Timer(table, in, state);
        EXPECT_EQ(state.DisplayedText, QString::fromLatin1(l.text));
    }
    // Between the pieces' film starts the first piece still holds: C is gone, D not yet there.
    in.CurrentPosition = 87.5;
    Timer1Timer(table, in, state);
    EXPECT_EQ(state.DisplayedText, QString());

    SubtitleSaveOptions o;
    o.format = SubtitleSaveFormat::Srt;
    o.correct = true;
    o.pieces = pieces;
    const QByteArray srt = formatSubtitles(subtitleCues(table, 25), o).text;
    EXPECT_TRUE(srt.contains("00:00:12,000 --> 00:00:14,000\r\nA"));
    EXPECT_TRUE(srt.contains("00:01:28,000 --> 00:01:30,000\r\nD"));
    EXPECT_TRUE(srt.contains("00:01:48,500 --> 00:01:50,500\r\nF"));
    EXPECT_TRUE(subtitleTimesFit(table, 25, o));

    // Switched off: stored times everywhere, pieces or not.
    listShift.OffsetEnabled = false;
    EXPECT_EQ(TimeList(table, listShift, pieces).line(3), QStringLiteral("0:01:40     D"));
    EXPECT_EQ(correctedSecond(100, 3, false, {}, pieces), 100);
}

// Pieces that would fold time back or mean nothing are dropped; the first piece covers the
// lines before it; no piece is the identity.
TEST(PiecewiseShift, BadPiecesAndEdges)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const PiecewiseShift shift({{2, 1.0, 5.0}, {4, 0.0, 1.0}, {5, 1.0, nan}, {7, -1.0, 0.0}},
                               {0, 10, 20, 30, 40, 50});
    ASSERT_EQ(shift.pieces().size(), 1u);
    EXPECT_EQ(shift.pieces().front().firstLine, 0);
    EXPECT_DOUBLE_EQ(shift.toFilm(0, 10), 15);
    EXPECT_DOUBLE_EQ(shift.toSubtitle(15), 10);

    const PiecewiseShift rate({{0, 25.0 / 23.976, 0.0}, {2, 1.0, -3.0}, {9, 1.0, 50.0}}, {0, 10, 20});
    // A piece past the last line never takes the timer over.
    EXPECT_DOUBLE_EQ(rate.toSubtitle(1e6), 1e6 + 3.0);
    EXPECT_NEAR(rate.toSubtitle(rate.toFilm(1, 10)), 10, 1e-9);
    EXPECT_TRUE(PiecewiseShift().empty());
    EXPECT_DOUBLE_EQ(PiecewiseShift().toFilm(3, 7.5), 7.5);
    EXPECT_EQ(correctedSecond(7, 0, true, plainShift(2, false), PiecewiseShift()), 5);
}
