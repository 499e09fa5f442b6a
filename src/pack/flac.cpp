#include "pack/flac.h"

#include <algorithm>
#include <cstring>

#include <sndfile.h>

#include "engine/samples.h"

namespace vox {

namespace {

// A file in memory for libsndfile's virtual I/O.
struct Memory {
    std::vector<uint8_t> bytes;
    const uint8_t* data = nullptr;  // reading: the caller's bytes
    size_t size = 0;
    sf_count_t at = 0;

    sf_count_t Length() const { return data ? (sf_count_t)size : (sf_count_t)bytes.size(); }
};

sf_count_t Length(void* m) { return static_cast<Memory*>(m)->Length(); }

sf_count_t Seek(sf_count_t offset, int whence, void* m)
{
    Memory& mem = *static_cast<Memory*>(m);
    sf_count_t to = whence == SEEK_SET ? offset : whence == SEEK_CUR ? mem.at + offset : mem.Length() + offset;
    if (to < 0)
        return -1;
    mem.at = to;
    return to;
}

sf_count_t Read(void* out, sf_count_t n, void* m)
{
    Memory& mem = *static_cast<Memory*>(m);
    sf_count_t left = std::max<sf_count_t>(0, mem.Length() - mem.at);
    n = std::min(n, left);
    if (n > 0)
        memcpy(out, (mem.data ? mem.data : mem.bytes.data()) + mem.at, (size_t)n);
    mem.at += n;
    return n;
}

sf_count_t Write(const void* in, sf_count_t n, void* m)
{
    Memory& mem = *static_cast<Memory*>(m);
    if (mem.data)
        return 0;
    if ((size_t)(mem.at + n) > mem.bytes.size())
        mem.bytes.resize((size_t)(mem.at + n));
    memcpy(mem.bytes.data() + mem.at, in, (size_t)n);
    mem.at += n;
    return n;
}

sf_count_t Tell(void* m) { return static_cast<Memory*>(m)->at; }

SF_VIRTUAL_IO kVirtual = {Length, Seek, Read, Write, Tell};

int SubformatFor(uint16_t bits)
{
    switch (bits) {
    case 8: return SF_FORMAT_PCM_S8;
    case 16: return SF_FORMAT_PCM_16;
    case 24: return SF_FORMAT_PCM_24;
    }
    return 0;
}

const size_t kFrames = 8192;  // frames per piece

void PutSample(int32_t v, unsigned bits, uint8_t* p)
{
    uint32_t u = (uint32_t)v;
    switch (bits) {
    case 8: p[0] = (uint8_t)((u >> 24) ^ 0x80); break;
    case 16: p[0] = (uint8_t)(u >> 16), p[1] = (uint8_t)(u >> 24); break;
    default: p[0] = (uint8_t)(u >> 8), p[1] = (uint8_t)(u >> 16), p[2] = (uint8_t)(u >> 24); break;
    }
}

}  // namespace

std::vector<uint8_t> EncodeFlac(const Format& f, const std::vector<uint8_t>& bytes)
{
    const int sub = SubformatFor(f.bits);
    const size_t frameBytes = (size_t)f.channels * f.bits / 8;
    if (!sub || f.tag != kPcm || f.channels == 0 || frameBytes == 0 || bytes.empty() || bytes.size() % frameBytes)
        return {};
    Memory mem;
    SF_INFO info = {};
    info.samplerate = (int)f.rate;
    info.channels = f.channels;
    info.format = SF_FORMAT_FLAC | sub;
    SNDFILE* file = sf_open_virtual(&kVirtual, SFM_WRITE, &info, &mem);
    if (!file)
        return {};
    double level = 1.0;  // the strongest compression: packs are made once and shared
    sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    const size_t frames = bytes.size() / frameBytes, sampleBytes = f.bits / 8u;
    std::vector<int32_t> piece;
    bool ok = true;
    for (size_t done = 0; ok && done < frames;) {
        size_t n = std::min(kFrames, frames - done);
        piece.resize(n * f.channels);
        const uint8_t* p = bytes.data() + done * frameBytes;
        for (size_t i = 0; i < piece.size(); i++, p += sampleBytes)
            piece[i] = Sample32At(p, f.bits / 8u);
        ok = sf_writef_int(file, piece.data(), (sf_count_t)n) == (sf_count_t)n;
        done += n;
    }
    if (sf_close(file) != 0 || !ok)
        return {};
    return std::move(mem.bytes);
}

bool DecodeFlac(const uint8_t* data, size_t size, const Format& f, size_t bytes, const std::function<uint8_t*()>& room)
{
    const int sub = SubformatFor(f.bits);
    const size_t frameBytes = (size_t)f.channels * f.bits / 8;
    if (!sub || frameBytes == 0 || bytes % frameBytes)
        return false;
    Memory mem;
    mem.data = data;
    mem.size = size;
    SF_INFO info = {};
    SNDFILE* file = sf_open_virtual(&kVirtual, SFM_READ, &info, &mem);
    if (!file)
        return false;
    const size_t frames = bytes / frameBytes, sampleBytes = f.bits / 8u;
    bool ok = info.format == (SF_FORMAT_FLAC | sub) && info.channels == f.channels && info.samplerate == (int)f.rate &&
              info.frames == (sf_count_t)frames;
    uint8_t* out = ok ? room() : nullptr;
    std::vector<int32_t> piece(kFrames * f.channels);
    size_t done = 0;
    while (ok) {
        // One piece more than the sound needs: a stream that goes on is refused, not read to its end.
        sf_count_t got = sf_readf_int(file, piece.data(), (sf_count_t)kFrames);
        if (got <= 0)
            break;
        if (done + (size_t)got > frames) {
            ok = false;
            break;
        }
        uint8_t* p = out + done * frameBytes;
        for (size_t i = 0; i < (size_t)got * f.channels; i++, p += sampleBytes)
            PutSample(piece[i], f.bits, p);
        done += (size_t)got;
    }
    ok = ok && done == frames && sf_error(file) == SF_ERR_NO_ERROR;
    sf_close(file);
    return ok;
}

}  // namespace vox
