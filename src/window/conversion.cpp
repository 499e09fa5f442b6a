// Voxmend: any audio file converted to a sound's stored format, through the conversion voxbank
// uses; a build without its libraries says so.
#include "window/conversion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "window/messages.h"
#include "window/openbank.h"
#include "words/sounds.h"
#ifdef VOXMEND_CONVERT
#include "convert/convert.h"
#include "convert/pcm.h"
#endif

#ifdef VOXMEND_CONVERT

BOOL CanConvert()
{
    return TRUE;
}

BOOL ConversionBuilt()
{
    return TRUE;
}

static const std::vector<vox::AudioType>& Types()
{
    static const std::vector<vox::AudioType> types = vox::ReadableTypes();
    return types;
}

static std::string Patterns(const std::vector<std::string>& extensions)
{
    std::string out;
    for (const std::string& e : extensions)
        out += (out.empty() ? "*." : ";*.") + e;
    return out;
}

std::string AudioFilters()
{
    std::vector<std::string> every;
    for (const vox::AudioType& t : Types())
        for (const std::string& e : t.extensions)
            if (std::find(every.begin(), every.end(), e) == every.end())
                every.push_back(e);
    std::string filters = "Audio Files Voxmend Converts" + std::string(1, '\0') + Patterns(every) + '\0';
    for (const vox::AudioType& t : Types())
        filters += t.name + " (" + Patterns(t.extensions) + ")" + '\0' + Patterns(t.extensions) + '\0';
    return filters;
}

BOOL IsAudioFileName(const char* path)
{
    const char* dot = strrchr(path, '.');
    if (!dot || strpbrk(dot, "\\/"))
        return FALSE;
    for (const vox::AudioType& t : Types())
        for (const std::string& e : t.extensions)
            if (_stricmp(dot + 1, e.c_str()) == 0)
                return TRUE;
    return FALSE;
}

// What the file's size and last change are, to tell a file changed since it was converted.
struct FileStamp {
    DWORD sizeHigh = 0, sizeLow = 0;
    FILETIME written = {};
    bool operator==(const FileStamp& o) const
    {
        return sizeHigh == o.sizeHigh && sizeLow == o.sizeLow && CompareFileTime(&written, &o.written) == 0;
    }
};

static bool StampOf(const char* path, FileStamp* stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &a))
        return false;
    *stamp = {a.nFileSizeHigh, a.nFileSizeLow, a.ftLastWriteTime};
    return true;
}

// The file converted last, so that the preview, Play New Sound and REPLACE convert it once: it
// is converted again only for another format, or once its size or time changed.
static struct {
    std::string path;
    FileStamp stamp;
    vox::Format target;
    vox::Sound sound;
    std::string converted;
} sKept;

static bool KeptFor(const char* path, const vox::Format& target)
{
    FileStamp now;
    return !sKept.path.empty() && sKept.path == path && sKept.target == target && StampOf(path, &now) && now == sKept.stamp;
}

void ForgetConversion()
{
    sKept = {};
}

BOOL ConvertForSound(const char* path, long l, const std::string& doing, vox::Sound* sound, std::string* converted)
{
    *sound = vox::Sound();
    if (!Opened().bValidFile || l < 0 || (DWORD)l >= Opened().numwavs()) {
        ShowMessage("No sound selected");
        return FALSE;
    }
    const vox::Entry was = Opened().records(l);
    const vox::Format target = vox::PcmFormat((uint32_t)was.rate, was.channels, was.bits);
    if (!vox::IsSaneFormat(target)) {
        ShowMessageF("Sound %ld is stored as %s, which nothing can be converted to.", l, words::FormatText(was).c_str());
        return FALSE;
    }
    if (KeptFor(path, target)) {
        *sound = sKept.sound;
        *converted = sKept.converted;
        return TRUE;
    }
    ForgetConversion();
    FileStamp before;
    const bool stamped = StampOf(path, &before);
    PathLineProgress progress{doing};
    progress.Show(0, 0);
    vox::Conversion c = vox::ConvertAudioFile(path, target, INT32_MAX,
                                              [&progress](uint64_t done, uint64_t total) { progress.Show(done, total); });
    if (!c.error.empty()) {
        ShowMessageF("%s: %s", path, c.error.c_str());
        return FALSE;
    }
    *sound = std::move(c.sound);
    vox::Entry now;
    vox::SetFormat(&now, sound->format, false);
    now.length = (int32_t)sound->bytes.size();
    *converted = words::ConvertedText(vox::DescribeAudio(c.source), was, now);
    FileStamp after;
    if (stamped && StampOf(path, &after) && after == before)  // not kept when it changed while read
        sKept = {path, before, target, *sound, *converted};
    return TRUE;
}

#else  // no libsndfile and libsoxr: WAVE files only

BOOL CanConvert()
{
    return FALSE;
}

BOOL ConversionBuilt()
{
    ShowMessage("Converting sound files is not in this build of Voxmend: it was made without libsndfile and libsoxr.");
    return FALSE;
}

std::string AudioFilters()
{
    return "";
}

BOOL IsAudioFileName(const char*)
{
    return FALSE;
}

void ForgetConversion() {}

BOOL ConvertForSound(const char*, long, const std::string&, vox::Sound* sound, std::string*)
{
    *sound = vox::Sound();
    ConversionBuilt();
    return FALSE;
}

#endif
