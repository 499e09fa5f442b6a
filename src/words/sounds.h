// How sounds are told to people, in the same words by the window and voxbank: their format,
// their length in time and what a conversion made of a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/bank.h"

namespace words {

// "PCM 2ch 22050 Hz 16-bit"; a format other than PCM shows its tag number.
std::string FormatText(const vox::Format& f);
std::string FormatText(const vox::Entry& e);
// Seconds of sound; none when its entry gives no bytes per second.
std::optional<double> Seconds(const vox::Entry& e);
// "3.52 s", or "? s" without bytes per second.
std::string SecondsText(const vox::Entry& e);
// "77,616"
std::string Grouped(uint64_t n);
// "FLAC 2ch 44100 Hz 16-bit, 3.52 s -> PCM 1ch 22050 Hz 8-bit, 3.52 s, 77,616 bytes (was 70,000
// bytes, 3.17 s)": from, what the file held (vox::DescribeAudio), became now in place of was.
std::string ConvertedText(const std::string& from, const vox::Entry& was, const vox::Entry& now);

}  // namespace words
