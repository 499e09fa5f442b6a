// A sound's stored bytes as FLAC, through libsndfile, and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/bank.h"

namespace vox {

// The sound as FLAC, or nothing when FLAC cannot hold it exactly: not 8, 16 or 24 bits, bytes
// that are not whole frames, or a format libsndfile refuses. The caller checks the decoding.
std::vector<uint8_t> EncodeFlac(const Format& f, const std::vector<uint8_t>& bytes);

// Decodes FLAC holding exactly bytes bytes of format f into the room room gives, asked for only
// once the stream says it holds that; false when it is not FLAC, has another format or length,
// or is damaged. Never decodes more than one piece past bytes.
bool DecodeFlac(const uint8_t* data, size_t size, const Format& f, size_t bytes, const std::function<uint8_t*()>& room);

}  // namespace vox
