// The rewrite: the old bank streamed through one buffer into new.sfx, the replacements spliced
// in, every call checked, and the new bank put in the old one's place in one step.
#include "engine/rewrite.h"

#include "engine/backup.h"
#include "engine/paths.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vox {

namespace {

// Sorted by sound; false when one names no sound, names one twice, or could not be stored.
bool CheckReplacements(std::vector<Replacement>& reps, size_t count)
{
    std::sort(reps.begin(), reps.end(), [](const Replacement& a, const Replacement& b) { return a.sound < b.sound; });
    for (size_t i = 0; i < reps.size(); i++) {
        const Replacement& r = reps[i];
        if (r.sound >= count || !r.with || (i > 0 && reps[i - 1].sound == r.sound))
            return false;
        if (!IsSaneFormat(r.with->format) || r.with->bytes.empty() || r.with->bytes.size() > INT32_MAX)
            return false;
    }
    return !reps.empty();
}

class Writer {
public:
    Writer(Source& from, Sink& to, std::vector<uint8_t>& buffer, uint64_t total, const Progress& progress)
        : from_(from), to_(to), buffer_(buffer), total_(total), progress_(progress) {}

    BankError Write(const void* data, size_t n)
    {
        if (n > 0 && !to_.Write(data, n))
            return BankError::Write;
        done_ += n;
        return BankError::Ok;
    }

    void Report(Step step)
    {
        if (progress_)
            progress_(step, done_, total_);
    }

    // Copies exactly n bytes of the old bank from offset.
    BankError Copy(uint64_t offset, uint64_t n, Step step)
    {
        while (n > 0) {
            Report(step);
            int64_t got = Piece(offset, (size_t)std::min<uint64_t>(n, buffer_.size()));
            if (got < 0)
                return (BankError)-got;
            if (got == 0)
                return BankError::Short;
            offset += (uint64_t)got, n -= (uint64_t)got;
        }
        return BankError::Ok;
    }

    // Copies from offset to the old bank's end, a piece at a time until one comes short there:
    // a read may come short anywhere before it.
    BankError CopyToEnd(uint64_t offset, uint64_t end, Step step)
    {
        int64_t got;
        do {
            Report(step);
            got = Piece(offset, buffer_.size());
            if (got < 0)
                return (BankError)-got;
            offset += (uint64_t)got;
        } while ((size_t)got == buffer_.size() || (got > 0 && offset < end));
        return offset < end ? BankError::Short : BankError::Ok;
    }

private:
    // One piece: the bytes copied, or a negated error.
    int64_t Piece(uint64_t offset, size_t want)
    {
        int64_t got = from_.ReadAt(offset, buffer_.data(), want);
        if (got < 0)
            return -(int64_t)BankError::Read;
        if (Write(buffer_.data(), (size_t)got) != BankError::Ok)
            return -(int64_t)BankError::Write;
        return got;
    }

    Source& from_;
    Sink& to_;
    std::vector<uint8_t>& buffer_;
    uint64_t total_;
    uint64_t done_ = 0;
    const Progress& progress_;
};

BankError WriteNewBank(Writer& out, const Bank& old, const std::vector<Entry>& directory,
                       const std::vector<Replacement>& reps, const Ready& ready)
{
    BankError e = out.Write(old.header, kHeaderSize);
    if (e != BankError::Ok)
        return e;
    out.Report(Step::Header);
    std::vector<uint8_t> bytes(directory.size() * kEntrySize);
    for (size_t i = 0; i < directory.size(); i++)
        EncodeEntry(directory[i], &bytes[i * kEntrySize]);
    if ((e = out.Write(bytes.data(), bytes.size())) != BankError::Ok)
        return e;

    uint64_t pos = kHeaderSize + (uint64_t)kEntrySize * directory.size();
    for (const Replacement& r : reps) {
        const Entry& was = old.entries[r.sound];
        if ((e = out.Copy(pos, (uint64_t)was.offset - pos, Step::Prior)) != BankError::Ok)
            return e;
        out.Report(Step::NewData);
        if (ready && !ready(r.with))
            return BankError::Abandoned;
        if ((e = out.Write(r.with->bytes.data(), r.with->bytes.size())) != BankError::Ok)
            return e;
        pos = (uint64_t)was.offset + (uint64_t)was.length;
    }
    // Whatever lies behind the last replacement, other sounds or bytes behind them all, is kept.
    if (reps.back().sound + 1 < old.entries.size() || pos < old.fileSize)
        return out.CopyToEnd(pos, old.fileSize, Step::Post);
    return BankError::Ok;
}

}  // namespace

std::vector<Entry> CorrectedDirectory(const std::vector<Entry>& entries, const std::vector<Replacement>& replacements)
{
    std::vector<Entry> out = entries;
    for (const Replacement& r : replacements) {
        Entry& e = out[r.sound];
        uint32_t moved = (uint32_t)((int64_t)r.with->bytes.size() - e.length);
        e.length = (int32_t)r.with->bytes.size();
        SetFormat(&e, r.with->format, r.with->hadCbSize);
        for (size_t i = r.sound + 1; i < out.size(); i++)
            out[i].offset = (int32_t)((uint32_t)out[i].offset + moved);
    }
    return out;
}

RewriteResult Rewrite(Files& files, const std::string& bankPath, const Bank& loaded,
                      std::vector<Replacement> replacements, Backup backup, size_t pieceSize,
                      const Progress& progress, const LastCheck& lastCheck, const Ready& ready)
{
    RewriteResult result;
    result.newPath = FolderOf(bankPath) + kNewBankName;
    auto fail = [&](BankError e) {
        result.error = e;
        return result;
    };
    if (!CheckReplacements(replacements, loaded.entries.size()) || pieceSize == 0)
        return fail(BankError::BadRequest);
    if (files.Exists(result.newPath))
        return fail(BankError::InTheWay);
    std::unique_ptr<Source> old = files.Open(bankPath);
    if (!old)
        return fail(BankError::Open);
    Bank disk;
    BankError e = ReadBank(*old, &disk);
    if (e == BankError::Short || (e == BankError::Ok && !SameDirectory(disk, loaded)))
        return fail(BankError::ChangedOnDisk);
    if (e != BankError::Ok)
        return fail(e);
    if ((e = LayoutProblem(disk)) != BankError::Ok)
        return fail(e);
    int64_t newSize = (int64_t)disk.fileSize;
    for (const Replacement& r : replacements)
        newSize += (int64_t)r.with->bytes.size() - disk.entries[r.sound].length;
    if (newSize > INT32_MAX)
        return fail(BankError::TooLarge);

    std::vector<uint8_t> buffer;
    try {
        buffer.resize(pieceSize);
    } catch (const std::bad_alloc&) {
        return fail(BankError::NoMemory);
    }
    std::vector<Entry> directory = CorrectedDirectory(disk.entries, replacements);
    std::unique_ptr<Sink> sink = files.CreateNew(result.newPath);
    if (!sink)
        return fail(BankError::Create);
    Writer out(*old, *sink, buffer, (uint64_t)newSize, progress);
    e = WriteNewBank(out, disk, directory, replacements, ready);
    if (e == BankError::Ok && !sink->Flush())
        e = BankError::Flush;
    if (!sink->Close() && e == BankError::Ok)
        e = BankError::Write;
    sink.reset();
    old.reset();
    if (e == BankError::Ok && lastCheck && !lastCheck())
        e = BankError::Abandoned;
    if (e != BankError::Ok) {
        files.Remove(result.newPath);
        return fail(e);
    }

    // Kept before the swap, and kept whether or not the swap takes the first way.
    result.backupKept = backup == Backup::Keep && KeepBackup(files, bankPath);
    if (!files.Replace(result.newPath, bankPath)) {
        if (!files.Remove(bankPath))
            return fail(BankError::DeleteRefused);
        if (!files.Rename(result.newPath, bankPath))
            return fail(BankError::RenameFailed);
    }
    result.bank = disk;
    result.bank.entries = directory;
    result.bank.fileSize = (uint64_t)newSize;
    return result;
}

}  // namespace vox
