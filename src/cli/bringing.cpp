#include "cli/bringing.h"

#include <CLI/CLI.hpp>

#include "cli/describe.h"
#include "cli/messages.h"
#include "disk/disk.h"
#include "words/wave.h"
#ifdef VOXBANK_CONVERT
#include "convert/convert.h"
#include "convert/loudness.h"
#include "convert/pcm.h"
#include "words/loudness.h"
#endif

namespace voxbank {

namespace {

vox::Sound ReadWaveFile(const std::string& file)
{
    std::unique_ptr<vox::Source> source = vox::Disk().Open(file);
    if (!source)
        Fail(file + ": Failed to open wave file");
    vox::Sound sound;
    vox::WaveError e = vox::ReadWave(*source, &sound);
    if (e != vox::WaveError::Ok)
        Fail(file + ": " + words::WaveErrorText(e));
    return sound;
}

#ifdef VOXBANK_CONVERT
bool BankUsesBits(const LoadedBank& b, uint16_t bits)
{
    for (const vox::Entry& e : b.bank.entries)
        if (e.bits == bits)
            return true;
    return false;
}

// The sound's own rate, channels and bits, as overridden.
vox::Format TargetFor(const LoadedBank& b, size_t n, const ConvertOptions& o)
{
    const vox::Entry& e = b.bank.entries[n];
    if (o.bits > 16 && !BankUsesBits(b, o.bits))
        Usage(b.path + ": --bits " + std::to_string(o.bits) + " only where the bank already stores " +
              std::to_string(o.bits) + "-bit sounds; it does not");
    vox::Format f = vox::PcmFormat(o.rate ? o.rate : (uint32_t)e.rate, o.channels ? o.channels : e.channels,
                                   o.bits ? o.bits : e.bits);
    if (!vox::IsSaneFormat(f))
        Fail(b.path + ": " + SoundLabel(b, n) + " is stored as " + FormatText(e) +
             ", which nothing can be converted to; give --rate, --channels and --bits");
    return f;
}
#endif

}  // namespace

void AddBringingIn(CLI::App* command, ConvertOptions* o, bool* noBackup)
{
    command->add_flag("--convert", o->convert,
                      "Take any audio file libsndfile reads (WAVE of any kind, FLAC, Ogg, MP3, AIFF...) and convert it "
                      "to the rate, channels and bits of the sound it replaces");
    command->add_option("--rate", o->rate, "With --convert: this rate in Hz instead")
        ->check(CLI::Range(1000, 384000))
        ->type_name("HZ");
    command->add_option("--channels", o->channels, "With --convert: this many channels instead")
        ->check(CLI::Range(1, 8))
        ->type_name("N");
    command->add_option("--bits", o->bits, "With --convert: 8 or 16 bits instead (24 and 32 where the bank has them)")
        ->check(CLI::IsMember({8, 16, 24, 32}))
        ->type_name("BITS");
    command->add_flag("--match-loudness", o->matchLoudness,
                      "Give each new sound the loudness (BS.1770 integrated, in LUFS) of the sound it replaces, as far "
                      "as a true peak of -1 dBTP allows");
    command->add_option("--loudness", o->loudness, "Give each new sound this loudness instead, in LUFS")
        ->check(CLI::Range(-70.0, 0.0))
        ->type_name("LUFS")
        ->each([o](const std::string&) { o->loudnessGiven = true; });
    command->add_flag("--no-backup", *noBackup,
                      "Delete the old bank instead of keeping it as BANK.bak (a backup already there stays as it is)");
}

void CheckConversion(const ConvertOptions& o)
{
#ifndef VOXBANK_CONVERT
    if (o.convert)
        Usage("--convert is not in this build of voxbank: it was made without libsndfile and libsoxr");
    if (o.Matching())
        Usage("--match-loudness and --loudness are not in this build of voxbank: it was made without libebur128");
#endif
    if (o.matchLoudness && o.loudnessGiven)
        Usage("--match-loudness and --loudness are two targets: give one");
    if (!o.convert && (o.rate || o.channels || o.bits))
        Usage("--rate, --channels and --bits go with --convert");
}

Brought BringSound(const std::string& file, const LoadedBank* b, size_t n, const ConvertOptions& o)
{
    Brought out;
    if (!o.convert) {
        out.sound = ReadWaveFile(file);
        return out;
    }
#ifdef VOXBANK_CONVERT
    const vox::Format target = TargetFor(*b, n, o);
    vox::Conversion c;
    if (o.Matching()) {  // measured as it is made, beside the conversion
        vox::LoudnessMeter meter(target, false);
        c = vox::ConvertAudioFile(file, target, INT32_MAX, {}, [&meter](const uint8_t* p, size_t size) { meter.Add(p, size); });
        out.loudness = meter.Finish();
    } else {
        c = vox::ConvertAudioFile(file, target, INT32_MAX);
    }
    if (!c.error.empty())
        Fail(file + ": " + c.error);
    out.sound = std::move(c.sound);
    out.from = vox::DescribeAudio(c.source);
#else
    (void)b, (void)n;
#endif
    return out;
}

void MatchBrought(Brought* s, const LoadedBank& b, size_t n, const ConvertOptions& o)
{
    if (!o.Matching())
        return;
#ifdef VOXBANK_CONVERT
    std::optional<double> target = o.loudness;
    if (o.matchLoudness) {
        const std::vector<uint8_t> old = StoredBytes(b, n);
        target = vox::MeasureLoudness(vox::FormatOf(b.bank.entries[n]), old.data(), old.size(), false).lufs;
    }
    s->match = words::MatchText(vox::MatchLoudness(&s->sound, target, o.matchLoudness, s->loudness ? &*s->loudness : nullptr));
#else
    (void)s, (void)b, (void)n;
#endif
}

std::string ChangeText(const LoadedBank& b, size_t n, const vox::Entry& was, const vox::Entry& now, const Brought& s)
{
    std::string text = SoundLabel(b, n) + ": ";
    if (s.from.empty())
        text += std::to_string(was.length) + " bytes " + FormatText(was) + " -> " + std::to_string(now.length) +
                " bytes " + FormatText(now);
    else
        text += ConvertedText(s.from, was, now);
    return s.match.empty() ? text : text + ", " + s.match;
}

}  // namespace voxbank
