#include "convert/convert.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sndfile.h>
#include <soxr.h>

#include "convert/pcm.h"

namespace vox {

namespace {

const sf_count_t kChunkFrames = 16384;

std::string KindOf(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: return "WAVE";
    case SF_FORMAT_WAVEX: return "WAVE (extensible)";
    case SF_FORMAT_FLAC: return "FLAC";
    case SF_FORMAT_MPEG: return "MP3";
    case SF_FORMAT_AIFF: return "AIFF";
    case SF_FORMAT_CAF: return "CAF";
    case SF_FORMAT_W64: return "W64";
    case SF_FORMAT_OGG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "Ogg Opus" : "Ogg Vorbis";
    }
    SF_FORMAT_INFO info = {};
    info.format = format & SF_FORMAT_TYPEMASK;
    return sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name ? info.name : "audio";
}

// The bits of integer PCM, 0 for anything else.
unsigned PcmBits(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    }
    return 0;
}

std::string EncodingOf(int format)
{
    if (unsigned bits = PcmBits(format))
        return std::to_string(bits) + "-bit";
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT: return "32-bit float";
    case SF_FORMAT_DOUBLE: return "64-bit float";
    case SF_FORMAT_ULAW: return "u-law";
    case SF_FORMAT_ALAW: return "A-law";
    case SF_FORMAT_IMA_ADPCM: return "IMA ADPCM";
    case SF_FORMAT_MS_ADPCM: return "MS ADPCM";
    }
    return "";
}

// Feeds pieces through the resampler, when the rates differ, and the quantizer into bytes.
class Pipeline {
public:
    Pipeline(uint32_t from, const Format& to, bool exact, std::vector<uint8_t>* out)
        : channels_(to.channels), quantizer_(to.bits, exact), out_(out)
    {
        if (from == to.rate)
            return;
        soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
        // Double precision: the Linux and Windows builds of libsoxr then store the same bytes;
        // in single precision a few samples of a sound round the other way.
        soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, SOXR_DOUBLE_PRECISION);
        soxr_error_t error = nullptr;
        resampler_ = soxr_create(from, to.rate, channels_, &error, &io, &quality, nullptr);
        ratio_ = (double)to.rate / from;
        if (error)
            error_ = error;
    }
    ~Pipeline() { soxr_delete(resampler_); }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    const std::string& Error() const { return error_; }

    // frames of the target's channels; none at the end, to flush the resampler.
    void Push(const double* samples, size_t frames)
    {
        if (!resampler_) {
            quantizer_.Append(samples, frames * channels_, out_);
            return;
        }
        piece_.resize((size_t)(frames * ratio_ + 64) * channels_);
        const size_t olen = piece_.size() / channels_;
        do {
            size_t used = 0, made = 0;
            soxr_error_t error = soxr_process(resampler_, samples, frames, &used, piece_.data(), olen, &made);
            if (error) {
                error_ = error;
                return;
            }
            quantizer_.Append(piece_.data(), made * channels_, out_);
            if (samples)
                samples += used * channels_;
            frames -= used;
            if (made == 0 && (!samples || used == 0))
                break;  // flushed, or nothing more it will take
        } while (frames > 0 || !samples);
    }

private:
    unsigned channels_;
    Quantizer quantizer_;
    std::vector<uint8_t>* out_;
    soxr_t resampler_ = nullptr;
    double ratio_ = 1;
    std::vector<double> piece_;
    std::string error_;
};

}  // namespace

std::string DescribeAudio(const AudioInfo& a)
{
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%.2f s", a.rate ? (double)a.frames / a.rate : 0.0);
    return a.kind + " " + std::to_string(a.channels) + "ch " + std::to_string(a.rate) + " Hz" +
           (a.encoding.empty() ? "" : " " + a.encoding) + ", " + seconds;
}

// libsndfile's reason alone means little to someone who only chose a file.
static std::string Unreadable(const char* reason)
{
    return std::string("not a sound file Voxmend can read (") + reason + ")";
}

Conversion ConvertAudioFile(const std::string& path, const Format& target, uint64_t maxBytes,
                            const ConvertProgress& progress, const ConvertMade& made)
{
    Conversion c;
    SF_INFO info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        c.error = Unreadable(sf_strerror(nullptr));
        return c;
    }
    c.source = {KindOf(info.format), EncodingOf(info.format), (uint32_t)info.samplerate, (uint16_t)info.channels,
                info.frames > 0 ? (uint64_t)info.frames : 0};
    const unsigned from = (unsigned)info.channels, to = target.channels;
    const unsigned bits = PcmBits(info.format);
    const bool exact = bits && bits <= target.bits && (uint32_t)info.samplerate == target.rate && from == to;
    std::vector<uint8_t>& out = c.sound.bytes;
    // The length the file announces, as far as the bank could take it: one allocation, not a
    // doubling at every step (an announced length may be wrong, so this is only a hint).
    if (info.frames > 0)
        out.reserve((size_t)std::min<double>((double)info.frames * target.rate / info.samplerate * target.blockAlign + 64,
                                             (double)maxBytes + 1));
    Pipeline pipeline((uint32_t)info.samplerate, target, exact, &out);
    size_t handed = 0;
    auto hand = [&] {
        if (made && out.size() > handed && out.size() <= maxBytes)
            made(out.data() + handed, out.size() - handed);
        handed = out.size();
    };
    std::vector<double> in((size_t)kChunkFrames * from), mixed;
    sf_count_t got;
    uint64_t done = 0;
    while (pipeline.Error().empty() && out.size() <= maxBytes && (got = sf_readf_double(file, in.data(), kChunkFrames)) > 0) {
        if (from == to) {
            pipeline.Push(in.data(), (size_t)got);
        } else {
            MixChannels(in.data(), (size_t)got, from, to, &mixed);
            pipeline.Push(mixed.data(), (size_t)got);
        }
        hand();
        done += (uint64_t)got;
        if (progress)
            progress(done, c.source.frames);
    }
    if (pipeline.Error().empty() && out.size() <= maxBytes) {
        pipeline.Push(nullptr, 0);
        hand();
    }
    if (sf_error(file) != SF_ERR_NO_ERROR)
        c.error = Unreadable(sf_strerror(file));
    sf_close(file);
    if (c.error.empty() && !pipeline.Error().empty())
        c.error = "cannot be resampled: " + pipeline.Error();
    else if (c.error.empty() && out.size() > maxBytes)
        c.error = "is too long for a bank once converted";
    else if (c.error.empty() && out.empty())
        c.error = "holds no audio";
    c.sound.format = target;
    if (!c.error.empty())
        c.sound = Sound();
    return c;
}

std::vector<AudioType> ReadableTypes()
{
    // The extensions files of a kind go by where libsndfile names another.
    const struct {
        int format;
        const char* more;
    } aliases[] = {{SF_FORMAT_OGG, "ogg opus"}, {SF_FORMAT_MPEG, "mp3 mp2"}, {SF_FORMAT_AIFF, "aif aifc"}};
    std::vector<AudioType> types;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; i++) {
        SF_FORMAT_INFO info = {};
        info.format = i;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) != 0 || !info.name || !info.extension ||
            (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RAW)
            continue;
        AudioType t{info.name, {info.extension}};
        for (const auto& a : aliases) {
            if (a.format != (info.format & SF_FORMAT_TYPEMASK))
                continue;
            std::string more = a.more;
            for (size_t at = 0; at < more.size();) {
                size_t end = std::min(more.find(' ', at), more.size());
                t.extensions.push_back(more.substr(at, end - at));
                at = end + 1;
            }
        }
        types.push_back(std::move(t));
    }
    return types;
}

}  // namespace vox
