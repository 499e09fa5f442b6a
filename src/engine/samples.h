// The samples of a PCM sound as stored, read one at a time as fractions of full scale: for the
// loudness measure, the gain that matches it and the window's waveforms alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vox {

// The sample at p, width bytes (1 to 4) of little-endian PCM, moved up to the top of a 32-bit
// integer, as libsndfile and libebur128 take them. 8-bit samples are stored unsigned, centred at
// 128.
inline int32_t Sample32At(const uint8_t* p, unsigned width)
{
    switch (width) {
    case 1: return (int32_t)((uint32_t)(uint8_t)(p[0] ^ 0x80) << 24);
    case 2: return (int32_t)((uint32_t)p[0] << 16 | (uint32_t)p[1] << 24);
    case 3: return (int32_t)((uint32_t)p[0] << 8 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 24);
    case 4: return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
    }
    return 0;
}

// The same as a fraction of full scale, in [-1, 1).
inline double SampleAt(const uint8_t* p, unsigned width)
{
    return Sample32At(p, width) / 2147483648.0;
}

}  // namespace vox
