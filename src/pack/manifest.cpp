#include "pack/manifest.h"

#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

namespace vox {

namespace {

using nlohmann::json;

// A manifest field that is missing or not what it must be.
struct Wrong {
    std::string field;
};

json FormatJson(const Entry& e)
{
    return {{"tag", e.format},        {"channels", e.channels},      {"rate", e.rate}, {"avg_bytes", e.avgBytes},
            {"block_align", e.blockAlign}, {"bits", e.bits}, {"extra", e.extra}};
}

json FactsJson(const SoundFacts& f)
{
    return {{"format", FormatJson(f.format)}, {"bytes", f.format.length}, {"sha256", f.sha256}};
}

const json& Field(const json& o, const char* key, const std::string& where)
{
    if (!o.is_object() || !o.contains(key))
        throw Wrong{where + key};
    return o[key];
}

int64_t Integer(const json& o, const char* key, int64_t lo, int64_t hi, const std::string& where)
{
    const json& v = Field(o, key, where);
    if (v.is_number_unsigned() && v.get<uint64_t>() <= (uint64_t)hi && (int64_t)v.get<uint64_t>() >= lo)
        return (int64_t)v.get<uint64_t>();
    if (v.is_number_integer() && !v.is_number_unsigned() && v.get<int64_t>() >= lo && v.get<int64_t>() <= hi)
        return v.get<int64_t>();
    throw Wrong{where + key};
}

std::string Text(const json& o, const char* key, const std::string& where, size_t longest = 10000)
{
    const json& v = Field(o, key, where);
    if (!v.is_string() || v.get_ref<const std::string&>().size() > longest)
        throw Wrong{where + key};
    return v.get<std::string>();
}

bool IsHex64(const std::string& s)
{
    return s.size() == 64 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

SoundFacts FactsFrom(const json& o, const std::string& where)
{
    const int64_t i32 = std::numeric_limits<int32_t>::max(), u16 = 0xFFFF;
    const json& f = Field(o, "format", where);
    const std::string at = where + "format.";
    SoundFacts facts;
    facts.format.format = (uint16_t)Integer(f, "tag", 0, u16, at);
    facts.format.channels = (uint16_t)Integer(f, "channels", 0, u16, at);
    facts.format.rate = (int32_t)Integer(f, "rate", -i32 - 1, i32, at);
    facts.format.avgBytes = (int32_t)Integer(f, "avg_bytes", -i32 - 1, i32, at);
    facts.format.blockAlign = (uint16_t)Integer(f, "block_align", 0, u16, at);
    facts.format.bits = (uint16_t)Integer(f, "bits", 0, u16, at);
    facts.format.extra = (int32_t)Integer(f, "extra", -i32 - 1, i32, at);
    facts.format.length = (int32_t)Integer(o, "bytes", 0, i32, where);
    facts.sha256 = Text(o, "sha256", where);
    if (!IsHex64(facts.sha256))
        throw Wrong{where + "sha256"};
    return facts;
}

}  // namespace

std::string ManifestText(const Pack& pack)
{
    json sounds = json::array();
    for (const PackSound& s : pack.sounds)
        sounds.push_back({{"number", s.number},
                          {"name", s.name},
                          {"base", FactsJson(s.base)},
                          {"new", FactsJson(s.now)},
                          {"entry", s.entry}});
    json manifest = {{"voxpack", kPackVersion},
                     {"name", pack.name},
                     {"description", pack.description},
                     {"made_by", pack.madeBy},
                     {"base", {{"file", pack.baseFile}, {"sounds", pack.baseSounds}, {"sha256", pack.baseSha256}}},
                     {"sounds", sounds}};
    // Index names and file names need not be UTF-8; the entries' names are kept ASCII elsewhere.
    return manifest.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

PackProblem ParseManifest(const std::string& text, Pack* pack)
{
    json m = json::parse(text, nullptr, false);
    if (m.is_discarded())
        return {PackError::ManifestNotJson, "", 0};
    try {
        const json& version = Field(m, "voxpack", "");
        if (!version.is_number_integer())
            throw Wrong{"voxpack"};
        if (version.get<int64_t>() != kPackVersion)
            return {PackError::UnknownVersion, version.dump(), 0};
        pack->name = Text(m, "name", "", 1000);
        pack->description = Text(m, "description", "");
        pack->madeBy = Text(m, "made_by", "", 1000);
        const json& base = Field(m, "base", "");
        pack->baseFile = Text(base, "file", "base.", 1000);
        pack->baseSounds = (size_t)Integer(base, "sounds", 0, std::numeric_limits<int32_t>::max(), "base.");
        pack->baseSha256 = Text(base, "sha256", "base.");
        const json& sounds = Field(m, "sounds", "");
        if (!sounds.is_array() || sounds.empty() || sounds.size() > kMaxSounds)
            throw Wrong{"sounds"};
        pack->sounds.clear();
        for (size_t i = 0; i < sounds.size(); i++) {
            const std::string where = "sounds[" + std::to_string(i) + "].";
            PackSound s;
            s.number = (size_t)Integer(sounds[i], "number", 0, std::numeric_limits<int32_t>::max(), where);
            s.name = Text(sounds[i], "name", where, 1000);
            s.base = FactsFrom(Field(sounds[i], "base", where), where + "base.");
            s.now = FactsFrom(Field(sounds[i], "new", where), where + "new.");
            s.entry = Text(sounds[i], "entry", where, 1000);
            pack->sounds.push_back(std::move(s));
        }
    } catch (const Wrong& w) {
        return {PackError::ManifestWrong, w.field, 0};
    } catch (const json::exception&) {
        return {PackError::ManifestWrong, "", 0};
    }
    return {};
}

bool IsSoundEntryName(const std::string& name)
{
    const size_t prefix = strlen(kSoundsFolder);
    if (name.size() <= prefix || name.size() > 255 || name.compare(0, prefix, kSoundsFolder) != 0)
        return false;
    const std::string file = name.substr(prefix);
    if (file == "." || file == ".." || file.find("..") != std::string::npos)
        return false;
    for (unsigned char c : file)
        if (c < 32 || c == 127 || strchr("<>:\"/\\|?*", c))
            return false;
    auto endsWith = [&](const char* end) {
        return file.size() > strlen(end) && file.compare(file.size() - strlen(end), strlen(end), end) == 0;
    };
    return endsWith(".flac") || endsWith(".wav");
}

bool IsFlacEntry(const std::string& name)
{
    return name.size() > 5 && name.compare(name.size() - 5, 5, ".flac") == 0;
}

}  // namespace vox
