// Little-endian numbers in byte arrays, and whole reads: the engine's own small helpers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/files.h"

namespace vox {

inline uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) { return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24; }
inline void Put16(uint8_t* p, uint16_t v) { p[0] = (uint8_t)v, p[1] = (uint8_t)(v >> 8); }
inline void Put32(uint8_t* p, uint32_t v) { Put16(p, (uint16_t)v), Put16(p + 2, (uint16_t)(v >> 16)); }

// Reads exactly n bytes at offset, however the reads come; false on an error or the end.
inline bool ReadExactly(Source& file, uint64_t offset, uint8_t* out, size_t n)
{
    while (n > 0) {
        int64_t got = file.ReadAt(offset, out, n);
        if (got <= 0)
            return false;
        offset += (uint64_t)got, out += got, n -= (size_t)got;
    }
    return true;
}

}  // namespace vox
