#include "gen5/second_pass.h"

#include <cstring>

#include "common/le.h"
#include "gen5/container.h"
#include "store/tag_data.h"

namespace dec {

int begin_second_pass(TagRun& tag) {
    Console& con = tag.run.con;
    OutStream& out = con.out();
    uint8_t header[kHeaderSize];
    if (reread_image_header(con, tag.data, header, kGen5Magics) != 0) {
        return -1;
    }
    out.put("\nNow uncompressing data (please wait ...):\n\n");
    con.flush();  // the wait may be long: show the line now

    OutStream& info = tag.info();
    info.put("basestation info:\n");
    info.printf("Rewrite counter:%u\n", le_u32(header, kRewriteCounterOffset));
    const auto* text = header + kHeaderTextOffset;
    const void* zero = std::memchr(text, 0, kHeaderTextSize);
    info.write(reinterpret_cast<const char*>(text),
               zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - text)
                               : kHeaderTextSize);
    info.put_char('\n');
    tag.state.processed_bytes = 0;
    tag.state.bad_units = 0;
    return 0;
}

void end_unit_loop(TagRun& tag, uint32_t fe_units) {
    const TagState& st = tag.state;
    tag.run.con.out().printf("Processed %llu Bytes with %llu bad Bytes\n",
                             static_cast<unsigned long long>(st.processed_bytes),
                             static_cast<unsigned long long>(kUnitSize) * st.bad_units);
    if (fe_units != 0) {
        tag.info().printf("There were %u b5 0xFE blocks.\n", fe_units);
    }
    tag.run.bad_blocks += st.bad_units;
}

void print_last_download_line(OutStream& info, TagState& state, const StreamState& s) {
    const DownloadBalance b = print_last_download(info, state.tag_number, s.expected_bytes,
                                                  s.since_last_open, kGen5LastSurplus);
    state.last_download_complete = b.kind != DownloadBalance::Kind::missing;
}

}  // namespace dec
