// RIFF WAVE files: reading a replacement sound, writing a sound out.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/bank.h"
#include "engine/files.h"

namespace vox {

// In the order they are checked.
enum class WaveError {
    Ok,
    NotRiff,         // no RIFF WAVE header
    NoFormat,        // no "fmt " chunk inside it
    BadFormatChunk,  // the chunk is too short to describe PCM, or cannot be read
    NotPcm,
    Insane,          // a PCM format no device or bank should be given
    NoData,          // no "data" chunk behind the format chunk
    EmptyData,
    NoMemory,
    ReadData,        // the data chunk cannot be read in full
};

struct Sound {
    Format format;            // the format chunk's first 18 bytes (cbSize 0 when it had none)
    bool hadCbSize = false;   // the chunk was long enough to hold cbSize
    std::vector<uint8_t> bytes;
};

// Every chunk size is checked against what the file holds before it is used. playable, when
// given, is the caller's own test of a sane format (a sound device's), made in the same place.
WaveError ReadWave(Source& file, Sound* sound, const std::function<bool(const Format&)>& playable = nullptr);

// The RIFF header, format chunk and data chunk header of a WAVE file for this entry.
std::vector<uint8_t> WaveHeaderFor(const Entry& e);
// Writes the entry's sound as a WAVE file: its format as stored, its bytes unchanged, read in
// pieces of at most pieceSize bytes. Short when the sound runs past the end of the bank.
BankError ExportWave(Source& bank, const Entry& e, Sink& out, size_t pieceSize);

}  // namespace vox
