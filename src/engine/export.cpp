#include "engine/export.h"

#include <cstdio>
#include <cstring>

#include "engine/wave.h"

namespace vox {

namespace {

bool UnsafeInFileName(unsigned char c)
{
    return c < 32 || c == 127 || strchr("<>:\"/\\|?*", c) != nullptr;
}

}  // namespace

std::string ExtractedName(size_t sound, const std::string* name)
{
    char number[24];
    snprintf(number, sizeof number, "%03zu", sound);
    std::string out = number;
    if (name && !name->empty()) {
        out += '-';
        for (char c : *name)
            out += UnsafeInFileName((unsigned char)c) ? '_' : c;
    }
    return out + ".wav";
}

ExportResult ExportWaveFile(Files& files, Source& bank, const Entry& e, const std::string& path, bool overwrite,
                            size_t pieceSize)
{
    ExportResult result;
    const bool replacing = files.Exists(path);
    const std::string target = replacing ? path + ".part" : path;
    auto fail = [&](BankError error, const std::string& at) {
        result.error = error;
        if (error != BankError::Short && error != BankError::Read)
            result.failedPath = at;
        return result;
    };
    if (replacing && !overwrite)
        return fail(BankError::InTheWay, path);
    std::unique_ptr<Sink> out = replacing ? files.CreateOrTruncate(target) : files.CreateNew(target);
    if (!out)
        return fail(BankError::Create, target);
    BankError error = ExportWave(bank, e, *out, pieceSize);
    if (!out->Close() && error == BankError::Ok)
        error = BankError::Write;
    out.reset();
    if (error != BankError::Ok) {
        files.Remove(target);
        return fail(error, target);
    }
    if (replacing && !files.ReplaceQuickly(target, path)) {
        files.Remove(target);
        return fail(BankError::RenameFailed, path);
    }
    return result;
}

}  // namespace vox
