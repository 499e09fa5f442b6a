// What applying or taking off packs would do to a bank, decided before anything is written.
#include <map>
#include <optional>

#include "pack/pack.h"

namespace vox {

namespace {

// The facts of the bank's sounds, each read and hashed once however many packs ask.
class BankFacts {
public:
    BankFacts(const Bank& bank, Source& file) : bank_(bank), file_(file) {}

    // Null when the sound cannot be read.
    const SoundFacts* Of(size_t n)
    {
        auto found = facts_.find(n);
        if (found != facts_.end())
            return found->second.sha256.empty() ? nullptr : &found->second;
        SoundFacts& f = facts_[n];
        const Entry& e = bank_.entries[n];
        if (e.length < 0 || !SoundInFile(e, bank_.fileSize))
            return nullptr;
        bytes_.assign((size_t)e.length, 0);
        if (!ReadSound(file_, e, bytes_.data()))
            return nullptr;
        f = FactsOf(e, bytes_.data());
        return &f;
    }
    const std::vector<uint8_t>& LastBytes() const { return bytes_; }

private:
    const Bank& bank_;
    Source& file_;
    std::map<size_t, SoundFacts> facts_;
    std::vector<uint8_t> bytes_;
};

}  // namespace

namespace {

// A sound's standing from its format and length alone, when they tell: the hash it must then
// have, or none when only the bytes can tell.
std::optional<std::pair<Standing, std::string>> StandingByShape(const Entry& held, const PackSound& s)
{
    const bool base = SameShape(held, s.base.format), now = SameShape(held, s.now.format);
    if (base == now)
        return base ? std::nullopt : std::optional(std::pair(Standing::Conflict, std::string()));
    return std::pair(base ? Standing::Base : Standing::Applied, base ? s.base.sha256 : s.now.sha256);
}

}  // namespace

bool HashesHold(const std::vector<Unhashed>& unhashed, const Bank& bank, Source& bankFile)
{
    BankFacts facts(bank, bankFile);
    for (const Unhashed& u : unhashed) {
        const SoundFacts* held = u.sound < bank.entries.size() ? facts.Of(u.sound) : nullptr;
        if (!held || held->sha256 != u.sha256)
            return false;
    }
    return true;
}

ApplyPlan PlanApply(const std::vector<const Pack*>& packs, const Bank& bank, Source& bankFile, bool force,
                    std::vector<Unhashed>* unhashed)
{
    ApplyPlan plan;
    for (size_t p = 0; p < packs.size(); p++)
        for (const PackSound& s : packs[p]->sounds)
            if (s.number >= bank.entries.size()) {
                plan.problem = {PackError::SoundOutside, std::to_string(bank.entries.size()), s.number};
                plan.problemPack = p;
                return plan;
            }

    BankFacts facts(bank, bankFile);
    std::map<size_t, std::pair<size_t, const PackSound*>> first;  // the first pack to replace each sound
    for (size_t p = 0; p < packs.size(); p++) {
        for (size_t i = 0; i < packs[p]->sounds.size(); i++) {
            const PackSound& s = packs[p]->sounds[i];
            PlannedSound planned{p, i, Standing::Conflict};
            const Entry& e = bank.entries[s.number];
            const auto byShape =
                unhashed && e.length >= 0 && SoundInFile(e, bank.fileSize) ? StandingByShape(e, s) : std::nullopt;
            const SoundFacts* held = byShape ? nullptr : facts.Of(s.number);
            if (byShape) {
                planned.standing = byShape->first;
                if (!byShape->second.empty())
                    unhashed->push_back({s.number, byShape->second});
            } else if (!held)
                planned.standing = Standing::Unreadable;
            else if (*held == s.base)
                planned.standing = Standing::Base;
            else if (*held == s.now)
                planned.standing = Standing::Applied;
            if (planned.standing == Standing::Conflict || planned.standing == Standing::Unreadable)
                plan.conflicts++;
            plan.sounds.push_back(planned);
            auto [at, isFirst] = first.insert({s.number, {p, &s}});
            if (!isFirst && at->second.second->now != s.now)
                plan.overlaps.push_back({s.number, at->second.first, p});
        }
    }
    if (!plan.overlaps.empty() || (plan.conflicts > 0 && !force))
        return plan;
    for (const PlannedSound& planned : plan.sounds) {
        const PackSound& s = packs[planned.pack]->sounds[planned.index];
        bool replaced = planned.standing == Standing::Base || planned.standing == Standing::Conflict;
        bool already = false;
        for (const Replacement& r : plan.replacements)
            already = already || r.sound == s.number;
        if (replaced && !already)
            plan.replacements.push_back({s.number, &s.sound});
    }
    return plan;
}

RemovalPlan PlanRemoval(const Pack& pack, const Bank& bank, Source& bankFile, const Bank& original,
                        Source& originalFile)
{
    RemovalPlan plan;
    if (bank.entries.size() != original.entries.size()) {
        plan.problem = {PackError::NotSameBank, "", 0};
        return plan;
    }
    for (const PackSound& s : pack.sounds)
        if (s.number >= bank.entries.size()) {
            plan.problem = {PackError::SoundOutside, std::to_string(bank.entries.size()), s.number};
            return plan;
        }
    BankFacts held(bank, bankFile), was(original, originalFile);
    bool refused = false;
    for (const PackSound& s : pack.sounds) {
        const SoundFacts* now = held.Of(s.number);
        Removal r = Removal::ChangedSince;
        if (!now) {
            r = Removal::Unreadable;
        } else if (*now == s.base) {
            r = Removal::NotApplied;
        } else if (*now == s.now) {
            const SoundFacts* base = was.Of(s.number);
            r = base && *base == s.base ? Removal::PutBack : Removal::OriginalWrong;
            if (r == Removal::PutBack) {
                Sound sound;
                sound.format = FormatOf(original.entries[s.number]);
                sound.hadCbSize = true;
                sound.bytes = was.LastBytes();
                plan.originals.push_back(std::move(sound));
            }
        }
        refused = refused || r == Removal::OriginalWrong || r == Removal::Unreadable;
        plan.sounds.push_back(r);
    }
    if (refused)
        return plan;
    size_t o = 0;
    for (size_t i = 0; i < pack.sounds.size(); i++)
        if (plan.sounds[i] == Removal::PutBack)
            plan.replacements.push_back({pack.sounds[i].number, &plan.originals[o++]});
    return plan;
}

}  // namespace vox
