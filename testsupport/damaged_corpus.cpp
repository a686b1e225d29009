#include "testsupport/damaged_corpus.h"

#include <algorithm>

#include "common/le.h"
#include "testsupport/ecg_records.h"
#include "testsupport/example_container.h"
#include "testsupport/gen3_builder.h"

namespace dec::testing {

namespace {

constexpr size_t kHeader = 512;
constexpr size_t kUnit = 64;
constexpr uint32_t kGen5Magic = 0x79F02AB6;
constexpr uint32_t kGen3LongMagic = 0x13FA95B7;

// splitmix64: a small generator whose stream depends on the seed alone.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // A number in [0, n); 0 when n is 0.
    size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }

  private:
    uint64_t state_;
};

size_t units_in(const std::vector<uint8_t>& b) {
    return b.size() > kHeader ? (b.size() - kHeader) / kUnit : 0;
}

// Offsets of the start and end address fields of the open blocks, by the
// container's generation (none in a voltage file).
std::vector<size_t> open_block_address_fields(const std::vector<uint8_t>& b) {
    std::vector<size_t> fields;
    if (b.size() < kHeader) {
        return fields;
    }
    const uint32_t magic = le_u32(b.data(), 0);
    size_t field = 0;
    if (magic == kGen5Magic) {
        field = 20;
    } else if (magic == kGen3LongMagic) {
        field = 18;
    } else if (magic == 0x17FA95B3u) {
        field = 21;
    } else {
        return fields;
    }
    for (size_t at = kHeader; at + kUnit <= b.size(); at += kUnit) {
        if (b[at] == 0x01 && std::equal(b.begin() + static_cast<long>(at + 5),
                                        b.begin() + static_cast<long>(at + 9), "OPEN")) {
            fields.push_back(at + field);
        }
    }
    return fields;
}

std::string at_name(size_t at) {
    std::string name = "@";
    name += std::to_string(at);
    return name;
}

}  // namespace

const char* mutation_name(Mutation m) {
    static const char* const kNames[kMutationKinds] = {"cut",    "flip",    "fill", "drop",
                                                       "double", "neartop", "swap", "endbelow"};
    return kNames[static_cast<int>(m)];
}

std::string mutate(std::vector<uint8_t>& b, Mutation m, uint64_t seed) {
    Random r(seed);
    const std::string name = mutation_name(m);
    const size_t units = units_in(b);
    switch (m) {
        case Mutation::truncate: {
            const size_t at = std::min(b.size(), kHeader / 2 + r.below(b.size()));
            b.resize(at);
            return name + at_name(at);
        }
        case Mutation::flip: {
            const size_t count = 1 + r.below(8);
            const size_t first = r.below(b.size());
            for (size_t i = 0; i < count; ++i) {
                const size_t at = i == 0 ? first : r.below(b.size());
                b[at] ^= static_cast<uint8_t>(1 + r.below(255));
            }
            return name + std::to_string(count) + at_name(first);
        }
        case Mutation::fill: {
            const size_t at = r.below(b.size());
            const size_t length = std::min(b.size() - at, 1 + r.below(300));
            const size_t kind = r.below(3);
            const auto value = static_cast<uint8_t>(kind == 0   ? 0x00
                                                    : kind == 1 ? 0xFF
                                                                : r.below(256));
            std::fill_n(b.begin() + static_cast<long>(at), length, value);
            return name + std::to_string(length) + at_name(at);
        }
        case Mutation::drop_unit:
        case Mutation::double_unit: {
            if (units == 0) {
                return name + "-none";
            }
            const size_t at = kHeader + kUnit * r.below(units);
            const auto from = b.begin() + static_cast<long>(at);
            if (m == Mutation::drop_unit) {
                b.erase(from, from + kUnit);
            } else {
                const std::vector<uint8_t> unit(from, from + kUnit);
                b.insert(from, unit.begin(), unit.end());
            }
            return name + at_name(at);
        }
        case Mutation::near_top:
        case Mutation::swap:
        case Mutation::end_below: {
            const std::vector<size_t> fields = open_block_address_fields(b);
            if (fields.empty()) {
                return name + "-none";
            }
            const size_t at = fields[r.below(fields.size())];
            const uint32_t start = le_u32(b.data(), at), end = le_u32(b.data(), at + 4);
            if (m == Mutation::near_top) {
                // The download ends 0 to 8 units beyond 2^32.
                const auto beyond = static_cast<uint32_t>(kUnit * r.below(9));
                const uint32_t new_start = beyond - (end - start);
                put_le32(b.data(), at, new_start);
                put_le32(b.data(), at + 4, new_start + (end - start));
            } else if (m == Mutation::swap) {
                put_le32(b.data(), at, end);
                put_le32(b.data(), at + 4, start);
            } else {
                put_le32(b.data(), at + 4, start - static_cast<uint32_t>(kUnit * (1 + r.below(8))));
            }
            return name + at_name(at);
        }
    }
    return name;
}

std::vector<NamedContainer> damaged_corpus(int copies) {
    std::vector<NamedContainer> bases = seed_containers();
    // A generation-5 example of a few downloads per tag with re-sent data.
    bases.push_back({"gen5-example-small", build_gen5_example({.tags_v10 = 1,
                                                               .tags_v9 = 1,
                                                               .tags_ecg = 1,
                                                               .downloads = 3,
                                                               .hours_per_download = 1})});
    std::vector<NamedContainer> corpus;
    uint64_t seed = 1;
    for (const NamedContainer& base : bases) {
        corpus.push_back(base);
        for (int i = 0; i < copies; ++i) {
            NamedContainer copy{base.name, base.bytes};
            const auto kind = static_cast<Mutation>(i % kMutationKinds);
            const std::string number = (i < 10 ? "~0" : "~") + std::to_string(i) + "-";
            copy.name += number + mutate(copy.bytes, kind, seed++ * 0x2545F4914F6CDD1Dull);
            corpus.push_back(std::move(copy));
        }
    }
    // The bundled examples, whole.
    corpus.push_back({"gen5-example", build_gen5_example()});
    corpus.push_back({"voltage-example", make_voltage_example()});
    return corpus;
}

}  // namespace dec::testing
