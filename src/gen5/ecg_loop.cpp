// The decoding loop of ECG tags.
//
// ECG tags write each heart-signal burst as one record over a start unit (0x60)
// and continuation units (0x61); events (0x10) and 0xFE units as the
// GPS-acceleration tags do. Everything else in the image is a bad unit.
#include <cstring>
#include <memory>

#include "gen5/container.h"
#include "gen5/first_pass.h"
#include "gen5/second_pass.h"
#include "gen5/tag_loop.h"
#include "records/ecg.h"
#include "records/tag_records.h"

namespace dec {

namespace {

constexpr size_t kPayload = 63;
// A record growing beyond this is dropped (at most 30 units).
constexpr uint32_t kMaxEcgRecord = 1900;

struct EcgLoop {
    explicit EcgLoop(TagRun& t)
        : tag(t),
          records(t.out, t.run.con, *t.run.spectrum_tables, t.first_open_block[kObSettings + 4]) {}

    void flush() {
        collecting = false;
        records.take(RecordKind::ecg, buf, length);
    }

    void unit(const uint8_t* u) {
        const uint8_t type = u[0];
        if (collecting && type != 0x61) {
            flush();
        }
        switch (type) {
            case 0x60:
                std::memcpy(buf, u + 1, kPayload);
                length = kPayload;
                collecting = true;
                break;
            case 0x61:
                if (collecting) {
                    std::memcpy(buf + length, u + 1, kPayload);
                    length += kPayload;
                    if (length > kMaxEcgRecord) {
                        records.settle();
                        tag.run.con.out().put(
                            "##################### Too much ecg data #############\n");
                        collecting = false;
                    }
                }
                break;
            case 0x10:
                std::memcpy(single, u + 1, kPayload);
                records.take(RecordKind::sysinfo, single, kPayload);
                break;
            case 0xFE:
                ++fe_units;
                break;
            default:
                ++tag.state.bad_units;
                break;
        }
    }

    TagRun& tag;
    TagRecords records;
    uint8_t buf[kEcgBufferSize];
    uint8_t single[kPayload];
    uint32_t length = 0;
    bool collecting = false;
    uint32_t fe_units = 0;
};

}  // namespace

int run_ecg_tag_loop(TagRun& tag) {
    StreamState s;
    auto loop = std::make_unique<EcgLoop>(tag);
    if (pass_over_units(tag, s, LoopFamily::ecg, [&](const uint8_t* u) { loop->unit(u); }) != 0) {
        return -1;
    }
    if (loop->collecting) {
        loop->flush();
    }
    end_unit_loop(tag, loop->fe_units);
    loop->records.finish();
    print_last_download_line(tag.info(), tag.state, s);
    return 0;
}

}  // namespace dec
