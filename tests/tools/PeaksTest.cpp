#include "Peaks.h"
#include "CommandLine.h"
#include "FakePlatform.h"
#include "SyntheticRun.h"
#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

namespace veltrane::corvanet {
namespace {

using testing::kPulsePeriodMinutes;
using testing::SyntheticPeak;
using testing::SyntheticRun;

// Ten minutes on a drifting baseline: a Gaussian, a tailing peak, and a tailing parent with a
// small rider on its tail. Heights about 800, 440, 600 and 90 over noise of 1.
SyntheticRun KnownRun() {
    SyntheticRun run;
    run.peaks = {
        {1.5, 0.03, 0.0, 60.0}, {3.5, 0.03, 0.06, 80.0}, {6.0, 0.04, 0.08, 150.0}, {6.3, 0.02, 0.0, 5.0}};
    return run;
}
constexpr std::size_t kKnownPoints = 2000;

PeakTable FindIn(const SyntheticRun& run, PeakBaseline baseline, double noise = 1.0) {
    std::vector<double> minutes, values;
    testing::SampleRun(run, kKnownPoints, noise, 17, minutes, values);
    PeakSettings settings;
    settings.baseline = baseline;
    return FindPeaks(minutes, values, settings);
}

void ExpectFinite(const PeakTable& table) {
    EXPECT_TRUE(std::isfinite(table.noise));
    for (const Peak& p : table.peaks) {
        for (const double v :
             {p.retentionMinutes, p.height, p.area, p.widthHalfMinutes, p.startMinutes, p.endMinutes,
              p.signalToNoise, p.areaPercent, p.baselineAtStart, p.baselineAtEnd}) {
            EXPECT_TRUE(std::isfinite(v));
        }
    }
}

TEST(Peaks, ResolvedPeaksOnADriftingBaselineAreWhereAndAsLargeAsMade) {
    const SyntheticRun run = KnownRun();
    const PeakTable table = FindIn(run, PeakBaseline::DropLine);
    ASSERT_EQ(table.peaks.size(), 4u);
    EXPECT_NEAR(table.noise, 1.0, 0.08);
    double percent = 0.0;
    for (std::size_t k = 0; k < 4; ++k) {
        const Peak& p = table.peaks[k];
        EXPECT_NEAR(p.retentionMinutes, run.Apex(k), kPulsePeriodMinutes) << "peak " << k;
        EXPECT_LT(p.startMinutes, p.retentionMinutes);
        EXPECT_GT(p.endMinutes, p.retentionMinutes);
        percent += p.areaPercent;
    }
    EXPECT_NEAR(percent, 100.0, 1e-9);
    // Areas in value x s: within 0.5 % for the resolved peaks, the tailing one too (0.11 % reached).
    EXPECT_NEAR(table.peaks[0].area, 60.0 * 60.0, 18.0);
    EXPECT_NEAR(table.peaks[1].area, 80.0 * 60.0, 24.0);
    // A Gaussian's width at half height is 2.355 sigma; its height is area / (sigma sqrt(2 pi)).
    EXPECT_NEAR(table.peaks[0].widthHalfMinutes, 2.3548 * 0.03, 0.001);
    EXPECT_NEAR(table.peaks[0].height, 60.0 / (0.03 * std::sqrt(2.0 * M_PI)), 8.0);
    EXPECT_NEAR(table.peaks[0].signalToNoise, table.peaks[0].height / table.noise, 1e-9);
}

TEST(Peaks, TangentSkimTakesTheRiderOffItsParentsTail) {
    const SyntheticRun run = KnownRun();
    const double parentTruth = 150.0 * 60.0, riderTruth = 5.0 * 60.0;
    const PeakTable drop = FindIn(run, PeakBaseline::DropLine);
    const PeakTable valley = FindIn(run, PeakBaseline::ValleyToValley);
    const PeakTable skim = FindIn(run, PeakBaseline::TangentSkim);
    ASSERT_EQ(drop.peaks.size(), 4u);
    ASSERT_EQ(valley.peaks.size(), 4u);
    ASSERT_EQ(skim.peaks.size(), 4u);
    // A drop line hands the rider the parent's tail under it (120 % too much here).
    EXPECT_GT(drop.peaks[3].area, 1.5 * riderTruth);
    EXPECT_FALSE(drop.peaks[3].rider);
    // The skim gives the parent its tail back and loses nothing overall; the rider comes out low
    // as the straight tangent passes above the curved tail, and the parent keeps what the tangent
    // leaves of the rider.
    EXPECT_TRUE(skim.peaks[3].rider);
    EXPECT_NEAR(skim.peaks[3].area, riderTruth, 0.3 * riderTruth);
    EXPECT_NEAR(skim.peaks[2].area, parentTruth + riderTruth - skim.peaks[3].area, 0.005 * parentTruth);
    EXPECT_NEAR(skim.peaks[2].area + skim.peaks[3].area, drop.peaks[2].area + drop.peaks[3].area,
                0.001 * parentTruth);
    EXPECT_LT(skim.peaks[3].endMinutes, drop.peaks[3].endMinutes);
    // Valley to valley: the rider's line is the tangent too, and the parent stops at the valley.
    EXPECT_DOUBLE_EQ(valley.peaks[3].area, skim.peaks[3].area);
    EXPECT_LT(valley.peaks[2].area, 0.9 * parentTruth);
    EXPECT_DOUBLE_EQ(valley.peaks[2].endMinutes, valley.peaks[3].startMinutes);
}

// The smoothing and the slope's span follow the peaks, whatever the least width: at every width,
// from a few points to thousands, a peak ten times the noise high is found beside one a hundred
// times, with the defaults; and noise alone, as sensitive as that is, gives none.
TEST(Peaks, EvidentPeaksOfEveryWidthAreFoundAndNoiseAloneGivesNone) {
    // Gaussian sigma in minutes (0.005 min a point): 1.6, 8, 80 and 500 points.
    for (const double sigma : {0.008, 0.04, 0.4, 2.5}) {
        const double length = 40.0 * sigma + 1.0;
        const double height = sigma * std::sqrt(2.0 * M_PI); // area that makes a height of 1
        SyntheticRun run;
        run.drift = 0.3 / length;
        run.peaks = {{0.3 * length, sigma, 0.0, 100.0 * height}, {0.7 * length, sigma, 0.0, 10.0 * height}};
        std::vector<double> minutes, values;
        testing::SampleRun(run, static_cast<std::size_t>(length / kPulsePeriodMinutes), 1.0, 29, minutes,
                           values);
        const PeakTable table = FindPeaks(minutes, values, PeakSettings{});
        ASSERT_EQ(table.peaks.size(), 2u) << "sigma " << sigma;
        for (std::size_t k = 0; k < 2; ++k) {
            const Peak& p = table.peaks[k];
            EXPECT_NEAR(p.retentionMinutes, run.Apex(k),
                        std::max(kPulsePeriodMinutes, (k == 0 ? 0.05 : 0.2) * sigma))
                << sigma;
            EXPECT_NEAR(p.widthHalfMinutes, 2.3548 * sigma, 0.25 * sigma + kPulsePeriodMinutes) << sigma;
        }
        // The noise summed over the peak is most of these errors.
        EXPECT_NEAR(table.peaks[0].area, run.peaks[0].area * 60.0, 0.03 * run.peaks[0].area * 60.0) << sigma;
        EXPECT_NEAR(table.peaks[1].area, run.peaks[1].area * 60.0, 0.25 * run.peaks[1].area * 60.0) << sigma;
    }
    std::size_t found = 0;
    std::vector<double> minutes, values;
    for (std::uint32_t seed = 100; seed < 120; ++seed) {
        testing::SampleRun(SyntheticRun{}, 20000, 1.0, seed, minutes, values);
        found += FindPeaks(minutes, values, PeakSettings{}).peaks.size();
    }
    EXPECT_EQ(found, 0u);
}

// Two small peaks between large ones, as a real run shows them: heights 120 and 85 beside 28 and 22
// over noise of 1.5 (signal-to-noise 19 and 15), peaks ten to twelve points wide at half height.
TEST(Peaks, SmallPeaksBetweenLargeOnesAreFound) {
    SyntheticRun run;
    run.baseline = 2.0;
    run.drift = 0.0;
    const double sigma = 0.02, unit = sigma * std::sqrt(2.0 * M_PI);
    run.peaks = {{0.3, sigma, 0.0, 120.0 * unit},
                 {0.45, sigma * 1.3, 0.0, 28.0 * unit * 1.3},
                 {0.64, sigma, 0.0, 85.0 * unit},
                 {0.82, sigma * 1.3, 0.0, 22.0 * unit * 1.3},
                 {1.04, sigma, 0.0, 75.0 * unit}};
    std::vector<double> minutes, values;
    testing::SampleRun(run, 260, 1.5, 31, minutes, values);
    const PeakTable table = FindPeaks(minutes, values, PeakSettings{});
    ASSERT_EQ(table.peaks.size(), 5u);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_NEAR(table.peaks[k].retentionMinutes, run.Apex(k), kPulsePeriodMinutes) << "peak " << k;
    }
}

TEST(Peaks, NothingIsMadeOfNothingAndEveryNumberIsFinite) {
    PeakSettings settings;
    const std::vector<double> none;
    EXPECT_TRUE(FindPeaks(none, none, settings).peaks.empty());
    const std::vector<double> one = {1.0};
    EXPECT_TRUE(FindPeaks(one, one, settings).peaks.empty());
    std::vector<double> minutes, values;
    testing::SampleRun(SyntheticRun{}, 50000, 0.0, 1, minutes, values);
    const std::vector<double> flat(values.size(), 7.0);
    EXPECT_TRUE(FindPeaks(minutes, flat, settings).peaks.empty());
    testing::SampleRun(SyntheticRun{}, 50000, 2.0, 3, minutes, values);
    const PeakTable noise = FindPeaks(minutes, values, settings);
    EXPECT_TRUE(noise.peaks.empty());
    EXPECT_NEAR(noise.noise, 2.0, 0.1);

    // Peaks cut by both ends of the recording, and values that are not numbers.
    SyntheticRun cut;
    cut.peaks = {{0.0, 0.05, 0.0, 50.0}, {9.99, 0.05, 0.0, 50.0}, {5.0, 0.03, 0.0, 60.0}};
    testing::SampleRun(cut, kKnownPoints, 1.0, 5, minutes, values);
    values[1000] = std::numeric_limits<double>::quiet_NaN();
    values[1001] = std::numeric_limits<double>::infinity();
    minutes[1500] = std::numeric_limits<double>::quiet_NaN();
    const PeakTable table = FindPeaks(minutes, values, settings);
    ExpectFinite(table);
    ASSERT_EQ(table.peaks.size(), 3u);
    EXPECT_EQ(table.peaks[0].startIndex, 0u);
    EXPECT_EQ(table.peaks[2].endIndex, kKnownPoints - 1);
    EXPECT_NEAR(table.peaks[1].retentionMinutes, 5.0, kPulsePeriodMinutes);
}

} // namespace
} // namespace veltrane::corvanet

namespace veltrane::corvanet {
namespace {

// Recorded pulses whose gated value follows the known run, exported with the command line: the
// peak table read back from the file matches the peaks that were put in.
TEST(PeakExport, PeakTableOfARecordingMatchesThePeaksPutIntoItsPulses) {
    fakes::TempDir dir;
    const SyntheticRun run = KnownRun();
    const std::vector<std::uint8_t> bytes = testing::DatBytes(
        testing::TwoModeBlock(), testing::SyntheticPulses(run, kKnownPoints, 3.0, 23), kKnownPoints);
    fakes::WriteBytes(dir.File("RUN7.dat"), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    std::ostringstream out, err;
    const Command command = ParseCommandLine(
        {"--export-peaks", "--peak-baseline", "skim", "--out", dir.File("peaks"), dir.File("RUN7.dat")});
    ASSERT_EQ(command.kind, CommandKind::ExportPeaks) << command.error;
    EXPECT_EQ(command.peaks.baseline, PeakBaseline::TangentSkim);
    const std::pair<const char*, const char*> wrongs[] = {
        {"--peak-baseline", "tilt"}, {"--peak-threshold", "0"}, {"--peak-min-width", "-1"}};
    for (const auto& [option, value] : wrongs) {
        EXPECT_EQ(ParseCommandLine({"--export-peaks", option, value, "a.dat"}).kind, CommandKind::Invalid)
            << option;
    }
    ASSERT_EQ(RunExport(command, out, err), 0) << err.str();

    std::istringstream csv(fakes::ReadText(dir.File("peaks/RUN7.peaks.csv")));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "peak,retention_time_min,height_counts_ms,area_counts_ms_s,width_half_min,start_min,"
                    "end_min,signal_to_noise,area_percent");
    std::vector<std::vector<double>> rows;
    while (std::getline(csv, line)) {
        std::vector<double> row;
        for (std::size_t from = 0; from <= line.size();) {
            const std::size_t comma = std::min(line.find(',', from), line.size());
            const std::string cell = line.substr(from, comma - from);
            double value = 0.0;
            EXPECT_TRUE(ParseDouble(cell, value)) << line;
            row.push_back(value);
            from = comma + 1;
        }
        ASSERT_EQ(row.size(), 9u) << line;
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 4u);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        EXPECT_EQ(rows[k][0], static_cast<double>(k + 1));
        EXPECT_NEAR(rows[k][1], run.Apex(k), kPulsePeriodMinutes) << "peak " << k;
    }
    // Through the pulses, the gates and the file: resolved peaks within 0.5 %, the skimmed parent
    // within 0.5 % with what the tangent leaves of its rider.
    for (std::size_t k : {0u, 1u}) {
        EXPECT_NEAR(rows[k][3], run.peaks[k].area * 60.0, 0.005 * run.peaks[k].area * 60.0) << "peak " << k;
    }
    const double riderLeft = run.peaks[3].area * 60.0 - rows[3][3];
    EXPECT_NEAR(rows[2][3], run.peaks[2].area * 60.0 + riderLeft, 0.005 * run.peaks[2].area * 60.0);
}

} // namespace
} // namespace veltrane::corvanet
