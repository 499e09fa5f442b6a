#include "memfiles.h"

#include <algorithm>
#include <cstring>

namespace vox {

namespace {

class MemSink : public Sink {
public:
    MemSink(MemFiles& files, std::string path) : files_(files), path_(std::move(path)) {}
    bool Write(const void* data, size_t n) override
    {
        if (files_.Fails() || closed_)
            return false;
        files_.files[path_].append(static_cast<const char*>(data), n);
        return true;
    }
    bool Flush() override { return !files_.Fails() && !closed_; }
    bool Close() override
    {
        closed_ = true;
        return !files_.Fails();
    }

private:
    MemFiles& files_;
    std::string path_;
    bool closed_ = false;
};

}  // namespace

bool MemSource::Size(uint64_t* size)
{
    if (files_ && files_->Fails())
        return false;
    *size = bytes_.size();
    return true;
}

int64_t MemSource::ReadAt(uint64_t offset, void* data, size_t n)
{
    if (files_ && files_->Fails())
        return -1;
    if (offset >= bytes_.size())
        return 0;
    size_t got = std::min<uint64_t>(n, bytes_.size() - offset);
    if (files_ && files_->readLimit)
        got = std::min(got, files_->readLimit);
    memcpy(data, bytes_.data() + offset, got);
    return (int64_t)got;
}

std::unique_ptr<Source> MemFiles::Open(const std::string& path)
{
    auto it = files.find(path);
    if (Fails() || it == files.end())
        return nullptr;
    return std::make_unique<MemSource>(it->second, this);
}

std::unique_ptr<Sink> MemFiles::CreateNew(const std::string& path)
{
    if (Fails() || files.count(path))
        return nullptr;
    files[path];
    return std::make_unique<MemSink>(*this, path);
}

std::unique_ptr<Sink> MemFiles::CreateOrTruncate(const std::string& path)
{
    if (Fails() || locked.count(path))
        return nullptr;
    files[path].clear();
    return std::make_unique<MemSink>(*this, path);
}

bool MemFiles::Exists(const std::string& path)
{
    return files.count(path) > 0;
}

bool MemFiles::Remove(const std::string& path)
{
    if (Fails() || locked.count(path))
        return false;
    return files.erase(path) > 0;
}

bool MemFiles::Replace(const std::string& from, const std::string& to)
{
    if (Fails() || replaceRefused || locked.count(to) || !files.count(from))
        return false;
    files[to] = std::move(files[from]);
    files.erase(from);
    return true;
}

bool MemFiles::Rename(const std::string& from, const std::string& to)
{
    if (Fails() || files.count(to) || !files.count(from))
        return false;
    files[to] = std::move(files[from]);
    files.erase(from);
    return true;
}

// A link is a copy here: nothing in the engine writes to a file once it has a second name.
bool MemFiles::Link(const std::string& from, const std::string& to)
{
    if (Fails() || linksRefused || files.count(to) || !files.count(from))
        return false;
    files[to] = files[from];
    return true;
}

bool MemFiles::Exchange(const std::string& a, const std::string& b)
{
    if (Fails() || !canExchange || locked.count(a) || locked.count(b) || !files.count(a) || !files.count(b))
        return false;
    std::swap(files[a], files[b]);
    return true;
}

}  // namespace vox
