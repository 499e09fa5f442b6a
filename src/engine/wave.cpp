// RIFF WAVE files: a bounded chunk walk for reading, a plain header for writing.
#include "engine/wave.h"

#include "engine/bytes.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vox {

namespace {

// Appends to a byte vector.
struct Writer {
    std::vector<uint8_t>& out;
    void Byte(uint8_t b) { out.push_back(b); }
    void U16(uint16_t v) { Byte((uint8_t)v), Byte((uint8_t)(v >> 8)); }
    void U32(uint32_t v) { U16((uint16_t)v), U16((uint16_t)(v >> 16)); }
    void Id(const char* id) { for (int i = 0; i < 4; i++) Byte((uint8_t)id[i]); }
};

struct Chunk {
    uint64_t body = 0;  // where its bytes start
    uint32_t size = 0;  // as declared
};

// Looks for the chunk id among the chunks from `from` to `end`. A chunk whose declared size
// passes `end` ends the search: nothing behind it can be trusted.
bool FindChunk(Source& file, uint64_t from, uint64_t end, const char* id, Chunk* found)
{
    uint64_t pos = from;
    while (pos + 8 <= end) {
        uint8_t head[8];
        if (!ReadExactly(file, pos, head, sizeof head))
            return false;
        uint32_t size = Get32(head + 4);
        if (memcmp(head, id, 4) == 0) {
            found->body = pos + 8;
            found->size = size;
            return true;
        }
        uint64_t next = pos + 8 + size + (size & 1);
        if (next > end)
            return false;
        pos = next;
    }
    return false;
}

// The RIFF chunk of form WAVE among the top-level chunks; others before it are skipped.
bool FindWaveForm(Source& file, uint64_t fileSize, uint64_t* body, uint64_t* end)
{
    uint64_t pos = 0;
    while (pos + 12 <= fileSize) {
        uint8_t head[12];
        if (!ReadExactly(file, pos, head, sizeof head))
            return false;
        uint32_t size = Get32(head + 4);
        if (memcmp(head, "RIFF", 4) == 0 && memcmp(head + 8, "WAVE", 4) == 0) {
            *body = pos + 12;
            *end = std::min<uint64_t>(fileSize, pos + 8 + (uint64_t)size);
            return true;
        }
        pos += 8 + (uint64_t)size + (size & 1);
    }
    return false;
}

}  // namespace

WaveError ReadWave(Source& file, Sound* sound, const std::function<bool(const Format&)>& playable)
{
    *sound = Sound();
    uint64_t fileSize = 0, body = 0, end = 0;
    if (!file.Size(&fileSize) || !FindWaveForm(file, fileSize, &body, &end))
        return WaveError::NotRiff;

    Chunk fmt;
    if (!FindChunk(file, body, end, "fmt ", &fmt))
        return WaveError::NoFormat;
    const uint32_t pcmSize = 16, fullSize = 18;  // up to wBitsPerSample; with cbSize
    uint8_t f[fullSize] = {};
    uint32_t want = std::min(fmt.size, fullSize);
    if (fmt.size < pcmSize || fmt.body + want > fileSize || !ReadExactly(file, fmt.body, f, want))
        return WaveError::BadFormatChunk;
    Format& format = sound->format;
    format.tag = Get16(f);
    format.channels = Get16(f + 2);
    format.rate = Get32(f + 4);
    format.avgBytes = Get32(f + 8);
    format.blockAlign = Get16(f + 12);
    format.bits = Get16(f + 14);
    sound->hadCbSize = fmt.size >= fullSize;
    format.cbSize = sound->hadCbSize ? Get16(f + 16) : 0;
    if (format.tag != kPcm)
        return WaveError::NotPcm;
    if (!IsSaneFormat(format) || (playable && !playable(format)))
        return WaveError::Insane;

    Chunk data;
    if (!FindChunk(file, fmt.body + fmt.size + (fmt.size & 1), end, "data", &data))
        return WaveError::NoData;
    if (data.size == 0)
        return WaveError::EmptyData;
    if (data.body + data.size > fileSize)
        return WaveError::ReadData;
    try {
        sound->bytes.resize(data.size);
    } catch (const std::bad_alloc&) {
        return WaveError::NoMemory;
    }
    if (!ReadExactly(file, data.body, sound->bytes.data(), data.size)) {
        sound->bytes.clear();
        return WaveError::ReadData;
    }
    return WaveError::Ok;
}

std::vector<uint8_t> WaveHeaderFor(const Entry& e)
{
    uint16_t extra = (uint16_t)(e.extra & 0xFFFF);
    uint32_t fmtSize = extra ? 18u + extra : 16u;  // the extra bytes themselves were never stored: zeros
    uint32_t length = e.length > 0 ? (uint32_t)e.length : 0;
    uint32_t riffSize = 4 + 8 + fmtSize + (fmtSize & 1) + 8 + length + (length & 1);
    std::vector<uint8_t> h;
    Writer w{h};
    w.Id("RIFF");
    w.U32(riffSize);
    w.Id("WAVE");
    w.Id("fmt ");
    w.U32(fmtSize);
    w.U16(e.format);
    w.U16(e.channels);
    w.U32((uint32_t)e.rate);
    w.U32((uint32_t)e.avgBytes);
    w.U16(e.blockAlign);
    w.U16(e.bits);
    if (extra) {
        w.U16(extra);
        h.resize(h.size() + extra + (fmtSize & 1), 0);
    }
    w.Id("data");
    w.U32(length);
    return h;
}

BankError ExportWave(Source& bank, const Entry& e, Sink& out, size_t pieceSize)
{
    uint64_t fileSize = 0;
    if (!bank.Size(&fileSize))
        return BankError::Read;
    if (!SoundInFile(e, fileSize))
        return BankError::Short;
    std::vector<uint8_t> header = WaveHeaderFor(e);
    if (!out.Write(header.data(), header.size()))
        return BankError::Write;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(std::max<size_t>(1, std::min<size_t>(pieceSize, (size_t)e.length)));
    } catch (const std::bad_alloc&) {
        return BankError::NoMemory;
    }
    uint64_t offset = (uint64_t)e.offset, left = (uint64_t)e.length;
    while (left > 0) {
        size_t want = (size_t)std::min<uint64_t>(left, buffer.size());
        int64_t got = bank.ReadAt(offset, buffer.data(), want);
        if (got < 0)
            return BankError::Read;
        if (got == 0)
            return BankError::Short;
        if (!out.Write(buffer.data(), (size_t)got))
            return BankError::Write;
        offset += (uint64_t)got, left -= (uint64_t)got;
    }
    if (e.length & 1) {
        uint8_t pad = 0;
        if (!out.Write(&pad, 1))
            return BankError::Write;
    }
    return BankError::Ok;
}

}  // namespace vox
