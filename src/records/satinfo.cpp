#include "records/satinfo.h"

#include "common/io.h"
#include "common/le.h"

// Satellite status report (little-endian):
//
//   0  u32  receiver time of week (not used)
//   4  u8   number of channels N
//   5  3    reserved
//   8  12 x N channels:
//        0 u8  channel number (not used)
//        1 u8  satellite number
//        2 u8  flags, 0x04 = orbit information available
//        3 u8  quality, low four bits = signal quality
//        4 u8  carrier-to-noise ratio, dBHz
//        5 i8  elevation, degree
//        6 i16 azimuth, degree
//        8 i32 pseudo-range residual (not used)

namespace dec {

namespace {

constexpr size_t kCountOffset = 4;
constexpr uint8_t kOrbitAvailable = 0x04;
constexpr uint8_t kQualityMask = 0x0F;
constexpr uint8_t kMinListedQuality = 2;  // tracked at least
constexpr uint8_t kMinCnoQuality = 4;     // code locked: the ratio is meaningful
constexpr uint32_t kSatellitesPerSentence = 4;

// "$GPGSV,n,i,m" plus four groups ",sss,-ee,-aaaaa,ccc" fit easily.
constexpr size_t kSentenceSize = 128;

class Sentence {
  public:
    void start(uint32_t sentences, uint32_t number, uint32_t listed) {
        len_ = 0;
        advance(format_into(buf_, sizeof(buf_), "$GPGSV,%i,%i,%i", static_cast<int>(sentences),
                            static_cast<int>(number), static_cast<int>(listed)));
    }
    void add(const SatelliteChannel& ch) {
        if (ch.quality >= kMinCnoQuality) {
            advance(format_into(buf_ + len_, sizeof(buf_) - len_, ",%hhu,%hhi,%hi,%hhu",
                                ch.satellite, ch.elevation, ch.azimuth, ch.cno));
        } else {
            advance(format_into(buf_ + len_, sizeof(buf_) - len_, ",%hhu,%hhi,%hi,", ch.satellite,
                                ch.elevation, ch.azimuth));
        }
    }
    void write(OutStream& out) const {
        out.write(buf_, len_);
        out.put_char('*');
        out.put_hhu(sentence_checksum(buf_, len_));
        out.put_char('\n');
    }

  private:
    // format_into stores at most what fits, so len_ stays inside the buffer.
    void advance(int stored) {
        if (stored > 0) {
            len_ += static_cast<size_t>(stored);
        }
    }

    char buf_[kSentenceSize] = {};
    size_t len_ = 0;
};

}  // namespace

bool satellite_report_complete(const uint8_t* record, uint32_t length) {
    if (length <= kCountOffset) {
        return false;
    }
    return length >= kSatReportHeaderSize + kSatChannelSize * le_u8(record, kCountOffset);
}

uint32_t satellite_channel_count(const uint8_t* record, uint32_t length) {
    if (length < kSatReportHeaderSize) {
        return 0;
    }
    const uint32_t claimed = le_u8(record, kCountOffset);
    const uint32_t held = (length - kSatReportHeaderSize) / kSatChannelSize;
    return claimed < held ? claimed : held;
}

SatelliteChannel decode_satellite_channel(const uint8_t* record, uint32_t index) {
    const size_t base = kSatReportHeaderSize + size_t{kSatChannelSize} * index;
    SatelliteChannel ch;
    ch.satellite = le_u8(record, base + 1);
    ch.flags = le_u8(record, base + 2);
    ch.quality = le_u8(record, base + 3) & kQualityMask;
    ch.cno = le_u8(record, base + 4);
    ch.elevation = le_s8(record, base + 5);
    ch.azimuth = le_s16(record, base + 6);
    return ch;
}

bool satellite_listed(const SatelliteChannel& ch) {
    return (ch.flags & kOrbitAvailable) != 0 && ch.quality >= kMinListedQuality;
}

uint8_t sentence_checksum(const char* sentence, size_t length) {
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        sum ^= static_cast<uint8_t>(sentence[i]);
    }
    return sum;
}

void print_satellite_report(const uint8_t* record, uint32_t length, OutStream& info) {
    const uint32_t channels = satellite_channel_count(record, length);
    uint32_t listed = 0;
    for (uint32_t i = 0; i < channels; ++i) {
        if (satellite_listed(decode_satellite_channel(record, i))) {
            ++listed;
        }
    }
    if (listed == 0) {
        return;
    }
    const uint32_t sentences = (listed + kSatellitesPerSentence - 1) / kSatellitesPerSentence;
    Sentence sentence;
    uint32_t k = 0;
    for (uint32_t i = 0; i < channels; ++i) {
        const SatelliteChannel ch = decode_satellite_channel(record, i);
        if (!satellite_listed(ch)) {
            continue;
        }
        if (k % kSatellitesPerSentence == 0) {
            if (k != 0) {
                sentence.write(info);
            }
            sentence.start(sentences, k / kSatellitesPerSentence + 1, listed);
        }
        sentence.add(ch);
        ++k;
    }
    sentence.write(info);
}

}  // namespace dec
