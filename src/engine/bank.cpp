// Tarn sound banks: reading the header and directory, sounds and index names.
#include "engine/bank.h"

#include "engine/bytes.h"
#include "engine/paths.h"

#include <cstring>

namespace vox {

bool operator==(const Format& a, const Format& b)
{
    return a.tag == b.tag && a.channels == b.channels && a.rate == b.rate && a.avgBytes == b.avgBytes &&
           a.blockAlign == b.blockAlign && a.bits == b.bits && a.cbSize == b.cbSize;
}

bool IsSaneFormat(const Format& f)
{
    bool bitsKnown = f.bits == 8 || f.bits == 16 || f.bits == 24 || f.bits == 32;
    return f.tag == kPcm && f.channels >= 1 && f.channels <= 8 && bitsKnown && f.rate >= 1000 && f.rate <= 384000 &&
           f.blockAlign == f.channels * f.bits / 8 && (uint64_t)f.avgBytes == (uint64_t)f.rate * f.blockAlign;
}

bool operator==(const Entry& a, const Entry& b)
{
    return a.length == b.length && a.offset == b.offset && a.format == b.format && a.channels == b.channels &&
           a.rate == b.rate && a.avgBytes == b.avgBytes && a.blockAlign == b.blockAlign && a.bits == b.bits &&
           a.extra == b.extra;
}

Entry DecodeEntry(const uint8_t* p)
{
    Entry e;
    e.length = (int32_t)Get32(p);
    e.offset = (int32_t)Get32(p + 4);
    e.format = Get16(p + 8);
    e.channels = Get16(p + 10);
    e.rate = (int32_t)Get32(p + 12);
    e.avgBytes = (int32_t)Get32(p + 16);
    e.blockAlign = Get16(p + 20);
    e.bits = Get16(p + 22);
    e.extra = (int32_t)Get32(p + 24);
    return e;
}

void EncodeEntry(const Entry& e, uint8_t* p)
{
    Put32(p, (uint32_t)e.length);
    Put32(p + 4, (uint32_t)e.offset);
    Put16(p + 8, e.format);
    Put16(p + 10, e.channels);
    Put32(p + 12, (uint32_t)e.rate);
    Put32(p + 16, (uint32_t)e.avgBytes);
    Put16(p + 20, e.blockAlign);
    Put16(p + 22, e.bits);
    Put32(p + 24, (uint32_t)e.extra);
}

Format FormatOf(const Entry& e)
{
    Format f;
    f.tag = e.format;
    f.channels = e.channels;
    f.rate = (uint32_t)e.rate;
    f.avgBytes = (uint32_t)e.avgBytes;
    f.blockAlign = e.blockAlign;
    f.bits = e.bits;
    f.cbSize = (uint16_t)(e.extra & 0xFFFF);
    return f;
}

bool SameDirectory(const Bank& a, const Bank& b)
{
    return memcmp(a.header, b.header, kHeaderSize) == 0 && a.entries == b.entries;
}

void SetFormat(Entry* e, const Format& f, bool hadCbSize)
{
    e->format = f.tag;
    e->channels = f.channels;
    e->rate = (int32_t)f.rate;
    e->avgBytes = (int32_t)f.avgBytes;
    e->blockAlign = f.blockAlign;
    e->bits = f.bits;
    e->extra = hadCbSize ? f.cbSize : 0;
}

BankError ReadBank(Source& file, Bank* bank)
{
    *bank = Bank();
    if (!file.Size(&bank->fileSize))
        return BankError::Read;
    if (bank->fileSize < kHeaderSize)
        return BankError::Short;
    if (!ReadExactly(file, 0, bank->header, kHeaderSize))
        return BankError::Read;
    bank->storedCount = Get32(bank->header);
    uint32_t count = bank->storedCount < kMaxSounds ? bank->storedCount : kMaxSounds;
    if (bank->fileSize < kHeaderSize + (uint64_t)kEntrySize * count)
        return BankError::Short;
    std::vector<uint8_t> directory((size_t)kEntrySize * count);
    if (count > 0 && !ReadExactly(file, kHeaderSize, directory.data(), directory.size()))
        return BankError::Read;
    bank->entries.reserve(count);
    for (uint32_t i = 0; i < count; i++)
        bank->entries.push_back(DecodeEntry(&directory[(size_t)kEntrySize * i]));
    return BankError::Ok;
}

std::vector<BankError> LayoutProblems(const Bank& bank)
{
    std::vector<BankError> problems;
    if (bank.storedCount != bank.entries.size())
        problems.push_back(BankError::CountDiffers);
    int64_t expect = kHeaderSize + (int64_t)kEntrySize * (int64_t)bank.entries.size();
    for (const Entry& e : bank.entries) {
        if (e.length < 0 || e.offset != expect) {
            problems.push_back(BankError::NotBackToBack);
            break;
        }
        expect += e.length;
    }
    int64_t end = kHeaderSize + (int64_t)kEntrySize * (int64_t)bank.entries.size();
    for (const Entry& e : bank.entries)
        if (e.length > 0 && e.offset >= 0 && (int64_t)e.offset + e.length > end)
            end = (int64_t)e.offset + e.length;
    if ((uint64_t)end > bank.fileSize)
        problems.push_back(BankError::EndsEarly);
    return problems;
}

BankError LayoutProblem(const Bank& bank)
{
    std::vector<BankError> problems = LayoutProblems(bank);
    return problems.empty() ? BankError::Ok : problems.front();
}

bool SoundInFile(const Entry& e, uint64_t fileSize)
{
    return e.offset >= 0 && e.length >= 0 && (uint64_t)e.offset + (uint64_t)e.length <= fileSize;
}

uint32_t BytesHeld(const Entry& e, uint64_t fileSize)
{
    if (e.offset < 0 || e.length <= 0 || (uint64_t)e.offset >= fileSize)
        return 0;
    if (SoundInFile(e, fileSize))
        return (uint32_t)e.length;
    uint64_t held = fileSize - (uint64_t)e.offset;
    if (e.blockAlign > 1)
        held -= held % e.blockAlign;
    return (uint32_t)held;
}

bool ReadSound(Source& file, const Entry& e, uint8_t* out)
{
    if (e.length <= 0)
        return e.length == 0;
    memset(out, 0, (size_t)e.length);
    if (e.offset < 0)
        return false;
    return ReadExactly(file, (uint64_t)e.offset, out, (size_t)e.length);
}

std::string IndexFileName(const std::string& bankName)
{
    size_t dot = bankName.find('.');
    if (dot == std::string::npos)
        return bankName;
    return bankName.substr(0, dot + 1) + "txt";
}

std::string IndexPathFor(const std::string& bankPath)
{
    return FolderOf(bankPath) + IndexFileName(NameOf(bankPath));
}

namespace {

// The index file's bytes one at a time, read in pieces; a read error ends it as its end does.
class ByteReader {
public:
    explicit ByteReader(Source& file) : file_(file) {}
    bool Next(char* c)
    {
        if (pos_ == end_) {
            int64_t got = ended_ ? 0 : file_.ReadAt(offset_, buffer_, sizeof buffer_);
            if (got <= 0) {
                ended_ = true;
                return false;
            }
            offset_ += (uint64_t)got;
            pos_ = 0;
            end_ = (size_t)got;
        }
        *c = buffer_[pos_++];
        return true;
    }

private:
    Source& file_;
    char buffer_[4096];
    uint64_t offset_ = 0;
    size_t pos_ = 0, end_ = 0;
    bool ended_ = false;
};

// One name into line; false when the file ended before any byte of a new line.
bool ReadLine(ByteReader& in, std::string* line)
{
    std::string name;
    for (;;) {
        char c;
        if (!in.Next(&c)) {
            if (name.empty())
                return false;
            break;
        }
        if (c == '\r') {
            // CR LF ends the line; a lone CR is dropped together with the byte after it
            if (!in.Next(&c)) {
                if (name.empty())
                    return false;
                break;
            }
            if (c == '\n')
                break;
        } else if (c == '\n') {
            break;
        } else if (name.size() == kNameLength) {
            break;  // an overlong line loses this character; the rest is the next name
        } else {
            name += c;
        }
    }
    *line = name;
    return true;
}

}  // namespace

IndexNames ReadIndexNames(Source& index, size_t count)
{
    IndexNames result;
    ByteReader in(index);
    std::string name = "(unnamed)";
    result.names.reserve(count);
    for (size_t i = 0; i < count; i++) {
        if (ReadLine(in, &name))
            result.lines++;
        result.names.push_back(name);
    }
    return result;
}

BankError OpenBankWithIndex(Files& files, const std::string& path, NamedBank* out)
{
    out->file = files.Open(path);
    if (!out->file)
        return BankError::Open;
    BankError e = ReadBank(*out->file, &out->bank);
    if (e != BankError::Ok)
        return e;
    ReadIndexBeside(files, path, out);
    return BankError::Ok;
}

void ReadIndexBeside(Files& files, const std::string& path, NamedBank* b)
{
    b->indexPath = IndexPathFor(path);
    std::unique_ptr<Source> index = files.Open(b->indexPath);
    b->hasIndex = index != nullptr;
    if (index)
        b->index = ReadIndexNames(*index, b->bank.entries.size());
}

}  // namespace vox
