// The samples of a PCM sound as stored, read one at a time as fractions of full scale: for the
// loudness measure, the gain that matches it and the window's waveforms alike.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vox {

// The sample at p, width bytes (1 to 4) of little-endian PCM, in [-1, 1). 8-bit samples are
// stored unsigned, centred at 128.
inline double SampleAt(const uint8_t* p, unsigned width)
{
    switch (width) {
    case 1: return (p[0] - 128) / 128.0;
    case 2: return (int16_t)(p[0] | p[1] << 8) / 32768.0;
    case 3: return (int32_t)((uint32_t)p[0] << 8 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 24) / 2147483648.0;
    case 4: return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24) / 2147483648.0;
    }
    return 0;
}

}  // namespace vox
