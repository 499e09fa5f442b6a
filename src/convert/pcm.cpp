#include "convert/pcm.h"

#include <cmath>

namespace vox {

void MixChannels(const double* in, size_t frames, unsigned from, unsigned to, std::vector<double>* out)
{
    out->resize(frames * to);
    for (size_t f = 0; f < frames; f++) {
        const double* src = in + f * from;
        double* dst = out->data() + f * to;
        if (to >= from) {
            for (unsigned c = 0; c < to; c++)
                dst[c] = src[c % from];
        } else {
            // channel c takes c, c + to, c + 2 to...
            for (unsigned c = 0; c < to; c++) {
                double sum = 0;
                unsigned n = 0;
                for (unsigned s = c; s < from; s += to, n++)
                    sum += src[s];
                dst[c] = sum / n;
            }
        }
    }
}

void Quantizer::Append(const double* samples, size_t n, std::vector<uint8_t>* out)
{
    const double full = std::ldexp(1.0, (int)bits_ - 1);
    const bool dither = !exact_ && bits_ <= 16;
    const double scale = exact_ ? full : full - (dither ? 1.5 : 1);
    const double top = full - 1, bottom = -full;
    const size_t width = bits_ / 8;
    out->reserve(out->size() + n * width);
    for (size_t i = 0; i < n; i++) {
        double x = samples[i] * scale + (dither ? TpdfDither(&state_) : 0.0);
        double v = std::nearbyint(x);
        v = v > top ? top : v < bottom ? bottom : v;  // only a float source past full scale gets here
        int64_t q = (int64_t)v;
        if (bits_ == 8)
            q += 128;  // WAVE stores 8-bit samples unsigned
        for (size_t b = 0; b < width; b++)
            out->push_back((uint8_t)((uint64_t)q >> (8 * b)));
    }
}

Format PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits)
{
    Format f;
    f.tag = kPcm;
    f.channels = channels;
    f.rate = rate;
    f.blockAlign = (uint16_t)(channels * bits / 8);
    f.avgBytes = rate * f.blockAlign;
    f.bits = bits;
    return f;
}

}  // namespace vox
