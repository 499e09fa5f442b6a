// Sound files of any kind libsndfile writes, for the tests of the conversion.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

namespace vox::test {

// A sine of freq Hz and amplitude amp on every channel, the right channel in antiphase when
// antiphase is set.
inline void WriteSine(const std::string& path, int format, int rate, int channels, double seconds, double freq,
                      double amp, bool antiphase = false)
{
    const double pi = 3.14159265358979323846;
    SF_INFO info = {};
    info.samplerate = rate, info.channels = channels, info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    const sf_count_t frames = (sf_count_t)(seconds * rate);
    std::vector<double> samples((size_t)frames * channels);
    for (sf_count_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            samples[(size_t)(i * channels + c)] = amp * sin(2 * pi * freq * i / rate) * (antiphase && c == 1 ? -1 : 1);
    EXPECT_EQ(sf_writef_double(f, samples.data(), frames), frames) << path;
    sf_close(f);
}

}  // namespace vox::test
