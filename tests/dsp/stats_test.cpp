#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "burst_dsp_fixture.h"
#include "common/action.h"

namespace dec {
namespace {

class StatsTest : public BurstDspTest {
protected:
    void fill(const std::vector<std::vector<int16_t>>& axes) {
        burst.clear();
        burst.axes = static_cast<int8_t>(axes.size());
        for (size_t a = 0; a < axes.size(); ++a) {
            for (size_t j = 0; j < axes[a].size(); ++j) {
                burst.samples[a][j] = axes[a][j];
            }
            burst.count[a] = static_cast<int32_t>(axes[a].size());
        }
    }

    int32_t stats(int32_t axes, int32_t n, uint32_t action, AxesOverflowReport where = AxesOverflowReport::console) {
        return dsp.calc_acc_stddev_and_mean(axes, n, burst, moments, action, log, where);
    }

    BurstSamples burst{};
    BurstMoments moments{};
};

// Means truncate toward zero. With ACT_ACC_VARIANCE the deviation is the
// variance; otherwise the standard deviation after the high-pass, for at most
// 36 samples the plain one (their low-pass is the mean), zero and not NaN for
// a long constant burst. Axes are independent.
TEST_F(StatsTest, MeansAndDeviationsOfKnownSequences) {
    const uint32_t variance = ACT_ACC | ACT_ACC_VARIANCE;
    const std::vector<int16_t> spread = {2, 4, 4, 4, 5, 5, 7, 9};
    const struct {
        std::vector<std::vector<int16_t>> axes;
        uint32_t action;
        std::vector<int32_t> means;
        std::vector<double> deviations;
    } cases[] = {
        {{{1, 2}}, variance, {1}, {0.25}},
        {{{-1, -2}}, variance, {-1}, {0.25}},
        {{{-300}}, variance, {-300}, {0.0}},
        {{spread}, variance, {5}, {4.0}},
        {{{77, 77, 77, 77, 77}}, variance, {77}, {0.0}},
        {{{0, 4095}}, variance, {2047}, {4095.0 * 4095.0 / 4.0}},
        {{spread, std::vector<int16_t>(8, 10), {-1, 1, -1, 1, -1, 1, -1, 1}}, ACT_ACC, {5, 10, 0}, {2.0, 0.0, 1.0}},
        {{std::vector<int16_t>(500, 1234)}, ACT_ACC, {1234}, {0.0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.axes[0].size());
        fill(c.axes);
        const auto axes = static_cast<int32_t>(c.axes.size()), n = static_cast<int32_t>(c.axes[0].size());
        ASSERT_EQ(stats(axes, n, c.action), 0);
        for (size_t a = 0; a < c.axes.size(); ++a) {
            EXPECT_EQ(moments.mean[a], c.means[a]);
            EXPECT_NEAR(moments.deviation[a], c.deviations[a], n > 36 ? 1e-4 : 1e-12 * std::max(1.0, c.deviations[a]));
        }
    }
}

TEST_F(StatsTest, SlowDriftDoesNotCountAsMovement) {
    // A drift of 2 per sample plus an alternation of +-100: the high-pass keeps
    // only the alternation (standard deviation 100); the variance form sees both.
    std::vector<int16_t> x;
    // (The ends of the burst carry a little of the filter's start-up, hence the
    // long burst and the tolerance.)
    for (int j = 0; j < 2000; ++j) {
        x.push_back(static_cast<int16_t>(1000 + 2 * j + ((j % 2) != 0 ? -100 : 100)));
    }
    fill({x});
    ASSERT_EQ(stats(1, 2000, ACT_ACC), 0);
    EXPECT_EQ(moments.mean[0], 2999);  // (1000 + 4998) / 2, the alternation sums to 0
    EXPECT_NEAR(moments.deviation[0], 100.0, 1.5);

    ASSERT_EQ(stats(1, 2000, ACT_ACC | ACT_ACC_VARIANCE), 0);
    // The drift alone has variance 2^2 (2000^2 - 1) / 12 = 1333333.
    EXPECT_GT(moments.deviation[0], 1333333.0);
}

TEST_F(StatsTest, TooManyAxesIsReportedWhereTheCallerSays) {
    fill({{1}, {2}, {3}});
    const std::string message = "Array for acc sums too small, please report error to support@tavro.example\n";
    for (AxesOverflowReport where : {AxesOverflowReport::console, AxesOverflowReport::log}) {
        console_text.clear();
        log_text.clear();
        EXPECT_EQ(stats(4, 1, ACT_ACC, where), -1);
        console.flush();
        log.flush();
        EXPECT_EQ(console_text, where == AxesOverflowReport::console ? message : "");
        EXPECT_EQ(log_text, where == AxesOverflowReport::log ? message : "");
    }
}

TEST_F(StatsTest, EmptyOrOversizedBurstIsRefusedInsteadOfDividingByZero) {
    fill({{1, 2}});
    EXPECT_EQ(stats(1, 0, ACT_ACC), -1);
    EXPECT_EQ(stats(1, kBurstMaxSamples + 1, ACT_ACC), -1);
}

TEST_F(StatsTest, MinimumAndMaximumPerAxis) {
    fill({{3, -7, 12, 0}, {-32768, -32768, -32768, -32768}, {32767, 5, 32767, 6}});
    // The maximum starts at -32767, so an axis stuck at -32768 keeps that
    // start; only the first n samples count, with none the start values remain.
    const struct {
        int8_t axes;
        int32_t n;
        std::vector<std::pair<int16_t, int16_t>> min_max;
    } cases[] = {{3, 4, {{-7, 12}, {-32768, -32767}, {5, 32767}}}, {1, 2, {{-7, 3}}}, {1, 0, {{32767, -32767}}}};
    for (const auto& c : cases) {
        const BurstExtremes e = calc_acc_max_and_min(c.axes, c.n, burst);
        for (size_t a = 0; a < c.min_max.size(); ++a) {
            EXPECT_EQ(e.min[a], c.min_max[a].first) << c.n << " axis " << a;
            EXPECT_EQ(e.max[a], c.min_max[a].second) << c.n << " axis " << a;
        }
    }
}

}  // namespace
}  // namespace dec
