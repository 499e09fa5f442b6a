// The hand-written steps of a conversion, where the audio libraries have none: channels mixed
// or duplicated, and samples quantized to PCM as WAVE data stores it, with TPDF dither.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/bank.h"

namespace vox {

// frames of from channels, interleaved, into frames of to channels. Down to fewer, each channel
// is the average of the ones that fall on it (so it never leaves the range its inputs are in);
// up to more, the channels are repeated in turn. out is reused, so that a stream of pieces
// costs no allocation each.
void MixChannels(const double* in, size_t frames, unsigned from, unsigned to, std::vector<double>* out);

// Turns samples in [-1, 1] into PCM bytes of bits 8 (unsigned), 16, 24 or 32 (signed, little
// endian). Exact samples (ones that came from PCM of no more bits, untouched) are stored as
// they were. Any other, at 8 and 16 bits, gets TPDF dither of less than a step each way and a
// scale a step and a half short of full, the least that keeps a full-scale sample from clipping
// (127.5 would round to 128); at 24 and 32 bits, no dither and one step short. The dither is the
// same at every run.
class Quantizer {
public:
    Quantizer(unsigned bits, bool exact) : bits_(bits), exact_(exact) {}
    void Append(const double* samples, size_t n, std::vector<uint8_t>* out);

private:
    unsigned bits_;
    bool exact_;
    uint32_t state_ = 0x9E3779B9u;
};

// Triangular dither of less than a step each way, from a generator state the caller keeps: the
// same at every run. One step of the generator gives both halves of the triangle, 16 bits each,
// which is finer than any step it dithers. Inline: it is called for every sample.
inline double TpdfDither(uint32_t* state)
{
    uint32_t& s = *state;
    s ^= s << 13, s ^= s >> 17, s ^= s << 5;
    return (double)((s & 0xFFFFu) + (s >> 16)) / 65536.0 - 1.0;
}

// The PCM format a sound of these is stored in.
Format PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits);

}  // namespace vox
