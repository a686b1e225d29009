#include "testsupport/settings_records.h"

#include <cstring>
#include <stdexcept>

#include "common/le.h"
#include "settings/crc16.h"
#include "settings/pressure_prom.h"

namespace dec::testing {
namespace {

size_t checksum_length(SettingsKind kind, uint8_t version) {
    switch (kind) {
        case SettingsKind::Tt5_10:
            return version == 0 ? 171 : version == 1 ? 179 : version <= 3 ? 210 : 0;
        case SettingsKind::Tt7_1:
            return version == 2 ? 210 : 0;
        default:
            return 0;
    }
}

void check_field(size_t off, size_t width) {
    if (off + width > kSettingsRecordRoom) {
        throw std::out_of_range("settings record field beyond the open block");
    }
}

}  // namespace

SettingsRecord SettingsRecord::tt5_10(uint8_t structure_version, uint32_t features, uint8_t mode) {
    SettingsRecord r(SettingsKind::Tt5_10, structure_version);
    r.u16(0, 0x9B3A).u8(4, structure_version).u32(5, features).u8(9, mode);
    return r;
}

SettingsRecord SettingsRecord::tt5_9(uint8_t version) {
    SettingsRecord r(SettingsKind::Tt5_9, version);
    r.u16(0, 0x9B3A).u8(4, version);
    return r;
}

SettingsRecord SettingsRecord::tt7_1(uint8_t version) {
    SettingsRecord r(SettingsKind::Tt7_1, version);
    r.u16(0, 0xE532).u8(4, version);
    return r;
}

SettingsRecord& SettingsRecord::u8(size_t off, uint8_t v) {
    check_field(off, 1);
    bytes_[off] = v;
    return *this;
}

SettingsRecord& SettingsRecord::u16(size_t off, uint16_t v) {
    check_field(off, 2);
    put_le16(bytes_.data(), off, v);
    return *this;
}

SettingsRecord& SettingsRecord::u32(size_t off, uint32_t v) {
    check_field(off, 4);
    put_le32(bytes_.data(), off, v);
    return *this;
}

SettingsRecord& SettingsRecord::s32(size_t off, int32_t v) {
    return u32(off, static_cast<uint32_t>(v));
}

SettingsRecord& SettingsRecord::text(size_t off, std::string_view s) {
    check_field(off, s.size());
    std::memcpy(bytes_.data() + off, s.data(), s.size());
    return *this;
}

SettingsRecord& SettingsRecord::pressure_calibration(const uint16_t (&words)[7]) {
    uint16_t w[7];
    std::memcpy(w, words, sizeof w);
    w[0] = static_cast<uint16_t>((w[0] & 0x0FFF) | (pressure_prom_crc4(w) << 12));
    for (size_t i = 0; i < 6; ++i) {
        u16(197 + 2 * i, w[i]);
    }
    u8(209, static_cast<uint8_t>(w[6]));
    u8(161, static_cast<uint8_t>(w[6] >> 8));
    return *this;
}

void SettingsRecord::write_into(uint8_t* open_block) const {
    uint8_t* rec = open_block + kSettingsRecordOffset;
    std::memcpy(rec, bytes_.data(), bytes_.size());
    const size_t len = checksum_length(kind_, version_);
    if (len != 0) {
        put_le16(rec, len, settings_crc16(rec, len));
    }
}

OpenBlock SettingsRecord::block() const {
    OpenBlock b{};
    write_into(b.data());
    return b;
}

// Structure version 0 (tag 4000 in the tests): solar, variance, second ping
// on-time, interval factors and solar variance; rate code 4 on axes X and Y.
// Structure version 1 (tag 5000): variance, dead pinger, GSM, super burst and
// the SMBus accelerometer (divisor 1), no axes enabled.
// Structure version 2: dead pinger, GSM, 2G/4G band set and GPSACCGSMV2, a
// good pressure calibration (kExamplePressureWords), mode TTOFF.
// Structure version 3: solar, GSM, GPSACCGSMV2 and second on-times.
SettingsRecord example_tt5_10(uint8_t structure_version) {
    switch (structure_version) {
        case 0:
        case 1: {
            const bool v0 = structure_version == 0;
            SettingsRecord r =
                SettingsRecord::tt5_10(structure_version, v0 ? 0x840Bu : 0xA16u, v0 ? 0x00 : 0x55);
            r.u16(10, v0 ? 100 : 200).u8(12, v0 ? 1 : 2);
            r.u16(13, 3277).u16(15, 3072).u16(17, 2458).u16(19, 2867).u16(21, 2800);
            r.u16(23, v0 ? 10 : 20).u16(25, v0 ? 60 : 90);
            r.u16(27, v0 ? 360 : 0).u16(29, v0 ? 1080 : 1439);
            r.u16(31, v0 ? 1200 : 5).u16(33, v0 ? 1260 : 6);
            r.u8(35, v0 ? 4 : 3).u32(36, v0 ? 0x200000 : 0x240000).u8(40, v0 ? 15 : 0);
            r.u16(41, v0 ? 0 : 300).u16(43, v0 ? 1439 : 1200);
            r.u16(45, v0 ? 300 : 60).u16(47, v0 ? 900 : 600).u16(49, v0 ? 3600 : 1800);
            r.u16(51, v0 ? 150 : 90).u8(53, v0 ? 2 : 1).u8(54, v0 ? 3 : 1).u16(55, v0 ? 80 : 120);
            r.u16(57, v0 ? 40 : 20).u8(59, v0 ? 2 : 3).u16(60, v0 ? 1 : 0).u8(62, v0 ? 1 : 3);
            r.u16(63, v0 ? 60 : 0).u16(65, v0 ? 1380 : 720);
            r.u16(67, v0 ? 120 : 59).u16(69, v0 ? 1890 : 0);
            r.u8(71, v0 ? 4 : 1)
                .u8(72, v0 ? 2 : 0)
                .u8(73, v0 ? 0x58 : 0x00)
                .u8(74, v0 ? 0x02 : 0x0C);
            r.u32(75, v0 ? 604800 : 31536000);
            r.u32(79, v0 ? 1000 : 7777)
                .u32(83, 2000)
                .u8(87, v0 ? 3 : 8)
                .u8(88, v0 ? 4 : 9)
                .u8(89, 5);
            r.u32(106, 1234).u16(110, 10).u32(112, 4321).u16(116, 20).u32(118, 0x201000);
            r.text(122, "+491701234567");
            r.u16(146, 3400).u32(148, 90061).u32(152, 3661).u16(156, 600).u16(158, 630);
            r.u16(160, 1800).u16(162, 60).u16(164, 100).u16(166, 200).u16(168, 3500).u8(170, 2);
            if (!v0) {
                r.u16(171, 3686).u16(173, 50).u16(175, 3000).u16(177, 16);
            }
            return r;
        }
        case 2: {
            SettingsRecord r = SettingsRecord::tt5_10(2, 0x44014, 0x55);
            r.u16(10, 4660).u8(12, 7);
            r.u16(13, 3686).u16(15, 3277).u16(17, 3400).u16(19, 3072).u16(21, 2458);
            r.u16(23, 3500).u16(25, 2867).u16(27, 2800).u16(29, 30);
            r.u16(31, 360).u16(33, 1080).u8(35, 5).u32(36, 0x1FFFFF);
            r.u16(40, 0).u16(42, 1439).u16(44, 300).u16(46, 1200).u16(48, 7200);
            r.u16(50, 120).u8(52, 3).u16(53, 60).u8(55, 4).u8(56, 2).u16(57, 10).u8(59, 1);
            r.u16(60, 0).u8(62, 2).u16(63, 0).u16(65, 1439);
            r.u16(67, 600).u16(69, 30).u16(71, 3600).u16(73, 126);
            r.u8(75, 128).u8(76, 1).u8(77, 0x28).u8(78, 0x09).u32(79, 0).u32(83, 5000);
            r.u8(87, 10).u16(88, 0).u8(90, 1).u8(91, 2).u8(92, 5).u8(93, 1);
            r.u16(94, 50).u16(96, 150).u16(98, 250).u8(102, 7).u8(103, 0x80).u8(104, 127);
            r.u32(107, 100000).u16(111, 50).u32(113, 200000).u16(117, 60).u32(119, 0x200000);
            r.u32(123, 86400).u16(127, 720).u16(129, 480).u16(131, 960);
            r.u16(133, 3600).u16(135, 0).u16(137, 90).u16(139, 240).u8(141, 1);
            r.u16(142, 45).u8(144, 6).u16(145, 900).u16(147, 100).u16(149, 120).u16(151, 15);
            r.u8(153, 4).u8(154, 5).u8(155, 6).u16(156, 240).u8(158, 0x62).u8(159, 0x82);
            r.u8(160, 3).u8(162, 6).u16(164, 600).u16(166, 1800).u16(168, 300).u16(170, 1260);
            r.u8(172, 2).u16(173, 1200);
            r.u16(175, 1).u16(177, 2).u16(179, 3).u16(181, 4).u16(183, 5).u16(185, 6);
            r.text(187, "EU868");
            r.pressure_calibration(kExamplePressureWords);
            return r;
        }
        default: {
            SettingsRecord r = SettingsRecord::tt5_10(structure_version, 0x24011, 0xAA);
            r.u16(10, 4660).u8(12, 7);
            r.u16(13, 3277).u16(15, 3072).u16(17, 2867).u16(19, 30);
            r.u16(21, 360).u16(23, 1080).u16(25, 1200).u16(27, 1439);
            r.u8(29, 5).u32(30, 0x2013A0).u16(34, 2).u8(36, 1);
            r.u16(37, 0).u16(39, 1439).u16(41, 60).u16(43, 378);
            r.u8(45, 3).u8(46, 4).u8(47, 0x79).u8(48, 0xCC).u32(49, 90061).u32(53, 1000);
            r.u8(57, 0).u16(58, 63).u8(60, 2).u8(61, 3).u8(62, 2).u8(63, 0);
            r.u16(64, 100).u16(66, 200).u16(68, 300).u8(72, 9).u8(73, 0xFB).u8(74, 12);
            r.u16(77, 10).u16(79, 20).u16(81, 30).u16(83, 120).u16(85, 240);
            r.u32(87, 183845).u16(91, 720).u16(93, 480).u16(95, 960);
            r.u16(97, 3600).u16(99, 600).u16(101, 120).u16(103, 300).u8(105, 3);
            r.u8(108, 0x85).u8(109, 0x01).u8(110, 4).u8(111, 5);
            r.u16(112, 300).u16(114, 1260).u8(116, 8);
            r.u16(117, 3600).u16(119, 600).u16(121, 30).u16(123, 1800).u16(125, 90).u16(127, 20);
            r.s32(129, 133000000).s32(133, 134000000).s32(145, 524000000).s32(149, 525000000);
            r.s32(137, -1000000).s32(141, 1000000).s32(153, -2000000).s32(157, 0);
            r.u16(161, 420).u16(163, 1140).u16(165, 600).u16(167, 660);
            r.u16(169, 61).u16(171, 300).u16(173, 75).u16(175, 600);
            r.u16(177, 120).u16(179, 900).u16(181, 30).u16(183, 3599);
            r.u16(185, 0).u16(187, 1439).u16(189, 180).u8(191, 2).u8(192, 5).u8(193, 3);
            r.u16(194, 3482).u16(196, 1320).u16(198, 1380).u16(200, 100).u16(202, 200);
            r.u16(204, 1000).u16(206, 1100);
            return r;
        }
    }
}

// tt5_9: axes X, Y, Z with P1OT set, variance axis X and low sensitivity,
// rate code 5 (divisor 5 in version 7), GSM settings in the second layout
// (read differently by first-generation GSM tags).
SettingsRecord example_tt5_9(uint8_t version) {
    SettingsRecord r = SettingsRecord::tt5_9(version);
    r.u16(6, 300).u8(8, 3).u8(9, 0x3C).u8(10, 0x11).u16(11, 3277).u16(14, 15);
    r.u16(16, 0).u16(18, 1439).u16(20, 100).u8(22, 2).u8(23, 3).u16(24, 90);
    r.u16(26, 0).u16(28, 1439).u16(30, 300).u16(32, 600).u16(34, 252).u8(36, 5);
    r.u16(37, 45).u32(43, 0x200000).u8(47, 10).u16(48, 360).u16(50, 1080);
    r.u16(52, 30).u8(54, 2).u16(55, 2800).u32(57, 90061).u16(61, 3).u8(63, 1).u8(64, 2);
    r.u16(65, 3072).u32(67, 111).u32(71, 222).u8(75, 1).u8(76, 2).u8(77, 3);
    r.u16(78, 3600).u16(80, 1800).u16(82, 600).u16(100, 2458);
    r.u32(102, 5555).u16(106, 7).u32(108, 6666).u16(112, 8).u32(114, 0x1FFFFF);
    r.u16(118, 100).u16(120, 200).u16(122, 2867).text(124, "+4917012345");
    r.u16(148, 3400).u8(150, 200).u32(151, 604800).u32(155, 90061);
    r.u16(159, 60).u16(161, 120).u16(163, 180).u16(165, 240).u16(167, 300);
    r.u16(169, 3600).u16(171, 30).u16(173, 400);
    return r;
}

// tt7_1: auto offset on, rate code 19, gain parameter 0, 63-byte records.
SettingsRecord example_tt7_1(uint8_t version) {
    SettingsRecord r = SettingsRecord::tt7_1(version);
    r.u16(6, 500).u8(8, 9).u8(9, 0x01).u16(11, 1200).u16(13, 1300).u16(15, 3400);
    r.u8(17, 12).u16(18, 8).u16(20, 40).u16(22, 300).u16(24, 480).u16(26, 1200);
    r.u16(28, 900).u16(30, 63).u8(32, 19).u32(33, 0).u16(37, 2048).u8(39, 0);
    r.u16(40, static_cast<uint16_t>(-100)).u16(42, static_cast<uint16_t>(-3)).u16(44, 3600);
    r.u16(46, static_cast<uint16_t>(-256)).u16(49, 2).u8(51, 1);
    return r;
}

}  // namespace dec::testing
