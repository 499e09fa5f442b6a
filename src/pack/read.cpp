// Reading a pack: nothing in it is trusted until it is checked, and nothing is inflated past
// the size its sound needs.
#include <algorithm>
#include <cctype>
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

// The sound the entry's bytes decode to, checked against what the manifest says it is.
PackProblem Decode(const std::vector<uint8_t>& bytes, PackSound* s)
{
    const Entry& e = s->now.format;
    const size_t length = (size_t)e.length;
    s->sound = Sound();
    s->sound.format = FormatOf(e);
    s->sound.hadCbSize = true;  // the entry's extra size exactly, as the manifest gives it
    if (IsFlacEntry(s->entry)) {
        if (!DecodeFlac(bytes.data(), bytes.size(), s->sound.format, length, &s->sound.bytes))
            return {PackError::EntryDamaged, s->entry, s->number};
    } else {
        MemorySource source(bytes);
        Sound wave;
        if (ReadWave(source, &wave) != WaveError::Ok || !(wave.format == s->sound.format) ||
            wave.bytes.size() != length)
            return {PackError::EntryDamaged, s->entry, s->number};
        s->sound.bytes = std::move(wave.bytes);
    }
    if (Sha256Hex(s->sound.bytes.data(), s->sound.bytes.size()) != s->now.sha256)
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

// Every sound of the pack inflated and decoded, checked against its hash, by two workers: the
// entries are taken in order, one inflated at a time (the zip is read by one), and decoded side
// by side. The problem told is the first sound's that has one, as one worker would find it.
PackProblem DecodeSounds(zip_t* zip, std::map<std::string, zip_uint64_t>& entries, std::vector<PackSound>* sounds,
                         const PackProgress& progress)
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
                PackSound& s = (*sounds)[i];
                // FLAC never needs more than the samples and its frames' headers; a WAVE file its chunks.
                const uint64_t limit = (uint64_t)s.now.format.length + kWaveHeaderRoom + (uint64_t)s.now.format.length / 8;
                p = Inflate(zip, entries[s.entry], s.entry, limit, &bytes);
            }
            if (!p)
                p = Decode(bytes, &(*sounds)[i]);
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
    auto fail = [&](PackProblem p) {
        r.problem = std::move(p);
        return r;
    };
    if (size > kMaxPackBytes)
        return fail({PackError::TooLarge, "", 0});
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    zip_t* opened = source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    if (!opened) {
        std::string why = zip_error_strerror(&error);
        zip_error_fini(&error);
        if (source)
            zip_source_free(source);
        return fail({PackError::NotZip, why, 0});
    }
    zip_error_fini(&error);
    ZipPtr zip(opened);

    std::map<std::string, zip_uint64_t> entries;
    if (PackProblem p = ListEntries(zip.get(), &entries))
        return fail(p);
    auto manifest = entries.find(kManifestName);
    if (manifest == entries.end())
        return fail({PackError::NoManifest, "", 0});
    std::vector<uint8_t> bytes;
    if (PackProblem p = Inflate(zip.get(), manifest->second, kManifestName, kMaxManifestBytes, &bytes))
        return fail(p);
    if (PackProblem p = ParseManifest(std::string(bytes.begin(), bytes.end()), &r.pack))
        return fail(p);
    std::sort(r.pack.sounds.begin(), r.pack.sounds.end(),
              [](const PackSound& a, const PackSound& b) { return a.number < b.number; });
    if (PackProblem p = CheckSounds(r.pack, entries))
        return fail(p);
    if (listOnly)
        return r;

    if (PackProblem p = DecodeSounds(zip.get(), entries, &r.pack.sounds, progress))
        return fail(p);
    return r;
}

ReadPack ReadPackFile(Files& files, const std::string& path, bool listOnly, const PackProgress& progress)
{
    ReadPack r;
    std::unique_ptr<Source> file = files.Open(path);
    uint64_t size = 0;
    if (!file || !file->Size(&size)) {
        r.problem = {PackError::Open, "", 0};
        return r;
    }
    if (size > kMaxPackBytes) {
        r.problem = {PackError::TooLarge, "", 0};
        return r;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize((size_t)size);
    } catch (const std::bad_alloc&) {
        r.problem = {PackError::NoMemory, "", 0};
        return r;
    }
    if (!ReadExactly(*file, 0, bytes.data(), bytes.size())) {
        r.problem = {PackError::Read, "", 0};
        return r;
    }
    return ReadPackBytes(bytes.data(), bytes.size(), listOnly, progress);
}

}  // namespace vox
