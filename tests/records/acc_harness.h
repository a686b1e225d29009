// The set-up the acceleration and IMU record tests share: a burst decoder's
// context over in-memory streams, a tag, the menu keys' action words and the
// sections of whole outputs they compare.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/action.h"
#include "common/outstream.h"
#include "common/tag_state.h"
#include "expected_sections.h"
#include "records/acc_burst.h"

namespace dec::acc_test {

// 2018-05-09 01:00:00, a Wednesday, day 4084 of the tag epoch.
constexpr uint32_t kT = 352861200;
constexpr uint32_t kTag = 0x1234;     // 4660
constexpr uint32_t kBottom = 0x10000;  // both sensors on the bottom side

// Action words of the menu keys; time-stamp choices a, c, d, e.
constexpr uint32_t kKey1 = ACT_ACC;
constexpr uint32_t kKey6 = 0x00000005;
constexpr uint32_t kKey8 = 0x00000305;
constexpr uint32_t kKey9 = 0x00001005;
constexpr uint32_t kKeyA = 0x01001005;
constexpr uint32_t kKeyF = 0x00002005;
constexpr uint32_t kKeyG = 0x00004005;
constexpr uint32_t kKeyH = 0x00010001;
constexpr uint32_t kKeyI = 0x00200001;
constexpr uint32_t kKeyM = ACT_MOVEBANK | ACT_ACC;
constexpr uint32_t kNoTime = ACT_ACC_NO_TIME;
constexpr uint32_t kSubSeconds = ACT_ACC_SUBSECONDS;
constexpr uint32_t kSeconds = ACT_ACC_JUST_SECONDS;
constexpr uint32_t kSecondsSub = ACT_ACC_JUST_SECONDS | ACT_ACC_SUBSECONDS;

inline std::string repeat(const std::string& s, int times) {
    std::string r;
    for (int i = 0; i < times; ++i) {
        r += s;
    }
    return r;
}

class AccHarness : public ::testing::Test {
protected:
    AccHarness() { tag.tag_number = kTag; }

    AccContext context(uint32_t action) {
        return AccContext{action, acc, info, quat, mag, tag, dsp, *buffers};
    }
    // What a stream holds since the last take.
    static std::string take(OutStream& out, std::string& text) {
        out.flush();
        std::string s;
        s.swap(text);
        return s;
    }

    // The info and console texts since the last take, when there are any.
    std::string notes() {
        const std::string i = take(info, info_text);
        const std::string c = take(console, console_text);
        return (i.empty() ? "" : "-- info\n" + i) + (c.empty() ? "" : "-- console\n" + c);
    }

    // Acceleration bytes, bursts, first and last fix time of the tag.
    std::vector<uint64_t> acc_stats() const {
        return {tag.stats.acc_bytes, tag.stats.acc_bursts, tag.stats.first_fix_time, tag.stats.last_fix_time};
    }

    std::string acc_text, info_text, quat_text, mag_text, console_text;
    OutStream acc{&acc_text};
    OutStream info{&info_text};
    OutStream quat{&quat_text};
    OutStream mag{&mag_text};
    OutStream console{&console_text};
    TagState tag;
    BurstDsp dsp{console};
    std::unique_ptr<AccBuffers> buffers = std::make_unique<AccBuffers>();
    testing::Sections got;
};

}  // namespace dec::acc_test
