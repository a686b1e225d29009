#include "testsupport/integer_bins_container.h"

#include <algorithm>

#include "testsupport/container_builder.h"
#include "testsupport/record_builders.h"

namespace dec::testing {

namespace {

// 2019-05-03 07:00:00 as tag time.
constexpr uint32_t kT0 = 383900400;
constexpr uint16_t kTag = 17;

enum class Kind { impulse, impulse_on_base, tone, extremes };

// Axis `axis` of burst `burst` (n samples, 12 bits), of the given kind: bins
// integers or zero.
std::vector<uint16_t> axis_samples(Kind kind, size_t n, int burst, int axis) {
    std::vector<uint16_t> x(n, 0);
    const auto at = static_cast<size_t>(7 * burst + 13 * axis) % n;
    const auto q = static_cast<int>(4095 / n);  // impulse q n: every bin q
    switch (kind) {
        case Kind::impulse:
            x[at] = static_cast<uint16_t>(q * static_cast<int>(n));
            break;
        case Kind::impulse_on_base: {
            const int height = std::max(1, q / 2) * static_cast<int>(n);
            std::fill(x.begin(), x.end(), static_cast<uint16_t>((4095 - height) * (axis + 1) / 4));
            x[at] = static_cast<uint16_t>(x[at] + height);
            break;
        }
        case Kind::tone: {
            // a on bin n/p over 2048 (a/2 for period 4), a period that divides n.
            static const std::vector<std::vector<int>> patterns = {
                {1, -1}, {2, -1, -1}, {1, 0, -1, 0}, {2, 1, -1, -2, -1, 1}};
            size_t pick = static_cast<size_t>(burst + axis) % patterns.size();
            while (n % patterns[pick].size() != 0) {
                pick = (pick + 1) % patterns.size();
            }
            const std::vector<int>& p = patterns[pick];
            const int a = 2 * ((37 * burst + 101 * axis) % 500 + 1);
            for (size_t j = 0; j < n; ++j) {
                x[j] = static_cast<uint16_t>(2048 + a * p[j % p.size()]);
            }
            break;
        }
        case Kind::extremes:
            std::fill(x.begin(), x.end(),
                      static_cast<uint16_t>((burst + axis) % 2 == 0 ? 0 : 4095));
            break;
    }
    return x;
}

// The axes' samples in turn, as a record holds them.
std::vector<uint16_t> burst_samples(Kind kind, size_t n, int axes, int burst) {
    std::vector<std::vector<uint16_t>> per_axis;
    for (int a = 0; a < axes; ++a) {
        per_axis.push_back(axis_samples(kind, n, burst, a));
    }
    std::vector<uint16_t> v;
    for (size_t j = 0; j < n; ++j) {
        for (const auto& a : per_axis) {
            v.push_back(a[j]);
        }
    }
    return v;
}

}  // namespace

std::vector<uint8_t> build_spectrum_container() {
    TagImage im(OpenBlockFields{.tag = kTag, .basestation_id = 4});
    im.payload(kUnitSysinfo, make_reset_event(kT0, 0x02, 3000));
    int burst = 0;
    uint32_t t = kT0 + 60;
    for (const Kind kind : {Kind::impulse, Kind::impulse_on_base, Kind::tone, Kind::extremes}) {
        for (uint8_t units = 1; units <= 30; ++units) {
            // One, two and three axes: 6, 3 and 2 times 7u - 1 samples each.
            const struct {
                uint8_t bits;
                int count;
            } sets[] = {{0x08, 1}, {0x28, 2}, {0x38, 3}};
            for (const auto& axes : sets) {
                const size_t n = (42u * units - 6) / static_cast<size_t>(axes.count);
                im.record(kUnitAcc0,
                          make_acc_burst({.time = t,
                                          .axes = axes.bits,
                                          .rate_code = 4,
                                          .samples = burst_samples(kind, n, axes.count, burst++),
                                          .units = units}));
                t += 60;
            }
            // NEWACC: three axes of 2 (7u - 2) samples.
            im.record(kUnitNewacc,
                      make_newacc({.time = t,
                                   .fine_time = imu_fine_time(t, 0),
                                   .samples = burst_samples(kind, 14u * units - 4, 3, burst++),
                                   .units = units},
                                  kTag));
            t += 60;
        }
    }
    ContainerBuilder c(make_header(0x79F02AB6, 3));
    im.download(c, 0, im.size(), t + 600);
    c.close_info(1556867000).empty_units(4);
    return c.bytes();
}

}  // namespace dec::testing
