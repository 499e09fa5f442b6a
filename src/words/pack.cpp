#include "words/pack.h"

namespace words {

std::string PackSoundLabel(const vox::PackSound& s)
{
    return "sound " + std::to_string(s.number) + (s.name.empty() ? "" : " (" + s.name + ")");
}

std::string PackProblemText(const vox::PackProblem& p)
{
    using vox::PackError;
    const std::string entry = "its entry \"" + p.detail + "\"";
    const std::string sound = "sound " + std::to_string(p.sound);
    switch (p.error) {
    case PackError::Ok: return "ok";
    case PackError::NotSameBank: return "not the same bank: the two banks differ in their count of sounds";
    case PackError::NothingDiffers: return "no sound differs from the original; there is nothing to pack";
    case PackError::BankRead: return "the " + p.detail + " bank's " + sound + " cannot be read (cut short?)";
    case PackError::NotStorable: return sound + " is not PCM that a bank can take, so it cannot go in a pack";
    case PackError::NoMemory: return "not enough memory";
    case PackError::Zip: return "the zip could not be made";
    case PackError::Open: return "cannot be opened (missing, or not a readable file)";
    case PackError::Read: return "reading it failed";
    case PackError::TooLarge: return "is larger than any mod pack can be";
    case PackError::NotZip: return "is not a mod pack: not a zip file, or a damaged one (" + p.detail + ")";
    case PackError::NoManifest: return "is not a mod pack: it holds no voxpack.json";
    case PackError::ManifestNotJson: return "is not a mod pack: its voxpack.json is not JSON";
    case PackError::ManifestWrong:
        return "its voxpack.json is not a pack manifest" + (p.detail.empty() ? "" : " (" + p.detail + " is missing or wrong)");
    case PackError::UnknownVersion:
        return "is a pack of version " + p.detail + ", which this program does not read (it reads version " +
               std::to_string(vox::kPackVersion) + ")";
    case PackError::BadEntryName:
        return "holds an entry named \"" + p.detail + "\", which no pack may hold (sounds lie in sounds/, with no folder, drive or ..)";
    case PackError::DuplicateEntry: return "holds the entry \"" + p.detail + "\" twice";
    case PackError::StrayEntry: return "holds an entry \"" + p.detail + "\" that its manifest does not name";
    case PackError::MissingEntry: return "lacks the entry \"" + p.detail + "\" that its manifest names";
    case PackError::EntryTooLarge: return entry + " inflates beyond the size of its sound (a zip bomb?)";
    case PackError::EntryDamaged: return entry + " is damaged: it does not decode to the sound its manifest describes";
    case PackError::HashWrong: return entry + " does not hold the sound its manifest's hash names (damaged, or changed)";
    case PackError::SoundTwice: return "its manifest names " + sound + " twice";
    case PackError::Create: return p.detail + ": cannot be created (is the folder writable?)";
    case PackError::Write: return p.detail + ": writing failed (disk full?)";
    case PackError::Rename: return p.detail + ": the finished pack cannot take this name";
    case PackError::SoundOutside:
        return "replaces " + sound + ", but the bank has only " + p.detail + " sounds";
    }
    return "unknown error";
}

}  // namespace words
