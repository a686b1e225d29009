// The magic number at offset 0 of a container header names the kind of
// container, and with it the decoder that reads it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

enum ContainerMagic : uint32_t {
    kGen5Magic = 0x79F02AB6,
    kVoltageLoggerMagic = 0x79F02AC7,
    kGen3ShortMagic = 0x17FA95B3,  // generation 3 up to V1.4: short open blocks
    kGen3LongMagic = 0x13FA95B7,   // generation 3 from V1.5 on: long open blocks
};

// The header of both generations, and so the start of every tag file and
// flash image: 512 bytes, the magic first.
inline constexpr size_t kContainerHeaderSize = 512;

// The magics each generation's tag files may start with.
inline constexpr uint32_t kGen5Magics[] = {kGen5Magic};
inline constexpr uint32_t kGen3Magics[] = {kGen3ShortMagic, kGen3LongMagic};

}  // namespace dec
