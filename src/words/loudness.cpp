#include "words/loudness.h"

#include <cmath>
#include <cstdio>

namespace words {

namespace {

// One decimal, never "-0.0".
std::string OneDecimal(double x)
{
    char text[32];
    snprintf(text, sizeof text, "%.1f", std::abs(x) < 0.05 ? 0.0 : x);
    return text;
}

}  // namespace

std::string LoudnessText(const vox::Loudness& l)
{
    if (!l.measurable)
        return "not measured";
    return l.lufs ? OneDecimal(*l.lufs) + " LUFS" : "silent";
}

std::string PeakText(const vox::Loudness& l)
{
    if (!l.measurable)
        return "not measured";
    return std::isfinite(l.truePeak) ? OneDecimal(l.truePeak) + " dBTP" : "no peak";
}

std::string GainText(double dB)
{
    std::string text = OneDecimal(dB);
    return (text[0] == '-' || text == "0.0" ? "" : "+") + text + " dB";
}

std::string MatchText(const vox::LoudnessMatch& m)
{
    using Outcome = vox::LoudnessMatch::Outcome;
    const char* what = m.toOldSound ? "the old sound" : "the target";
    switch (m.outcome) {
    case Outcome::Matched:
        return "matched to " + OneDecimal(m.reached) + " LUFS (" + GainText(m.gain) + ")";
    case Outcome::Limited:
        return GainText(m.gain) + ", limited by the peak: " + OneDecimal(m.reached) + " LUFS, " +
               OneDecimal(m.target - m.reached) + " dB below " + what;
    case Outcome::Silent:
        return "silent, so taken as it is (no gain)";
    case Outcome::NoTarget:
        return "taken as it is: the old sound is silent or cannot be measured, so there is no loudness to match";
    case Outcome::NotMeasurable:
        break;
    }
    return "taken as it is: its loudness cannot be measured";
}

}  // namespace words
