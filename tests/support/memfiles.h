// Files in memory for the engine's tests and fuzzers: any call can be made to fail, reads can
// come short.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "engine/files.h"

namespace vox {

class MemFiles : public Files {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> locked;  // names that cannot be removed or replaced (read-only files)
    long failAt = 0;               // the call (counted from 1) that fails; 0 for none
    long calls = 0;                // calls made so far
    size_t readLimit = 0;          // when not 0, no read returns more than this
    bool replaceRefused = false;   // the one-step swap is refused, as some file systems do
    bool linksRefused = false;     // no hard links, as on FAT
    bool canExchange = false;      // two names change places in one step, as on Linux

    // Counts a call; true when this one is to fail.
    bool Fails() { return ++calls == failAt; }

    std::unique_ptr<Source> Open(const std::string& path) override;
    std::unique_ptr<Sink> CreateNew(const std::string& path) override;
    std::unique_ptr<Sink> CreateOrTruncate(const std::string& path) override;
    bool Exists(const std::string& path) override;
    bool Remove(const std::string& path) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool CanReplace(const std::string& path) override { return !locked.count(path); }
    bool Link(const std::string& from, const std::string& to) override;
    bool Exchange(const std::string& a, const std::string& b) override;
};

// A source over bytes held by the caller, failing through files when it is given.
class MemSource : public Source {
public:
    explicit MemSource(std::string bytes, MemFiles* files = nullptr) : bytes_(std::move(bytes)), files_(files) {}
    bool Size(uint64_t* size) override;
    int64_t ReadAt(uint64_t offset, void* data, size_t n) override;

private:
    std::string bytes_;
    MemFiles* files_;
};

}  // namespace vox
