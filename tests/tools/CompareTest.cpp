#include "Compare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace veltrane::corvanet {
namespace {

// Two runs of different length and run time range: a triangle 0..4 min peaking at 2 min (height 4,
// area 8) and a shorter, later one 1..3 min peaking at 2 min (height 2, area 2).
std::vector<CompareTrace> TwoRuns() {
    return {{"first", {0, 1, 2, 3, 4}, {0, 2, 4, 2, 0}}, {"second", {1, 2, 3}, {0, 2, 0}}};
}

// A trace's values as drawn.
std::vector<double> Drawn(const Comparison& c, const std::vector<CompareTrace>& traces, std::size_t t) {
    std::vector<double> values;
    for (const double v : traces[t].value) {
        values.push_back(c.Shown(t, v));
    }
    return values;
}

TEST(Compare, OneAxisHoldsEveryRunAndEmptyRunsTakeNoPart) {
    std::vector<CompareTrace> runs = TwoRuns();
    runs.insert(runs.begin() + 1, CompareTrace{"empty", {}, {}});
    runs.push_back({"late", {6.5}, {-1}});
    const Comparison c = Compare(runs, {});
    EXPECT_DOUBLE_EQ(c.firstMinutes, 0.0);
    EXPECT_DOUBLE_EQ(c.lastMinutes, 6.5);
    EXPECT_DOUBLE_EQ(c.low, -1.0);
    EXPECT_DOUBLE_EQ(c.high, 4.0);
    EXPECT_EQ(Drawn(c, runs, 0), runs[0].value);

    // Nothing to draw, or a single point: still a range to draw on.
    const Comparison none = Compare(std::vector<CompareTrace>{{"empty", {}, {}}}, {});
    EXPECT_LT(none.firstMinutes, none.lastMinutes);
    EXPECT_LT(none.low, none.high);
    const Comparison one = Compare(std::vector<CompareTrace>{{"one", {3.0}, {5.0}}}, {});
    EXPECT_DOUBLE_EQ(one.lastMinutes - one.firstMinutes, 1.0);
    EXPECT_DOUBLE_EQ(one.high - one.low, 1.0);
}

TEST(Compare, NormalisesToTheHighestPointOrToTheArea) {
    const std::vector<CompareTrace> runs = TwoRuns();
    const Comparison height = Compare(runs, {Normalisation::Height, 0.0});
    EXPECT_EQ(Drawn(height, runs, 0), (std::vector<double>{0, 0.5, 1, 0.5, 0}));
    EXPECT_EQ(Drawn(height, runs, 1), (std::vector<double>{0, 1, 0}));
    EXPECT_DOUBLE_EQ(height.high, 1.0);

    const Comparison area = Compare(runs, {Normalisation::Area, 0.0});
    EXPECT_EQ(Drawn(area, runs, 0), (std::vector<double>{0, 0.25, 0.5, 0.25, 0}));
    EXPECT_EQ(Drawn(area, runs, 1), (std::vector<double>{0, 1, 0}));
    EXPECT_FALSE(area.unscaled[0] || area.unscaled[1]);
}

TEST(Compare, RunsWithoutPositiveHeightOrAreaAreLeftAsTheyAreAndSaidSo) {
    const std::vector<CompareTrace> runs{
        {"flat", {0, 1, 2}, {0, 0, 0}},
        {"dip", {0, 1, 2}, {-1, -3, -1}},
        {"spike", {0, 1, 2}, {0, std::numeric_limits<double>::infinity(), 2}}};
    const Comparison c = Compare(runs, {Normalisation::Height, 0.0});
    EXPECT_TRUE(c.unscaled[0]);
    EXPECT_TRUE(c.unscaled[1]);
    EXPECT_EQ(Drawn(c, runs, 1), runs[1].value);
    // The infinite point takes no part: the highest finite point (2) is 1.
    EXPECT_FALSE(c.unscaled[2]);
    EXPECT_DOUBLE_EQ(c.Shown(2, 2.0), 1.0);
    EXPECT_DOUBLE_EQ(c.low, -3.0);
    EXPECT_DOUBLE_EQ(c.high, 1.0);
}

TEST(Compare, OffsetStacksEachRunByAFractionOfTheWholeHeight) {
    std::vector<CompareTrace> runs = TwoRuns();
    runs.push_back({"third", {0, 4}, {1, 1}});
    const Comparison c = Compare(runs, {Normalisation::Height, 0.5});
    // Normalised, the set spans 0..1: the step is 0.5.
    EXPECT_DOUBLE_EQ(c.offsetStep, 0.5);
    EXPECT_EQ(Drawn(c, runs, 0), (std::vector<double>{0, 0.5, 1, 0.5, 0}));
    EXPECT_EQ(Drawn(c, runs, 1), (std::vector<double>{0.5, 1.5, 0.5}));
    EXPECT_EQ(Drawn(c, runs, 2), (std::vector<double>{2, 2}));
    EXPECT_DOUBLE_EQ(c.low, 0.0);
    EXPECT_DOUBLE_EQ(c.high, 2.0);
}

TEST(Compare, DecimationKeepsEachBucketsLowestAndHighestInOrder) {
    const std::vector<double> x{0, 1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<double> y{5, 9, 1, 3, std::nan(""), 3, 7, 7, 2};
    std::vector<double> dx, dy;
    DecimateMinMax(x, y, 3, dx, dy);
    // Buckets 0-2 (high 9 at 1, low 1 at 2), 3-5 (NaN skipped, all 3: one point), 6-8 (7 at 6, 2 at 8).
    EXPECT_EQ(dx, (std::vector<double>{1, 2, 3, 6, 8}));
    EXPECT_EQ(dy, (std::vector<double>{9, 1, 3, 7, 2}));
    DecimateMinMax(x, y, 100, dx, dy); // more buckets than points: every finite point once
    EXPECT_EQ(dx.size(), 8u);
    DecimateMinMax({}, {}, 100, dx, dy);
    EXPECT_TRUE(dx.empty());
}

} // namespace
} // namespace veltrane::corvanet
