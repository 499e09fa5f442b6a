// The engine's only way to files. The shells hand it the real disk; tests and fuzzers hand
// it files in memory that can fail at any call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vox {

// Every piece of a file read, written or copied at once is at most this large.
constexpr size_t kPieceSize = 1000000;

// A file open for reading.
class Source {
public:
    virtual ~Source() = default;
    virtual bool Size(uint64_t* size) = 0;
    // Reads up to n bytes at offset: the count read, 0 at the end, -1 on an error.
    virtual int64_t ReadAt(uint64_t offset, void* data, size_t n) = 0;
};

// A new file being written from its start.
class Sink {
public:
    virtual ~Sink() = default;
    virtual bool Write(const void* data, size_t n) = 0;  // all n bytes, or false
    virtual bool Flush() = 0;                            // down to the disk
    virtual bool Close() = 0;
};

class Files {
public:
    virtual ~Files() = default;
    virtual std::unique_ptr<Source> Open(const std::string& path) = 0;
    // Creates path, which must not exist yet.
    virtual std::unique_ptr<Sink> CreateNew(const std::string& path) = 0;
    // Creates path, or empties it when it exists.
    virtual std::unique_ptr<Sink> CreateOrTruncate(const std::string& path) = 0;
    virtual bool Exists(const std::string& path) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // Puts from in to's place in one step: to never goes missing, even if it exists.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    // The same without waiting for the disk, for files that need not outlive a power cut
    // (extracted sounds).
    virtual bool ReplaceQuickly(const std::string& from, const std::string& to) { return Replace(from, to); }
    // A plain rename; to must not exist.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Whether path can be put out of its place at all: Windows refuses read-only files.
    virtual bool CanReplace(const std::string&) { return true; }
    // A second name for the file at from; false where the file system has no hard links.
    virtual bool Link(const std::string& from, const std::string& to) = 0;
    // a and b change places in one step; false, with nothing changed, where the system cannot.
    virtual bool Exchange(const std::string&, const std::string&) { return false; }
};

}  // namespace vox
