// How loud a sound is and what matching it did, in the same words in the window and voxbank.
#pragma once

#include <string>

#include "convert/loudness.h"

namespace words {

// "-23.9 LUFS", or "silent"; "not measured" for what the measure does not take.
std::string LoudnessText(const vox::Loudness& l);
// "-1.2 dBTP", or "no peak" for digital silence.
std::string PeakText(const vox::Loudness& l);
// "matched to -23.9 LUFS (+6.2 dB)", "+4.0 dB, limited by the peak: -26.1 LUFS, 2.2 dB below
// the old sound", or why it was taken as it is.
std::string MatchText(const vox::LoudnessMatch& m);
// "+6.2 dB", "-0.4 dB", "0.0 dB"
std::string GainText(double dB);

}  // namespace words
