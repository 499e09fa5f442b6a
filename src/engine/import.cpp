#include "engine/import.h"

#include <algorithm>

namespace vox {

std::optional<size_t> LeadingSoundNumber(const std::string& fileName)
{
    size_t digits = 0;
    while (digits < fileName.size() && fileName[digits] >= '0' && fileName[digits] <= '9')
        digits++;
    if (digits == 0)
        return std::nullopt;
    // A number longer than any bank's count stands for one past its end.
    if (digits > 9)
        return (size_t)1000000000;
    return (size_t)std::stoul(fileName.substr(0, digits));
}

ImportPlan PlanImport(std::vector<std::string> names, size_t count)
{
    ImportPlan plan;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::optional<size_t> n = LeadingSoundNumber(name);
        if (!n) {
            plan.ignored.push_back(name);
        } else if (*n >= count) {
            if (plan.beyond.empty())
                plan.beyond = name;
        } else {
            plan.files.push_back({*n, name});
        }
    }
    std::stable_sort(plan.files.begin(), plan.files.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < plan.files.size() && plan.twice[0].empty(); i++)
        if (plan.files[i].first == plan.files[i - 1].first)
            plan.twice[0] = plan.files[i - 1].second, plan.twice[1] = plan.files[i].second;
    return plan;
}

bool SameAudio(const Entry& e, const std::vector<uint8_t>& stored, const Sound& s)
{
    Format was = FormatOf(e), now = s.format;
    was.cbSize = now.cbSize = 0;
    if (!(was == now) || stored.empty())
        return false;
    // A piece of a frame behind the last whole one is no audio, and a converter drops it.
    const size_t whole = stored.size() - (was.blockAlign ? stored.size() % was.blockAlign : 0);
    return stored == s.bytes || (s.bytes.size() == whole && std::equal(s.bytes.begin(), s.bytes.end(), stored.begin()));
}

}  // namespace vox
