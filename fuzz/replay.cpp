// Replays every file of the given folders through a fuzz target, without libFuzzer, so the inputs
// it starts from and those that once crashed it, or could, are tried by every ordinary test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    int replayed = 0;
    for (int i = 1; i < argc; i++) {
        for (const fs::directory_entry& f : fs::directory_iterator(argv[i])) {
            if (!f.is_regular_file() || f.path().filename().string()[0] == '.')
                continue;
            std::ifstream in(f.path(), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            replayed++;
        }
    }
    printf("%d inputs replayed\n", replayed);
    // A replay of nothing would pass whatever the target did.
    return replayed > 0 ? 0 : 1;
}
