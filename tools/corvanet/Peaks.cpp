#include "Peaks.h"

#include <algorithm>
#include <cmath>

namespace veltrane::corvanet {

namespace {

// The median absolute deviation times this is the standard deviation of normal noise.
constexpr double kMadToSigma = 1.4826;
// A Gaussian's full width at half height over its standard deviation.
constexpr double kFwhmPerSigma = 2.3548;
// Values are held inside this, so differences and sums of a day of points stay finite.
constexpr double kLargestValue = 1.0e100;
// The peak scale is looked for on bunchings of at least this many bunches.
constexpr std::size_t kLeastBunches = 8;
// From the peak scale (two to four standard deviations of a Gaussian peak): the smoothing's half
// width, and the span either side over which the slope is taken (wider: its noise falls with it).
constexpr std::size_t kBunchPerHalf = 16;
constexpr std::size_t kBunchPerSpan = 4;
// The baseline's level at the open ends of a group of peaks is the mean of this many spans of
// points outside it.
constexpr std::size_t kOpenSpan = 2;

// A stretch of points the slope says is one peak, before integration.
struct Segment {
    std::size_t start = 0;
    std::size_t apex = 0;
    std::size_t end = 0;
    bool fusedToNext = false; // the next segment starts at this one's end, without baseline between
    bool cutStart = false;    // the recording starts inside the peak
    bool cutEnd = false;      // the recording ends inside the peak
};

struct Line {
    double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
    double At(double x) const { return x1 == x0 ? y0 : y0 + (y1 - y0) * (x - x0) / (x1 - x0); }
};

// Medians of long signals are taken on an even spread of this many of their values: as good an
// estimate of a level or a noise, at a fraction of the cost.
constexpr std::size_t kMostForMedian = 32768;

double Median(std::vector<double>& values) {
    if (values.size() > 2 * kMostForMedian) {
        const std::size_t step = values.size() / kMostForMedian;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < values.size(); i += step) {
            values[kept++] = values[i];
        }
        values.resize(kept);
    }
    if (values.empty()) {
        return 0.0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Robust standard deviation of values around their median; the mean absolute deviation when more
// than half of them are equal (quantised or clamped signals), so it is 0 only for a constant.
double RobustSigma(std::vector<double>& values) {
    const double centre = Median(values);
    double meanDeviation = 0.0;
    for (double& v : values) {
        v = std::fabs(v - centre);
        meanDeviation += v;
    }
    const double mad = Median(values);
    if (mad > 0.0 || values.empty()) {
        return kMadToSigma * mad;
    }
    return 1.2533 * meanDeviation / static_cast<double>(values.size());
}

// The scale of the most evident peaks, in points, from a signal whose points carry noise of
// `noise`. The signal is bunched into means of 1, 2, 4 ... points; on each bunching the largest
// rise (or fall) between a bunch and the one after its neighbour, less the median one (a drift),
// is compared with the noise such a rise has there. That ratio grows with the bunch while the
// bunches are narrower than the peaks (the noise falls faster than the rise) and falls once they
// are wider (the peaks are averaged away): it is highest for bunches two to four standard
// deviations of a Gaussian peak wide. Linear: the bunchings together hold twice the points.
std::size_t PeakScale(const std::vector<double>& values, double noise) {
    std::vector<double> level(values), rises;
    double bestScore = 0.0;
    std::size_t bunch = 1, best = 1;
    while (level.size() >= kLeastBunches && noise > 0.0) {
        rises.resize(level.size() - 2);
        for (std::size_t j = 0; j + 2 < level.size(); ++j) {
            rises[j] = level[j + 2] - level[j];
        }
        const auto [low, high] = std::minmax_element(rises.begin(), rises.end());
        const double lowest = *low, highest = *high;
        const double drift = Median(rises);
        const double score =
            std::max(highest - drift, drift - lowest) / (noise * std::sqrt(2.0 / static_cast<double>(bunch)));
        if (score > bestScore) {
            bestScore = score;
            best = bunch;
        }
        for (std::size_t j = 0; 2 * j + 1 < level.size(); ++j) {
            level[j] = (level[2 * j] + level[2 * j + 1]) / 2.0;
        }
        level.resize(level.size() / 2);
        bunch *= 2;
    }
    return best;
}

class PeakFinder {
public:
    PeakFinder(std::span<const double> minutes, std::span<const double> values, const PeakSettings& settings);
    PeakTable Run();

private:
    void Smooth();
    std::vector<Segment> Detect() const;
    bool StillFalling(std::size_t j, bool forward) const;
    bool AboveGroupStart(const std::vector<Segment>& segments, std::size_t end) const;
    void EstimateNoise(const std::vector<Segment>& segments);
    double SlopeLevel(double measured) const;
    std::vector<Segment> MergeSmall(const std::vector<Segment>& segments) const;
    std::size_t ArgMax(std::size_t from, std::size_t to, const Line& line) const;
    double FitTop(std::size_t m, std::size_t from, std::size_t to, double t, const Line& line) const;
    double Area(std::size_t from, std::size_t to, const Line& line) const;
    Peak Measure(std::size_t from, std::size_t apexFrom, std::size_t apexTo, std::size_t to,
                 const Line& line) const;
    std::size_t Touch(std::size_t from, std::size_t apex, std::size_t end) const;
    void Integrate(const std::vector<Segment>& segments, std::vector<Peak>& peaks) const;

    std::size_t n_ = 0;
    std::vector<double> x_, y_, s_, d_;
    std::vector<double> sums_; // sums_[i]: y_[0] + ... + y_[i - 1]
    double drift_ = 0.0;       // median slope per point
    double floor_ = 0.0;
    double spacing_ = 0.0; // median minutes between points
    double threshold_ = 0.0;
    double minWidth_ = 0.0;
    double minArea_ = 0.0;
    double slopeLevel_ = 0.0;
    double noise_ = 0.0;
    std::size_t half_ = 1; // the smoothing's half width, points
    std::size_t span_ = 1; // the slope is taken between points this far either side
    PeakBaseline baseline_ = PeakBaseline::DropLine;
};

PeakFinder::PeakFinder(std::span<const double> minutes, std::span<const double> values,
                       const PeakSettings& settings)
    : n_(std::min(minutes.size(), values.size())), x_(n_), y_(n_), baseline_(settings.baseline) {
    for (std::size_t i = 0; i < n_; ++i) {
        const double previousX = i == 0 ? 0.0 : x_[i - 1];
        const double previousY = i == 0 ? 0.0 : y_[i - 1];
        x_[i] = std::isfinite(minutes[i]) ? std::max(std::clamp(minutes[i], -kLargestValue, kLargestValue),
                                                     i == 0 ? -kLargestValue : previousX)
                                          : previousX;
        y_[i] = std::isfinite(values[i]) ? std::clamp(values[i], -kLargestValue, kLargestValue) : previousY;
    }
    const auto setting = [](double value) { return std::isfinite(value) ? std::max(value, 0.0) : 0.0; };
    threshold_ = setting(settings.threshold);
    minWidth_ = setting(settings.minWidthMinutes);
    minArea_ = std::isfinite(settings.minArea) ? settings.minArea : 0.0;
    if (n_ >= 3) {
        Smooth();
    }
}

void PeakFinder::Smooth() {
    // The noise first from second differences, which the flanks of narrow peaks disturb less than
    // first differences (taken again away from the peaks once they are found).
    std::vector<double> work(n_ - 2);
    double largest = std::fabs(y_[n_ - 1]);
    for (std::size_t i = 0; i + 2 < n_; ++i) {
        work[i] = y_[i + 2] - 2.0 * y_[i + 1] + y_[i];
        largest = std::max(largest, std::fabs(y_[i]));
    }
    largest = std::max(largest, std::fabs(y_[n_ - 2]));
    // A signal without noise still needs a finite level: a millionth of a millionth of its size.
    floor_ = largest * 1.0e-12;
    noise_ = std::max(RobustSigma(work) / std::sqrt(6.0), floor_);
    work.resize(n_ - 1);
    for (std::size_t i = 0; i + 1 < n_; ++i) {
        work[i] = x_[i + 1] - x_[i];
    }
    spacing_ = Median(work);
    const std::size_t scale = PeakScale(y_, noise_);
    half_ = std::max<std::size_t>(scale / kBunchPerHalf, 1);
    span_ = std::max<std::size_t>(scale / kBunchPerSpan, 1);
    // A centred moving average, narrower at the ends, kept as a running sum.
    s_.resize(n_);
    double sum = 0.0;
    std::size_t from = 0, to = 0; // the window [from, to)
    for (std::size_t i = 0; i < n_; ++i) {
        const std::size_t wantFrom = i >= half_ ? i - half_ : 0;
        const std::size_t wantTo = std::min(n_, i + half_ + 1);
        for (; to < wantTo; ++to) {
            sum += y_[to];
        }
        for (; from < wantFrom; ++from) {
            sum -= y_[from];
        }
        s_[i] = sum / static_cast<double>(to - from);
    }
    // The slope over the span, narrower at the ends.
    d_.resize(n_);
    for (std::size_t i = 0; i < n_; ++i) {
        const std::size_t before = i >= span_ ? i - span_ : 0;
        const std::size_t after = std::min(n_ - 1, i + span_);
        d_[i] = (s_[after] - s_[before]) / static_cast<double>(after - before);
    }
    // A steady drift is the median slope: peaks are what rises above it.
    work.assign(d_.begin(), d_.end());
    drift_ = Median(work);
    for (double& slope : d_) {
        slope -= drift_;
    }
    sums_.resize(n_ + 1);
    for (std::size_t i = 0; i < n_; ++i) {
        sums_[i + 1] = sums_[i] + y_[i];
    }
    work.assign(d_.begin(), d_.end());
    slopeLevel_ = SlopeLevel(RobustSigma(work));
}

// The level a peak's slope must pass: the threshold times the slope's noise as measured, or as
// the signal's noise makes it through the smoothing and the span when that is less (the slopes
// of peaks that fill much of a short recording raise the measured one).
double PeakFinder::SlopeLevel(double measured) const {
    const double box = static_cast<double>(2 * half_ + 1), across = static_cast<double>(2 * span_);
    const double made = noise_ * std::sqrt(2.0 * std::min(box, across)) / (box * across);
    return threshold_ * std::max(std::min(measured, made), floor_);
}

// Walks the slope once: baseline, rising (slope above the level), falling; a new rise before the
// slope has flattened out starts a peak fused to the one before.
std::vector<Segment> PeakFinder::Detect() const {
    std::vector<Segment> segments;
    enum class State {
        Baseline,
        Rising,
        Falling
    } state = State::Baseline;
    std::size_t start = 0, apex = 0, lastEnd = 0;
    bool fallen = false;
    bool cutStart = false;
    const double level = slopeLevel_;
    const auto risesAt = [&](std::size_t i) { return i + 1 < n_ && d_[i] > level && d_[i + 1] > level; };
    for (std::size_t i = 0; i < n_; ++i) {
        switch (state) {
        case State::Baseline:
            if (risesAt(i)) {
                std::size_t j = i;
                while (j > lastEnd && (s_[j - 1] < s_[j] || StillFalling(j, false))) {
                    --j;
                }
                // Rising straight out of the last peak's end, which stands clear of the baseline
                // its group began on: the two share a baseline.
                if (!segments.empty() && segments.back().end == lastEnd && j <= lastEnd + 2 * half_ + 2 &&
                    AboveGroupStart(segments, lastEnd)) {
                    segments.back().fusedToNext = true;
                    j = lastEnd;
                }
                start = j;
                apex = i;
                state = State::Rising;
            } else if (segments.empty() && i <= half_ + 1 && i + 1 < n_ && d_[i] < -level &&
                       d_[i + 1] < -level) {
                // The recording starts on a peak's falling side.
                start = 0;
                cutStart = true;
                apex =
                    static_cast<std::size_t>(std::max_element(s_.begin(), s_.begin() + i + 1) - s_.begin());
                state = State::Falling;
                fallen = true;
            }
            break;
        case State::Rising:
            apex = s_[i] >= s_[apex] ? i : apex;
            if (d_[i] <= 0.0) {
                state = State::Falling;
                fallen = false;
            }
            break;
        case State::Falling:
            apex = s_[i] > s_[apex] ? i : apex;
            if (d_[i] < -level) {
                fallen = true;
            } else if (fallen && risesAt(i)) {
                // The slope over its span sees a rise that many points early: the valley may lie
                // up to there.
                const std::size_t reach = std::min(n_ - 1, i + span_);
                const auto valley = std::min_element(s_.begin() + static_cast<std::ptrdiff_t>(apex),
                                                     s_.begin() + static_cast<std::ptrdiff_t>(reach) + 1);
                const auto end = static_cast<std::size_t>(valley - s_.begin());
                segments.push_back({start, apex, end, true, cutStart, false});
                cutStart = false;
                lastEnd = end;
                start = end;
                apex = std::max(i, end);
                state = State::Rising;
            } else if (fallen && d_[i] > -level / 2.0) {
                // The slope has flattened: follow the tail down as long as it still falls, and
                // not over the rise of a next peak.
                std::size_t j = i;
                const std::size_t limit = i + (i - start);
                while (j < limit && !risesAt(j) && StillFalling(j, true)) {
                    ++j;
                }
                segments.push_back({start, apex, j, false, cutStart, false});
                cutStart = false;
                lastEnd = j;
                state = State::Baseline;
                i = j;
            }
            break;
        }
    }
    if (state != State::Baseline) {
        segments.push_back({start, apex, n_ - 1, false, cutStart, true});
    }
    return segments;
}

// Whether the smoothed signal at `end` stands more than the threshold times its noise above the
// level where the group of the last segment began (less a steady drift): a valley between fused
// peaks, not baseline between separate ones.
bool PeakFinder::AboveGroupStart(const std::vector<Segment>& segments, std::size_t end) const {
    std::size_t k = segments.size() - 1;
    while (k > 0 && segments[k - 1].fusedToNext) {
        --k;
    }
    const std::size_t from = segments[k].start;
    const double rest = s_[from] + drift_ * static_cast<double>(end - from);
    return s_[end] - rest > threshold_ * noise_ / std::sqrt(static_cast<double>(2 * half_ + 1));
}

// Whether the signal past j (forward) or before j still falls away from the peak, compared over
// windows a few slope spans wide so that noise does not stop the walk on a long tail.
bool PeakFinder::StillFalling(std::size_t j, bool forward) const {
    const std::size_t w = std::max<std::size_t>(4 * span_, 5);
    const auto mean = [&](std::size_t from, std::size_t to) {
        return (sums_[to] - sums_[from]) / static_cast<double>(to - from);
    };
    const double driftOverWindow = drift_ * static_cast<double>(w);
    if (forward) {
        return j + w < n_ && j + 1 >= w && mean(j + 1, j + w + 1) < mean(j + 1 - w, j + 1) + driftOverWindow;
    }
    return j >= w && j + w <= n_ && mean(j - w, j) < mean(j, j + w) - driftOverWindow;
}

// The noise again from the points outside every peak, when there are enough of them.
void PeakFinder::EstimateNoise(const std::vector<Segment>& segments) {
    std::vector<double> differences;
    differences.reserve(n_);
    std::size_t next = 0;
    for (const Segment& g : segments) {
        for (std::size_t i = next; i + 1 < g.start; ++i) {
            differences.push_back(y_[i + 1] - y_[i]);
        }
        next = std::max(next, g.end + 1);
    }
    for (std::size_t i = next; i + 1 < n_; ++i) {
        differences.push_back(y_[i + 1] - y_[i]);
    }
    if (differences.size() >= 16) {
        noise_ = std::max(RobustSigma(differences) / std::sqrt(2.0), floor_);
    }
}

// A wiggle that stands less than the threshold above its own ends is noise on a larger peak: it
// joins the peak it is fused to, or goes when it stands alone.
std::vector<Segment> PeakFinder::MergeSmall(const std::vector<Segment>& segments) const {
    std::vector<Segment> kept;
    const double least = threshold_ * noise_;
    std::size_t carriedStart = 0;
    bool carrying = false;
    bool fusedFromPrevious = false;
    for (Segment segment : segments) {
        if (carrying) {
            segment.start = carriedStart;
            segment.apex = s_[carriedStart] > s_[segment.apex] ? carriedStart : segment.apex;
            carrying = false;
        }
        const double prominence =
            s_[segment.apex] - std::max(segment.cutStart ? s_[segment.end] : s_[segment.start],
                                        segment.cutEnd ? s_[segment.start] : s_[segment.end]);
        const bool fusedBefore = fusedFromPrevious;
        fusedFromPrevious = segment.fusedToNext;
        if (prominence >= least) {
            kept.push_back(segment);
        } else if (fusedBefore && !kept.empty() && kept.back().fusedToNext) {
            Segment& previous = kept.back();
            previous.apex = s_[segment.apex] > s_[previous.apex] ? segment.apex : previous.apex;
            previous.end = segment.end;
            previous.fusedToNext = segment.fusedToNext;
        } else if (segment.fusedToNext) {
            carriedStart = segment.start;
            carrying = true;
        }
    }
    return kept;
}

std::size_t PeakFinder::ArgMax(std::size_t from, std::size_t to, const Line& line) const {
    std::size_t best = from;
    for (std::size_t i = from; i <= to; ++i) {
        if (s_[i] - line.At(x_[i]) > s_[best] - line.At(x_[best])) {
            best = i;
        }
    }
    return best;
}

// Trapezoids of (value - line) x seconds over [from, to].
double PeakFinder::Area(std::size_t from, std::size_t to, const Line& line) const {
    double area = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double a = y_[i] - line.At(x_[i]);
        const double b = y_[i + 1] - line.At(x_[i + 1]);
        area += (a + b) * 0.5 * (x_[i + 1] - x_[i]) * 60.0;
    }
    return area;
}

// The height at t (minutes from the apex point m) of the parabola fitted by least squares to the
// signal above the line over the smoothing's width about m: the top of a broad noisy peak,
// without the upward bias of its single highest point.
double PeakFinder::FitTop(std::size_t m, std::size_t from, std::size_t to, double t, const Line& line) const {
    const std::size_t a = std::max(from, m >= half_ ? m - half_ : 0);
    const std::size_t b = std::min(to, m + half_);
    if (!(x_[b] > x_[a])) {
        return y_[m] - line.At(x_[m]);
    }
    const double unit = (x_[b] - x_[a]) / 2.0;
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0, s4 = 0, v0 = 0, v1 = 0, v2 = 0;
    for (std::size_t i = a; i <= b; ++i) {
        const double u = (x_[i] - x_[m]) / unit, u2 = u * u;
        const double v = y_[i] - line.At(x_[i]);
        s0 += 1.0;
        s1 += u;
        s2 += u2;
        s3 += u2 * u;
        s4 += u2 * u2;
        v0 += v;
        v1 += v * u;
        v2 += v * u2;
    }
    // Cramer's rule on the normal equations for v = c0 + c1 u + c2 u^2.
    const auto det = [](double a11, double a12, double a13, double a21, double a22, double a23, double a31,
                        double a32, double a33) {
        return a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a23 * a31) + a13 * (a21 * a32 - a22 * a31);
    };
    const double d = det(s0, s1, s2, s1, s2, s3, s2, s3, s4);
    if (!(std::fabs(d) > 1e-12)) {
        return y_[m] - line.At(x_[m]);
    }
    const double c0 = det(v0, s1, s2, v1, s2, s3, v2, s3, s4) / d;
    const double c1 = det(s0, v0, s2, s1, v1, s3, s2, v2, s4) / d;
    const double c2 = det(s0, s1, v0, s1, s2, v1, s2, s3, v2) / d;
    const double u = t / unit;
    return c0 + c1 * u + c2 * u * u;
}

// Apex, height, width and area of the peak on [from, to] above the line; the apex is looked for
// in [apexFrom, apexTo].
Peak PeakFinder::Measure(std::size_t from, std::size_t apexFrom, std::size_t apexTo, std::size_t to,
                         const Line& line) const {
    Peak peak;
    const std::size_t m = ArgMax(apexFrom, apexTo, line);
    peak.startIndex = from;
    peak.apexIndex = m;
    peak.endIndex = to;
    peak.startMinutes = x_[from];
    peak.endMinutes = x_[to];
    peak.baselineAtStart = line.At(x_[from]);
    peak.baselineAtEnd = line.At(x_[to]);
    peak.retentionMinutes = x_[m];
    peak.height = y_[m] - line.At(x_[m]);
    if (m > 0 && m + 1 < n_ && x_[m - 1] < x_[m] && x_[m] < x_[m + 1]) {
        // The parabola through the three top points of the smoothed signal places the apex; the
        // one through the signal itself gives the height there.
        const auto vertex = [&](const std::vector<double>& v, double at, double& top) {
            const double xa = x_[m - 1] - x_[m], xc = x_[m + 1] - x_[m];
            const double ya = v[m - 1] - line.At(x_[m - 1]), yb = v[m] - line.At(x_[m]);
            const double yc = v[m + 1] - line.At(x_[m + 1]);
            // y = yb + p*t + q*t^2 through (xa, ya), (0, yb), (xc, yc).
            const double q = ((ya - yb) / xa - (yc - yb) / xc) / (xa - xc);
            const double p = (ya - yb) / xa - q * xa;
            const double t = q < 0.0 ? std::clamp(-p / (2.0 * q), xa, xc) : at;
            top = yb + p * t + q * t * t;
            return t;
        };
        double unused = 0.0;
        const double t = vertex(s_, 0.0, unused);
        peak.retentionMinutes = x_[m] + t;
        if (half_ == 1) {
            double top = 0.0;
            vertex(y_, t, top);
            peak.height = std::max(top, peak.height);
        } else {
            peak.height = FitTop(m, from, to, t, line);
        }
    }
    // Width at half height on the smoothed signal, each side interpolated between the points
    // either side of the half; the smoothing's own spread is taken out (variances add).
    const double half = peak.height / 2.0;
    const auto above = [&](std::size_t i) { return s_[i] - line.At(x_[i]); };
    std::size_t left = m;
    while (left > from && above(left - 1) > half) {
        --left;
    }
    double leftX = x_[left];
    if (left > from) {
        const double a = above(left - 1), b = above(left);
        leftX = b != a ? x_[left - 1] + (half - a) / (b - a) * (x_[left] - x_[left - 1]) : x_[left];
    }
    std::size_t right = m;
    while (right < to && above(right + 1) > half) {
        ++right;
    }
    double rightX = x_[right];
    if (right < to) {
        const double a = above(right), b = above(right + 1);
        rightX = b != a ? x_[right] + (a - half) / (a - b) * (x_[right + 1] - x_[right]) : x_[right];
    }
    const double width = std::max(rightX - leftX, 0.0);
    const double box = static_cast<double>(2 * half_ + 1) * spacing_;
    peak.widthHalfMinutes =
        std::sqrt(std::max(width * width - kFwhmPerSigma * kFwhmPerSigma * box * box / 12.0, 0.0));
    peak.area = Area(from, to, line);
    peak.signalToNoise = peak.height / noise_;
    return peak;
}

// The point in (apex, end] where a line from `from` is lowest in slope: the line touches the
// signal there and passes under it everywhere between.
std::size_t PeakFinder::Touch(std::size_t from, std::size_t apex, std::size_t end) const {
    std::size_t touch = end;
    double steepest = 0.0;
    bool found = false;
    for (std::size_t j = std::max(apex, from + 1); j <= end; ++j) {
        if (x_[j] > x_[from]) {
            const double slope = (s_[j] - s_[from]) / (x_[j] - x_[from]);
            if (!found || slope < steepest) {
                steepest = slope;
                touch = j;
                found = true;
            }
        }
    }
    return touch;
}

void PeakFinder::Integrate(const std::vector<Segment>& segments, std::vector<Peak>& peaks) const {
    // A peak cut by an end of the recording has its baseline level with its other end.
    const auto lineThrough = [&](std::size_t a, std::size_t b, bool cutA = false, bool cutB = false) {
        return Line{x_[a], cutA ? s_[b] : s_[a], x_[b], cutB ? s_[a] : s_[b]};
    };
    for (std::size_t first = 0; first < segments.size();) {
        std::size_t last = first;
        while (last + 1 < segments.size() && segments[last].fusedToNext) {
            ++last;
        }
        Line group = lineThrough(segments[first].start, segments[last].end, segments[first].cutStart,
                                 segments[last].cutEnd);
        // Where a group stands on open baseline, the baseline's level at each end is the mean of
        // the points just outside it (up to the neighbouring peaks), placed at their middle: less
        // noise than one smoothed point, and a drift does not shift it.
        const std::size_t before = first == 0 ? 0 : segments[first - 1].end;
        const std::size_t after = last + 1 < segments.size() ? segments[last + 1].start : n_ - 1;
        const auto open = [&](std::size_t from, std::size_t to, double& x, double& y) {
            if (to > from) {
                y = (sums_[to + 1] - sums_[from]) / static_cast<double>(to + 1 - from);
                x = (x_[from] + x_[to]) / 2.0;
            }
        };
        if (!segments[first].cutStart && !segments[last].cutEnd) {
            const std::size_t a = segments[first].start, b = segments[last].end;
            open(std::max(before, a >= kOpenSpan * span_ ? a - kOpenSpan * span_ : 0), a, group.x0, group.y0);
            open(b, std::min(after, b + kOpenSpan * span_), group.x1, group.y1);
        }
        if (baseline_ == PeakBaseline::ValleyToValley) {
            // A line that would pass above the signal (a peak on another's tail) ends instead where
            // it touches the signal.
            for (std::size_t k = first; k <= last; ++k) {
                const Segment& g = segments[k];
                const std::size_t end = g.cutStart || g.cutEnd ? g.end : Touch(g.start, g.apex, g.end);
                peaks.push_back(
                    Measure(g.start, g.start, end, end, lineThrough(g.start, end, g.cutStart, g.cutEnd)));
            }
        } else if (baseline_ == PeakBaseline::DropLine) {
            for (std::size_t k = first; k <= last; ++k) {
                const Segment& g = segments[k];
                peaks.push_back(Measure(g.start, g.start, g.end, g.end, group));
            }
        } else {
            // Tangent skim: a rider's baseline runs from the valley before it to the point of the
            // parent's tail that a line from the valley touches; the parent keeps the area under it.
            std::size_t parent = peaks.size();
            double parentHeight = 0.0;
            std::size_t parentSegment = first;
            double ridersArea = 0.0;
            const auto closeParent = [&](std::size_t endSegment) {
                if (parent < peaks.size()) {
                    const Segment& p = segments[parentSegment];
                    Peak& peak = peaks[parent];
                    peak = Measure(p.start, p.start, p.end, segments[endSegment].end, group);
                    peak.area -= ridersArea;
                }
            };
            for (std::size_t k = first; k <= last; ++k) {
                const Segment& g = segments[k];
                const Peak plain = Measure(g.start, g.start, g.end, g.end, group);
                if (k == first || plain.height >= kRiderRatio * parentHeight) {
                    if (k != first) {
                        closeParent(k - 1);
                    }
                    parent = peaks.size();
                    parentSegment = k;
                    parentHeight = plain.height;
                    ridersArea = 0.0;
                    peaks.push_back(plain);
                    continue;
                }
                const std::size_t touch = Touch(g.start, g.apex, g.end);
                Peak rider = Measure(g.start, g.start, touch, touch, lineThrough(g.start, touch));
                rider.rider = true;
                ridersArea += rider.area;
                peaks.push_back(rider);
            }
            closeParent(last);
        }
        first = last + 1;
    }
}

PeakTable PeakFinder::Run() {
    PeakTable table;
    if (n_ < 3) {
        return table;
    }
    std::vector<Peak> peaks;
    const std::vector<Segment> segments = Detect();
    EstimateNoise(segments);
    table.noise = noise_;
    Integrate(MergeSmall(segments), peaks);
    double total = 0.0;
    for (const Peak& peak : peaks) {
        if (peak.signalToNoise >= threshold_ && peak.widthHalfMinutes >= minWidth_ && peak.area >= minArea_ &&
            peak.area > 0.0) {
            table.peaks.push_back(peak);
            total += peak.area;
        }
    }
    std::sort(table.peaks.begin(), table.peaks.end(),
              [](const Peak& a, const Peak& b) { return a.retentionMinutes < b.retentionMinutes; });
    for (Peak& peak : table.peaks) {
        peak.areaPercent = total > 0.0 ? peak.area / total * 100.0 : 0.0;
    }
    return table;
}

} // namespace

PeakTable FindPeaks(std::span<const double> minutes, std::span<const double> values,
                    const PeakSettings& settings) {
    return PeakFinder(minutes, values, settings).Run();
}

} // namespace veltrane::corvanet
