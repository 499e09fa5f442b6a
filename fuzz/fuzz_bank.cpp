// A bank read from any bytes: its layout judged and every sound it holds read.
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "memfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vox::MemSource file(std::string(reinterpret_cast<const char*>(data), size));
    vox::Bank bank;
    if (vox::ReadBank(file, &bank) != vox::BankError::Ok)
        return 0;
    bool sound = vox::LayoutProblems(bank).empty();
    std::vector<uint8_t> out(size);
    for (const vox::Entry& e : bank.entries) {
        // A bank that can be rewritten holds all of its sounds.
        if (sound && !vox::SoundInFile(e, bank.fileSize))
            abort();
        if (vox::SoundInFile(e, bank.fileSize) && !vox::ReadSound(file, e, out.data()))
            abort();
    }
    return 0;
}
