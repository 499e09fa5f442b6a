#include "builders.h"

#include <cstdlib>

#include "memfiles.h"

namespace vox::test {

std::string Le16(uint16_t v)
{
    return std::string{(char)(v & 0xFF), (char)(v >> 8)};
}

std::string Le32(uint32_t v)
{
    return Le16((uint16_t)(v & 0xFFFF)) + Le16((uint16_t)(v >> 16));
}

Format Pcm(uint16_t channels, uint32_t rate, uint16_t bits)
{
    Format f;
    f.tag = kPcm, f.channels = channels, f.rate = rate, f.bits = bits;
    f.blockAlign = (uint16_t)(channels * bits / 8);
    f.avgBytes = rate * f.blockAlign;
    return f;
}

Format FormatFor(const TestSound& s)
{
    Format f = Pcm(s.channels, s.rate, s.bits);
    f.cbSize = (uint16_t)(s.extra & 0xFFFF);
    return f;
}

Entry EntryFor(const TestSound& s, int32_t offset)
{
    Entry e;
    SetFormat(&e, FormatFor(s), true);
    e.extra = s.extra;
    e.length = (int32_t)s.data.size();
    e.offset = offset;
    return e;
}

std::vector<TestSound> Sounds(const std::vector<size_t>& sizes, int seed)
{
    std::vector<TestSound> out;
    uint32_t x = (uint32_t)seed * 2654435761u + 1;
    for (size_t i = 0; i < sizes.size(); i++) {
        TestSound s;
        s.rate = 11025 + 1000 * (uint32_t)i;
        s.data.resize(sizes[i]);
        for (char& c : s.data) {
            x = x * 1103515245u + 12345u;
            c = (char)(x >> 16);
        }
        out.push_back(s);
    }
    return out;
}

std::string BankBytes(const std::vector<TestSound>& sounds, const std::string& tail)
{
    std::string out = Le32((uint32_t)sounds.size()) + std::string("Tarn bank\0\0\0", 12);
    int32_t offset = (int32_t)(kHeaderSize + kEntrySize * sounds.size());
    for (const TestSound& s : sounds) {
        uint8_t e[kEntrySize];
        EncodeEntry(EntryFor(s, offset), e);
        out.append(reinterpret_cast<const char*>(e), sizeof e);
        offset += (int32_t)s.data.size();
    }
    for (const TestSound& s : sounds)
        out += s.data;
    return out + tail;
}

uint32_t Get32(const std::string& s, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; i--)
        v = v << 8 | (uint8_t)s[at + (size_t)i];
    return v;
}

std::string SplicedBank(const std::string& bank, size_t sound, const Sound& with)
{
    size_t at = kHeaderSize + kEntrySize * sound;
    uint32_t length = Get32(bank, at), offset = Get32(bank, at + 4), count = Get32(bank, 0);
    uint32_t moved = (uint32_t)with.bytes.size() - length;
    const Format& f = with.format;
    std::string out = bank;
    out.replace(at, kEntrySize, Le32((uint32_t)with.bytes.size()) + Le32(offset) + Le16(f.tag) + Le16(f.channels) +
                                    Le32(f.rate) + Le32(f.avgBytes) + Le16(f.blockAlign) + Le16(f.bits) +
                                    Le32(with.hadCbSize ? f.cbSize : 0));
    for (size_t i = sound + 1; i < count && i < kMaxSounds; i++) {
        size_t later = kHeaderSize + kEntrySize * i + 4;
        out.replace(later, 4, Le32(Get32(bank, later) + moved));
    }
    return out.replace(offset, length, std::string(with.bytes.begin(), with.bytes.end()));
}

Bank Loaded(const std::string& bytes)
{
    MemSource source(bytes);
    Bank bank;
    if (ReadBank(source, &bank) != BankError::Ok)
        abort();  // the test's own bank: the test is wrong
    return bank;
}

Sound NewSound(size_t n, int seed)
{
    Sound s{Pcm(2, 22050, 16), false, {}};
    for (size_t i = 0; i < n; i++)
        s.bytes.push_back((uint8_t)(i * 13 + 5 + seed));
    return s;
}

std::string IndexText(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& n : names)
        out += n + "\r\n";
    return out;
}

std::string Chunk(const std::string& id, const std::string& body)
{
    std::string out = id + Le32((uint32_t)body.size()) + body;
    if (body.size() & 1)
        out += '\0';
    return out;
}

std::string WaveBytes(const WaveLayout& w)
{
    uint16_t align = (uint16_t)(w.channels * w.bits / 8);
    std::string fmt = Le16(w.tag) + Le16(w.channels) + Le32(w.rate) + Le32(w.rate * align) + Le16(align) + Le16(w.bits);
    if (w.fmtSize >= 18)
        fmt += Le16(w.cbSize);
    fmt.resize(w.fmtSize, '\0');
    std::string body = "WAVE" + w.before + Chunk("fmt ", fmt) + w.between + Chunk("data", w.data) + w.after;
    return "RIFF" + Le32((uint32_t)body.size()) + body;
}

}  // namespace vox::test
