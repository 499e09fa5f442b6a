// Any audio file libsndfile reads, converted to the PCM a bank stores: resampled by libsoxr,
// its channels mixed, its samples quantized with dither (pcm.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/wave.h"

namespace vox {

struct AudioInfo {
    std::string kind;      // "FLAC", "WAVE", "Ogg Vorbis", "MP3"...
    std::string encoding;  // "16-bit", "32-bit float", "u-law"; empty for lossy codecs
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint64_t frames = 0;
};
// "FLAC 2ch 44100 Hz 16-bit, 3.52 s"
std::string DescribeAudio(const AudioInfo& a);

struct Conversion {
    std::string error;  // empty on success: the file's problem, with libsndfile's reason where it gives one
    AudioInfo source;
    Sound sound;        // in the target format
};

// Frames of the file read so far, and the frames it announces (0 when it announces none).
using ConvertProgress = std::function<void(uint64_t done, uint64_t total)>;

// The bytes of the sound a conversion has just made, whole frames, in order.
using ConvertMade = std::function<void(const uint8_t* bytes, size_t size)>;

// Reads the file at path and converts it to target (PCM, a sane format), a piece at a time,
// each piece made handed to made when given; refused once the result would pass maxBytes.
Conversion ConvertAudioFile(const std::string& path, const Format& target, uint64_t maxBytes,
                            const ConvertProgress& progress = {}, const ConvertMade& made = {});

// A kind of file libsndfile reads, by its name there and the extensions its files go by.
struct AudioType {
    std::string name;  // "FLAC (Free Lossless Audio Codec)"
    std::vector<std::string> extensions;  // "flac"
};
// Every kind this build reads (headerless raw data aside), as libsndfile lists them.
std::vector<AudioType> ReadableTypes();

}  // namespace vox
