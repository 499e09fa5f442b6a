// Making a pack: the differing sounds, each as FLAC where that decodes to its bytes exactly,
// WAVE otherwise, and the manifest, in a zip made in memory.
#include "pack/pack.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <nettle/sha2.h>
#include <zip.h>

#include "engine/export.h"
#include "pack/flac.h"
#include "pack/manifest.h"

namespace vox {

bool SameShape(const Entry& x, const Entry& y)
{
    return x.length == y.length && x.format == y.format && x.channels == y.channels && x.rate == y.rate &&
           x.avgBytes == y.avgBytes && x.blockAlign == y.blockAlign && x.bits == y.bits && x.extra == y.extra;
}

bool operator==(const SoundFacts& a, const SoundFacts& b)
{
    return SameShape(a.format, b.format) && a.sha256 == b.sha256;
}

namespace {

std::string Hex(sha256_ctx* ctx)
{
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(ctx, sizeof digest, digest);
    std::string hex;
    for (uint8_t b : digest) {
        char two[3];
        snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

}  // namespace

std::string Sha256Hex(const uint8_t* data, size_t n)
{
    sha256_ctx ctx;
    sha256_init(&ctx);
    // nettle takes a size_t; pieces keep a 32-bit build's sizes in range all the same
    for (size_t done = 0; done < n;) {
        size_t piece = std::min(n - done, kPieceSize);
        sha256_update(&ctx, piece, data + done);
        done += piece;
    }
    return Hex(&ctx);
}

bool Sha256OfFile(Source& file, std::string* hex)
{
    sha256_ctx ctx;
    sha256_init(&ctx);
    std::vector<uint8_t> piece(kPieceSize);
    for (uint64_t at = 0;;) {
        int64_t got = file.ReadAt(at, piece.data(), piece.size());
        if (got < 0)
            return false;
        if (got == 0)
            break;
        sha256_update(&ctx, (size_t)got, piece.data());
        at += (uint64_t)got;
    }
    *hex = Hex(&ctx);
    return true;
}

SoundFacts FactsOf(const Entry& e, const uint8_t* bytes)
{
    SoundFacts f;
    f.format = e;
    f.format.offset = 0;
    f.sha256 = Sha256Hex(bytes, e.length > 0 ? (size_t)e.length : 0);
    return f;
}

namespace {

bool ReadWhole(const NamedBank& b, size_t n, std::vector<uint8_t>* out)
{
    const Entry& e = b.bank.entries[n];
    if (e.length < 0 || !SoundInFile(e, b.bank.fileSize))
        return false;
    out->assign((size_t)e.length, 0);
    return ReadSound(*b.file, e, out->data());
}

bool SameFormat(const Entry& a, const Entry& b)
{
    Entry x = a, y = b;
    x.offset = y.offset = 0;
    return x == y;
}

// The entry's name: extract's name for the sound, bytes beyond ASCII made '_' so that every zip
// tool shows the same name.
std::string EntryName(size_t n, const std::string& name, bool flac)
{
    std::string file = ExtractedName(n, name.empty() ? nullptr : &name);
    if (flac)
        file = file.substr(0, file.size() - 4) + ".flac";
    for (char& c : file)
        if ((unsigned char)c >= 0x80)
            c = '_';
    return kSoundsFolder + file;
}

// The zip in memory: entries added, then its bytes.
class ZipWriter {
public:
    ZipWriter()
    {
        zip_error_init(&error_);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error_);
        if (source_)
            zip_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error_);
        if (source_ && !zip_) {
            zip_source_free(source_);
            source_ = nullptr;
        }
        if (zip_)
            zip_source_keep(source_);  // the zip's bytes stay readable after it is closed
    }
    ~ZipWriter()
    {
        if (zip_)
            zip_discard(zip_);
        if (source_)
            zip_source_free(source_);
        zip_error_fini(&error_);
    }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // data must live until Finish.
    bool Add(const std::string& name, const void* data, size_t size, bool deflate)
    {
        if (!zip_)
            return false;
        zip_source_t* s = zip_source_buffer(zip_, data, size, 0);
        if (!s)
            return false;
        zip_int64_t i = zip_file_add(zip_, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        if (i < 0) {
            zip_source_free(s);
            return false;
        }
        // FLAC is compressed already: stored, any zip tool plays it at once.
        return zip_set_file_compression(zip_, (zip_uint64_t)i, deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 9) == 0;
    }

    bool Finish(std::vector<uint8_t>* out)
    {
        if (!zip_)
            return false;
        int closed = zip_close(zip_);
        if (closed != 0)
            return false;
        zip_ = nullptr;
        zip_stat_t st;
        if (zip_source_open(source_) != 0)
            return false;
        bool ok = zip_source_stat(source_, &st) == 0 && (st.valid & ZIP_STAT_SIZE);
        if (ok) {
            out->resize((size_t)st.size);
            ok = zip_source_read(source_, out->data(), st.size) == (zip_int64_t)st.size;
        }
        zip_source_close(source_);
        return ok;
    }

private:
    zip_error_t error_;
    zip_source_t* source_ = nullptr;
    zip_t* zip_ = nullptr;
};

}  // namespace

MadePack MakePack(const NamedBank& modded, const NamedBank& original, const PackRequest& request,
                  const PackProgress& progress)
{
    MadePack made;
    Pack& pack = made.pack;
    auto fail = [&](PackError e, size_t sound = 0, const char* which = "") {
        made.problem = {e, which, sound};
        made.zip.clear();
        return made;
    };
    const size_t count = modded.bank.entries.size();
    if (count != original.bank.entries.size() || modded.bank.storedCount != original.bank.storedCount)
        return fail(PackError::NotSameBank);
    pack.name = request.name;
    pack.description = request.description;
    pack.madeBy = request.madeBy;
    pack.baseFile = request.baseFile;
    pack.baseSounds = count;
    if (!Sha256OfFile(*original.file, &pack.baseSha256))
        return fail(PackError::BankRead, 0, "original");

    std::vector<std::vector<uint8_t>> data;  // each entry's bytes, alive until the zip is made
    std::vector<uint8_t> was, now;
    for (size_t n = 0; n < count; n++) {
        if (progress)
            progress(n, count);
        if (!ReadWhole(modded, n, &now))
            return fail(PackError::BankRead, n, "modded");
        if (!ReadWhole(original, n, &was))
            return fail(PackError::BankRead, n, "original");
        const Entry& e = modded.bank.entries[n];
        if (SameFormat(e, original.bank.entries[n]) && now == was)
            continue;
        if (!IsSaneFormat(FormatOf(e)) || e.extra < 0 || e.extra > 0xFFFF || now.empty())
            return fail(PackError::NotStorable, n);
        PackSound s;
        s.number = n;
        if (modded.hasIndex)
            s.name = modded.index.names[n];
        else if (original.hasIndex)
            s.name = original.index.names[n];
        s.base = FactsOf(original.bank.entries[n], was.data());
        s.now = FactsOf(e, now.data());
        std::vector<uint8_t> flac = EncodeFlac(FormatOf(e), now);
        std::vector<uint8_t> back(now.size());
        const bool asFlac = !flac.empty() && flac.size() < now.size() &&
                            DecodeFlac(flac.data(), flac.size(), FormatOf(e), now.size(), [&back] { return back.data(); }) &&
                            back == now;
        s.entry = EntryName(n, s.name, asFlac);
        if (asFlac) {
            data.push_back(std::move(flac));
        } else {
            std::vector<uint8_t> wave = WaveHeaderFor(e);
            wave.insert(wave.end(), now.begin(), now.end());
            if (now.size() & 1)
                wave.push_back(0);  // RIFF's pad byte
            data.push_back(std::move(wave));
        }
        made.flac.push_back(asFlac);
        pack.sounds.push_back(std::move(s));
    }
    if (progress)
        progress(count, count);
    if (pack.sounds.empty())
        return fail(PackError::NothingDiffers);

    const std::string manifest = ManifestText(pack);
    ZipWriter zip;
    bool ok = zip.Add(kManifestName, manifest.data(), manifest.size(), true);
    for (size_t i = 0; ok && i < pack.sounds.size(); i++)
        ok = zip.Add(pack.sounds[i].entry, data[i].data(), data[i].size(), !made.flac[i]);
    if (!ok || !zip.Finish(&made.zip))
        return fail(PackError::Zip);
    return made;
}

PackProblem SavePack(Files& files, const std::string& path, const std::vector<uint8_t>& bytes)
{
    const bool existing = files.Exists(path);
    const std::string part = path + ".part";
    std::unique_ptr<Sink> out = files.CreateOrTruncate(part);
    if (!out)
        return {PackError::Create, part, 0};
    bool ok = out->Write(bytes.data(), bytes.size()) && out->Flush();
    ok = out->Close() && ok;
    out.reset();
    if (!ok) {
        files.Remove(part);
        return {PackError::Write, part, 0};
    }
    if (!(existing ? files.Replace(part, path) : files.Rename(part, path))) {
        files.Remove(part);
        return {PackError::Rename, path, 0};
    }
    return {};
}

}  // namespace vox
