// Reading a pack: nothing in it is trusted until it is checked, and nothing is inflated past
// the size its sound needs.
#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include <zip.h>

#include "engine/bytes.h"
#include "pack/flac.h"
#include "pack/manifest.h"
#include "pack/pack.h"

namespace vox {

namespace {

constexpr uint64_t kMaxPackBytes = 0x7FFFFFFF;  // no bank can take more
constexpr uint64_t kMaxManifestBytes = 1 << 20;
// A pack decoded beside a rewrite gets the room of all its sounds at once, up to this.
constexpr uint64_t kMaxRoomPerPackByte = 32;
constexpr uint64_t kMaxRoomAlways = 16 << 20;
constexpr uint64_t kWaveHeaderRoom = 0x11000;  // a WAVE entry's chunks beside its samples, the longest format too

// A source over bytes in memory, for the engine's WAVE reader.
class MemorySource : public Source {
public:
    explicit MemorySource(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool Size(uint64_t* size) override
    {
        *size = bytes_.size();
        return true;
    }
    int64_t ReadAt(uint64_t offset, void* data, size_t n) override
    {
        if (offset >= bytes_.size())
            return 0;
        n = (size_t)std::min<uint64_t>(n, bytes_.size() - offset);
        std::copy_n(bytes_.data() + offset, n, static_cast<uint8_t*>(data));
        return (int64_t)n;
    }

private:
    const std::vector<uint8_t>& bytes_;
};

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

std::string Lower(std::string s)
{
    for (char& c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

// Reads the entry's bytes, refused once they pass limit, whatever the zip says of them.
PackProblem Inflate(zip_t* zip, zip_uint64_t index, const std::string& name, uint64_t limit, std::vector<uint8_t>* out)
{
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        return {PackError::EntryDamaged, name, 0};
    if (st.size > limit)
        return {PackError::EntryTooLarge, name, 0};
    zip_file_t* file = zip_fopen_index(zip, index, 0);
    if (!file)
        return {PackError::EntryDamaged, name, 0};
    out->assign((size_t)st.size + 1, 0);
    zip_int64_t got = zip_fread(file, out->data(), out->size());
    zip_fclose(file);
    if (got > (zip_int64_t)st.size)
        return {PackError::EntryTooLarge, name, 0};
    if (got != (zip_int64_t)st.size)
        return {PackError::EntryDamaged, name, 0};
    out->resize((size_t)st.size);
    return {};
}

// The format a sound is stored in, and the room it decodes into: all its manifest says of it.
void ShapeSound(PackSound* s)
{
    const Entry& e = s->now.format;
    s->sound = Sound();
    s->sound.format = FormatOf(e);
    s->sound.hadCbSize = true;  // the entry's extra size exactly, as the manifest gives it
    s->sound.bytes.assign((size_t)e.length, 0);
}

// The entry's bytes decoded into the sound's room, and checked against the manifest's hash.
// Unless shaped already, the room is made once the entry is known to hold what the manifest
// says; when shaped, nothing but the room's bytes is touched: a rewrite may be reading its size.
PackProblem Decode(const std::vector<uint8_t>& bytes, PackSound* s, bool shaped)
{
    const Format format = FormatOf(s->now.format);
    const size_t length = (size_t)s->now.format.length;
    auto room = [&] {
        if (!shaped)
            ShapeSound(s);
        return s->sound.bytes.data();
    };
    try {
        if (IsFlacEntry(s->entry)) {
            if (!DecodeFlac(bytes.data(), bytes.size(), format, length, room))
                return {PackError::EntryDamaged, s->entry, s->number};
        } else {
            MemorySource source(bytes);
            Sound wave;
            if (ReadWave(source, &wave) != WaveError::Ok || !(wave.format == format) || wave.bytes.size() != length)
                return {PackError::EntryDamaged, s->entry, s->number};
            std::copy(wave.bytes.begin(), wave.bytes.end(), room());
        }
    } catch (const std::bad_alloc&) {
        return {PackError::NoMemory, s->entry, s->number};
    }
    if (Sha256Hex(s->sound.bytes.data(), length) != s->now.sha256)
        return {PackError::HashWrong, s->entry, s->number};
    return {};
}

// The zip's entries by name: every name checked, none twice.
PackProblem ListEntries(zip_t* zip, std::map<std::string, zip_uint64_t>* entries)
{
    zip_int64_t count = zip_get_num_entries(zip, 0);
    std::set<std::string> seen;  // in any case: Windows would take two names differing in case for one
    for (zip_int64_t i = 0; i < count; i++) {
        const char* raw = zip_get_name(zip, (zip_uint64_t)i, ZIP_FL_ENC_RAW);
        if (!raw)
            return {PackError::NotZip, "", 0};
        const std::string name = raw;
        if (name == kSoundsFolder)
            continue;  // a folder entry, as zip tools add one
        if (name != kManifestName && !IsSoundEntryName(name))
            return {PackError::BadEntryName, name, 0};
        if (!seen.insert(Lower(name)).second)
            return {PackError::DuplicateEntry, name, 0};
        (*entries)[name] = (zip_uint64_t)i;
    }
    return {};
}

// What the manifest says of its sounds, held against itself and the zip.
PackProblem CheckSounds(const Pack& pack, const std::map<std::string, zip_uint64_t>& entries)
{
    std::set<size_t> numbers;
    std::set<std::string> named;
    for (const PackSound& s : pack.sounds) {
        if (!IsSoundEntryName(s.entry))
            return {PackError::BadEntryName, s.entry, s.number};
        if (!numbers.insert(s.number).second)
            return {PackError::SoundTwice, "", s.number};
        if (!named.insert(s.entry).second)
            return {PackError::DuplicateEntry, s.entry, s.number};
        if (!entries.count(s.entry))
            return {PackError::MissingEntry, s.entry, s.number};
        const Entry& e = s.now.format;
        if (e.length <= 0 || !IsSaneFormat(FormatOf(e)) || e.extra < 0 || e.extra > 0xFFFF)
            return {PackError::ManifestWrong, "format of " + s.entry, s.number};
    }
    for (const auto& [name, index] : entries)
        if (name != kManifestName && !named.count(name))
            return {PackError::StrayEntry, name, 0};
    return {};
}

// A pack opened from its bytes, which must outlive it: its zip, and its entries by name.
struct OpenedPack {
    ZipPtr zip;
    std::map<std::string, zip_uint64_t> entries;

    // The sound's entry inflated, refused past what its sound can need: FLAC never needs more
    // than the samples and its frames' headers, a WAVE file its chunks.
    PackProblem InflateSound(const PackSound& s, std::vector<uint8_t>* out)
    {
        const uint64_t limit = (uint64_t)s.now.format.length + kWaveHeaderRoom + (uint64_t)s.now.format.length / 8;
        return Inflate(zip.get(), entries[s.entry], s.entry, limit, out);
    }
};

// The zip opened and listed, the manifest read, and both held against each other.
PackProblem OpenPack(const uint8_t* data, size_t size, OpenedPack* opened, Pack* pack)
{
    if (size > kMaxPackBytes)
        return {PackError::TooLarge, "", 0};
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!zip) {
        std::string why = zip_error_strerror(&error);
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        return {PackError::NotZip, why, 0};
    }
    zip_error_fini(&error);
    opened->zip.reset(zip);
    if (PackProblem p = ListEntries(zip, &opened->entries))
        return p;
    auto manifest = opened->entries.find(kManifestName);
    if (manifest == opened->entries.end())
        return {PackError::NoManifest, "", 0};
    std::vector<uint8_t> bytes;
    if (PackProblem p = Inflate(zip, manifest->second, kManifestName, kMaxManifestBytes, &bytes))
        return p;
    if (PackProblem p = ParseManifest(std::string(bytes.begin(), bytes.end()), pack))
        return p;
    std::sort(pack->sounds.begin(), pack->sounds.end(),
              [](const PackSound& a, const PackSound& b) { return a.number < b.number; });
    return CheckSounds(*pack, opened->entries);
}

// Every sound of the pack inflated and decoded, checked against its hash, by two workers: the
// entries are taken in order, one inflated at a time (the zip is read by one), and decoded side
// by side. The problem told is the first sound's that has one, as one worker would find it.
PackProblem DecodeSounds(OpenedPack& opened, std::vector<PackSound>* sounds, const PackProgress& progress)
{
    const size_t count = sounds->size();
    std::vector<PackProblem> problems(count);
    std::mutex reading;
    size_t next = 0, done = 0;
    bool failed = false;
    auto work = [&](bool tells) {
        std::vector<uint8_t> bytes;
        for (;;) {
            size_t i;
            PackProblem p;
            if (tells && progress) {
                std::unique_lock<std::mutex> hold(reading);
                const size_t now = done;
                hold.unlock();
                progress(now, count);
            }
            {
                std::lock_guard<std::mutex> hold(reading);
                if (failed || next == count)
                    return;
                i = next++;
                p = opened.InflateSound((*sounds)[i], &bytes);
            }
            if (!p)
                p = Decode(bytes, &(*sounds)[i], false);
            std::lock_guard<std::mutex> hold(reading);
            if (p) {
                p.sound = (*sounds)[i].number;
                problems[i] = p;
                failed = true;
            }
            done++;
        }
    };
    std::thread beside(work, false);
    work(true);
    beside.join();
    for (const PackProblem& p : problems)
        if (p)
            return p;
    if (progress)
        progress(count, count);
    return {};
}

}  // namespace

ReadPack ReadPackBytes(const uint8_t* data, size_t size, bool listOnly, const PackProgress& progress)
{
    ReadPack r;
    OpenedPack opened;
    r.problem = OpenPack(data, size, &opened, &r.pack);
    if (!r.problem && !listOnly)
        r.problem = DecodeSounds(opened, &r.pack.sounds, progress);
    return r;
}

namespace {

// The pack file's bytes, refused when it is larger than any pack can be.
PackProblem ReadPackBytesOf(Files& files, const std::string& path, std::vector<uint8_t>* bytes)
{
    std::unique_ptr<Source> file = files.Open(path);
    uint64_t size = 0;
    if (!file || !file->Size(&size))
        return {PackError::Open, "", 0};
    if (size > kMaxPackBytes)
        return {PackError::TooLarge, "", 0};
    try {
        bytes->resize((size_t)size);
    } catch (const std::bad_alloc&) {
        return {PackError::NoMemory, "", 0};
    }
    if (!ReadExactly(*file, 0, bytes->data(), bytes->size()))
        return {PackError::Read, "", 0};
    return {};
}

}  // namespace

ReadPack ReadPackFile(Files& files, const std::string& path, bool listOnly, const PackProgress& progress)
{
    ReadPack r;
    std::vector<uint8_t> bytes;
    r.problem = ReadPackBytesOf(files, path, &bytes);
    return r.problem ? r : ReadPackBytes(bytes.data(), bytes.size(), listOnly, progress);
}

struct PacksDecoding::Work {
    std::vector<std::vector<uint8_t>> files;
    std::vector<OpenedPack> opened;
    std::vector<Pack> packs;
    std::map<const Sound*, size_t> order;  // each sound's place in the decoding
    std::mutex lock;
    std::condition_variable progressed;
    size_t whole = 0;  // the sounds decoded and checked so far, in order
    bool failed = false, stop = false;
    std::thread thread;

    void Run()
    {
        std::vector<uint8_t> bytes;
        for (size_t p = 0; p < packs.size(); p++)
            for (PackSound& s : packs[p].sounds) {
                {
                    std::lock_guard<std::mutex> hold(lock);
                    if (stop)
                        return;
                }
                const bool good = !opened[p].InflateSound(s, &bytes) && !Decode(bytes, &s, true);
                {
                    std::lock_guard<std::mutex> hold(lock);
                    if (good)
                        whole++;
                    else
                        failed = true;
                }
                progressed.notify_all();
                if (!good)
                    return;
            }
    }

    // Waits until the first count sounds are whole, or one of them is not.
    bool WaitFor(size_t count)
    {
        std::unique_lock<std::mutex> hold(lock);
        progressed.wait(hold, [&] { return whole >= count || failed; });
        return whole >= count;
    }
};

PacksDecoding::PacksDecoding() = default;

PacksDecoding::~PacksDecoding()
{
    if (!work_ || !work_->thread.joinable())
        return;
    {
        std::lock_guard<std::mutex> hold(work_->lock);
        work_->stop = true;
    }
    work_->thread.join();
}

bool PacksDecoding::Start(Files& files, const std::vector<std::string>& paths)
{
    work_ = std::make_unique<Work>();
    Work& w = *work_;
    w.files.resize(paths.size());
    w.opened.resize(paths.size());
    w.packs.resize(paths.size());
    for (size_t p = 0; p < paths.size(); p++)
        if (ReadPackBytesOf(files, paths[p], &w.files[p]) ||
            OpenPack(w.files[p].data(), w.files[p].size(), &w.opened[p], &w.packs[p]))
            return false;
    // All the room at once, before any entry is known to fill it: only as much as packs of
    // recorded sound would, else the packs are read in full, each sound's room made once there.
    uint64_t room = 0, packBytes = 0;
    for (const std::vector<uint8_t>& file : w.files)
        packBytes += file.size();
    try {
        for (Pack& pack : w.packs)
            for (PackSound& s : pack.sounds) {
                if ((room += (uint64_t)s.now.format.length) > kMaxRoomPerPackByte * packBytes + kMaxRoomAlways)
                    return false;
                ShapeSound(&s);
                w.order[&s.sound] = w.order.size();
            }
    } catch (const std::bad_alloc&) {
        return false;
    }
    w.thread = std::thread([&w] { w.Run(); });
    return true;
}

const std::vector<Pack>& PacksDecoding::Packs() const
{
    return work_->packs;
}

bool PacksDecoding::Whole(const Sound* sound)
{
    auto at = work_->order.find(sound);
    return at != work_->order.end() && work_->WaitFor(at->second + 1);
}

bool PacksDecoding::AllWhole()
{
    return work_->WaitFor(work_->order.size());
}

}  // namespace vox
