// Measures the window's bank rewrite against a plain copy of the same bank on the same disk,
// and where the rewrite's time goes.
// usage: bench_replace folder megabytes [keep | cold-copy | cold-rewrite | cold-engine | convert]
//   keep: leave the bank in place for the cold runs; the cold modes time one copy, one rewrite
//   through the dialog or one rewrite by the engine alone, after the caller has emptied the
//   system's file cache; convert: a minute of FLAC replaced through the window against the
//   conversion alone and a plain replace.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "disk/disk.h"
#include "engine/rewrite.h"
#include "window/openbank.h"
#include "window/replacedialog.h"
#include "window/replacement.h"
#include "window/voxmend.h"

#include <psapi.h>

#ifdef BENCH_CONVERT
#include <cmath>

#include <sndfile.h>

#include "convert/convert.h"
#endif

namespace {

const int kSounds = 325;
const long kReplaced = 3;                  // a sound near the start, so nearly all is copied behind it
const uint32_t kReplacementBytes = 600000;  // the new sound's samples
const int kRounds = 5;                     // each figure is the best of these
const vox::Format kPcm8 = {vox::kPcm, 1, 22050, 22050, 1, 8, 0};

double Seconds()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

struct Memory {
    SIZE_T committed = 0, resident = 0;  // private bytes, and the working set
};

Memory MemoryInUse()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return {pmc.PagefileUsage, pmc.WorkingSetSize};
}

// ---- the rewrite through the dialog, as its REPLACE runs it ----

HHOOK boxHook, statusHook;
double answeredAt;  // the confirmation was answered: the rewrite starts
Memory most;  // the most memory seen while the status line changed

// Answers every message box with its first button (Yes, or OK). The rewrite starts when the
// answer has closed the box; a box painted for the first time after a cold start takes long.
LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    char title[16] = "";
    HWND w = (HWND)wParam;
    if ((code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) && GetWindowTextA(w, title, sizeof title) &&
        strcmp(title, szAppName) == 0) {
        if (code == HCBT_ACTIVATE)
            PostMessageA(w, WM_COMMAND, GetDlgItem(w, IDYES) ? IDYES : IDOK, 0);
        else
            answeredAt = Seconds();
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

LRESULT CALLBACK SampleMemory(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == IDC_STATUS) {
        Memory now = MemoryInUse();
        most.committed = now.committed > most.committed ? now.committed : most.committed;
        most.resident = now.resident > most.resident ? now.resident : most.resident;
    }
    return CallNextHookEx(statusHook, code, wParam, lParam);
}

std::string chosenWave;  // the replacement, as if chosen in the Open dialog
void Best(double* best, double now);
bool WriteAll(FILE* f, const void* p, size_t n);

// Seconds from the answer to the end of the rewrite; -1 when it failed. A backup given is
// deleted first, so that the rewrite finds none to replace, as a bank's first replace does.
double WindowRewrite(HWND dlg, const std::string& removeBackup = "")
{
    if (!removeBackup.empty()) {
        DeleteFileA(removeBackup.c_str());
        Sleep(300);  // the file system frees it behind the call
    }
    DoReplace(dlg, kReplaced, chosenWave.c_str());
    double took = Seconds() - answeredAt;
    return Opened().records(kReplaced).length == (int32_t)kReplacementBytes ? took : -1;
}

#ifdef BENCH_CONVERT
// ---- a minute of FLAC through the window's Replace, against the conversion alone and a plain
// replace of the WAVE file it makes ----

// 60 s of 44100 Hz stereo 16-bit FLAC, a sum of tones, each channel its own mix.
bool MakeFlac(const std::string& path)
{
    SF_INFO info = {};
    info.samplerate = 44100, info.channels = 2, info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const double tones[][3] = {{440, 0.30, 0.20}, {1250, 0.10, 0.25}, {4100, 0.15, 0.05}, {15000, 0.10, 0.10}};
    std::vector<double> block(2 * 4096);
    bool ok = true;
    for (sf_count_t at = 0, frames = 60 * 44100; at < frames && ok; at += 4096) {
        sf_count_t n = frames - at < 4096 ? frames - at : 4096;
        for (sf_count_t i = 0; i < n; i++)
            for (int c = 0; c < 2; c++) {
                double v = 0;
                for (const auto& t : tones)
                    v += t[1 + c] * sin(2 * 3.14159265358979 * t[0] * (double)(at + i) / 44100);
                block[(size_t)(2 * i + c)] = v;
            }
        ok = sf_writef_double(f, block.data(), n) == n;
    }
    return sf_close(f) == 0 && ok;
}

bool WriteWave(const std::string& path, const vox::Sound& s)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t dataSize = (uint32_t)s.bytes.size(), fmtSize = 16, riffSize = 4 + 8 + 16 + 8 + dataSize;
    WAVEFORMATEX fmt = {s.format.tag, s.format.channels, s.format.rate, s.format.avgBytes, s.format.blockAlign, s.format.bits, 0};
    bool ok = WriteAll(f, "RIFF", 4) && WriteAll(f, &riffSize, 4) && WriteAll(f, "WAVEfmt ", 8) && WriteAll(f, &fmtSize, 4) &&
              WriteAll(f, &fmt, 16) && WriteAll(f, "data", 4) && WriteAll(f, &dataSize, 4) &&
              WriteAll(f, s.bytes.data(), s.bytes.size());
    return fclose(f) == 0 && ok;
}

// Times the window's Replace of the FLAC file into sound kReplaced (kPcm8) against the same
// library converting it to a WAVE file and the window's plain replace of that, from the
// confirmation's answer on, best of kRounds each, taking turns.
int ConvertBench(const std::string& dir, HWND dlg, const std::string& bank)
{
    const std::string flac = dir + "\\bench.flac", wave = dir + "\\converted.wav";
    if (!MakeFlac(flac)) {
        fprintf(stderr, "bench: cannot write %s\n", flac.c_str());
        return 1;
    }
    const uint32_t expected = 60 * 22050;
    double windowBest = 1e9, baselineBest = 1e9, convertBest = 1e9, loadBest = 1e9;
    // the window's road: the FLAC file chosen
    auto window = [&] {
        DoReplace(dlg, kReplaced, flac.c_str());
        return Opened().records(kReplaced).length == (int32_t)expected ? Seconds() - answeredAt : -1;
    };
    // the baseline: converted to a WAVE file by the same library, which is then chosen
    auto baseline = [&] {
        const double start = Seconds();
        vox::Conversion c = vox::ConvertAudioFile(flac, kPcm8, INT32_MAX);
        Best(&convertBest, Seconds() - start);
        if (!c.error.empty() || !WriteWave(wave, c.sound))
            return -1.0;
        const double written = Seconds() - start;
        DoReplace(dlg, kReplaced, wave.c_str());
        return Opened().records(kReplaced).length == (int32_t)expected ? written + Seconds() - answeredAt : -1;
    };
    for (int round = 0; round < 2 * kRounds; round++) {
        // taking turns at going first, so that neither always follows the other's rewrite
        const double w = round % 2 ? window() : -2, b = baseline(), w2 = round % 2 ? w : window();
        if (w2 < 0 || b < 0) {
            fprintf(stderr, "bench: a replace of the minute of FLAC failed\n");
            return 1;
        }
        Best(&windowBest, w2);
        Best(&baselineBest, b);
        vox::Sound loaded;
        std::string said;
        const double loadStart = Seconds();
        LoadReplace(flac.c_str(), kReplaced, FALSE, FALSE, &loaded, &said);
        Best(&loadBest, Seconds() - loadStart);
    }
    WIN32_FILE_ATTRIBUTE_DATA fa;
    GetFileAttributesExA(bank.c_str(), GetFileExInfoStandard, &fa);
    printf("A minute of 44100 Hz stereo FLAC into a 22050 Hz mono 8-bit sound of a %.0f MB bank (best of %d runs each):\n",
           fa.nFileSizeLow / 1e6, 2 * kRounds);
    printf("  conversion alone to a WAVE file, then the plain replace: %.3f s (the conversion %.3f s)\n", baselineBest,
           convertBest);
    printf("  the window's Replace of the FLAC file:                   %.3f s  time ratio %.2f (aim <= 1)\n", windowBest,
           windowBest / baselineBest);
    printf("  the window loading (converting) the FLAC file alone:     %.3f s\n", loadBest);
    DeleteFileA(flac.c_str());
    DeleteFileA(wave.c_str());
    return 0;
}
#endif

// ---- the engine alone, on the same disk, with its file calls timed ----

struct Spent {
    double read = 0, write = 0, flush = 0, swap = 0, total = 0;
};
Spent spent;

struct Timed {
    double& into;
    double start = Seconds();
    ~Timed() { into += Seconds() - start; }
};

class TimedSource : public vox::Source {
public:
    explicit TimedSource(std::unique_ptr<vox::Source> s) : s_(std::move(s)) {}
    bool Size(uint64_t* n) override { return s_->Size(n); }
    int64_t ReadAt(uint64_t at, void* data, size_t n) override
    {
        Timed t{spent.read};
        return s_->ReadAt(at, data, n);
    }

private:
    std::unique_ptr<vox::Source> s_;
};

class TimedSink : public vox::Sink {
public:
    explicit TimedSink(std::unique_ptr<vox::Sink> s) : s_(std::move(s)) {}
    bool Write(const void* data, size_t n) override
    {
        Timed t{spent.write};
        return s_->Write(data, n);
    }
    bool Flush() override
    {
        Timed t{spent.flush};
        return s_->Flush();
    }
    bool Close() override
    {
        Timed t{spent.flush};
        return s_->Close();
    }

private:
    std::unique_ptr<vox::Sink> s_;
};

class TimedDisk : public vox::Files {
public:
    std::unique_ptr<vox::Source> Open(const std::string& p) override
    {
        auto s = disk_.Open(p);
        return s ? std::make_unique<TimedSource>(std::move(s)) : nullptr;
    }
    std::unique_ptr<vox::Sink> CreateNew(const std::string& p) override
    {
        auto s = disk_.CreateNew(p);
        return s ? std::make_unique<TimedSink>(std::move(s)) : nullptr;
    }
    std::unique_ptr<vox::Sink> CreateOrTruncate(const std::string& p) override { return disk_.CreateOrTruncate(p); }
    bool Exists(const std::string& p) override { return disk_.Exists(p); }
    bool Remove(const std::string& p) override { return disk_.Remove(p); }
    bool Replace(const std::string& from, const std::string& to) override
    {
        Timed t{spent.swap};
        return disk_.Replace(from, to);
    }
    bool Rename(const std::string& from, const std::string& to) override { return disk_.Rename(from, to); }
    bool CanReplace(const std::string& p) override { return disk_.CanReplace(p); }
    bool Link(const std::string& from, const std::string& to) override
    {
        Timed t{spent.swap};
        return disk_.Link(from, to);
    }

private:
    vox::Files& disk_ = vox::Disk();
};

// One rewrite of the bank by the engine alone; false when it failed.
bool EngineRewrite(const std::string& bank, const vox::Sound& with)
{
    vox::Bank loaded;
    std::unique_ptr<vox::Source> file = vox::Disk().Open(bank);
    if (!file || vox::ReadBank(*file, &loaded) != vox::BankError::Ok)
        return false;
    file.reset();
    TimedDisk disk;
    spent = Spent();
    double start = Seconds();
    vox::RewriteResult r = vox::Rewrite(disk, bank, loaded, {{(size_t)kReplaced, &with}}, vox::Backup::Keep, vox::kPieceSize);
    spent.total = Seconds() - start;
    return r.error == vox::BankError::Ok;
}

void PrintSpent(const char* what, const Spent& s)
{
    printf("%s %.3f s: read %.3f, write %.3f, flush %.3f, swap %.3f, the rest %.3f\n", what, s.total, s.read, s.write,
           s.flush, s.swap, s.total - s.read - s.write - s.flush - s.swap);
}

// ---- the bank and the copy ----

bool WriteAll(FILE* f, const void* p, size_t n)
{
    return fwrite(p, 1, n, f) == n;
}

bool MakeBank(const std::string& path, size_t totalBytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const int32_t each = (int32_t)(totalBytes / kSounds);
    std::vector<uint8_t> head(vox::kHeaderSize + vox::kEntrySize * kSounds);
    head[0] = kSounds & 0xFF, head[1] = kSounds >> 8;
    for (int i = 0; i < kSounds; i++) {
        vox::Entry e;
        vox::SetFormat(&e, kPcm8, false);
        e.length = each;
        e.offset = (int32_t)head.size() + i * each;
        vox::EncodeEntry(e, &head[vox::kHeaderSize + vox::kEntrySize * i]);
    }
    bool ok = WriteAll(f, head.data(), head.size());
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); i++)
        block[i] = (char)(i * 31);
    for (size_t left = (size_t)each * kSounds; left > 0 && ok;) {
        size_t n = left < block.size() ? left : block.size();
        ok = WriteAll(f, block.data(), n);
        left -= n;
    }
    return fclose(f) == 0 && ok;
}

bool MakeWave(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::vector<char> data(kReplacementBytes, 0x40);
    WAVEFORMATEX fmt = {1, 1, 22050, 22050, 1, 8, 0};
    uint32_t fmtSize = 16, dataSize = kReplacementBytes, riffSize = 4 + 8 + 16 + 8 + kReplacementBytes;
    bool ok = WriteAll(f, "RIFF", 4) && WriteAll(f, &riffSize, 4) && WriteAll(f, "WAVEfmt ", 8) &&
              WriteAll(f, &fmtSize, 4) && WriteAll(f, &fmt, 16) && WriteAll(f, "data", 4) &&
              WriteAll(f, &dataSize, 4) && WriteAll(f, data.data(), data.size());
    return fclose(f) == 0 && ok;
}

// Copies the bank as the system copies any file, and flushes it as the rewrite does.
double PlainCopy(const std::string& from, const std::string& to, bool remove = true)
{
    double start = Seconds();
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return -1;
    HANDLE h = CreateFileA(to.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    FlushFileBuffers(h);
    CloseHandle(h);
    double took = Seconds() - start;
    if (remove)
        DeleteFileA(to.c_str());
    return took;
}

// The copy as above, then put in the place of another bank as the rewrite puts new.sfx: the
// rewrite also has the old bank deleted, which the plain copy never does.
double CopyPutInPlace(const std::string& from, const std::string& to, const std::string& place)
{
    if (!CopyFileA(from.c_str(), place.c_str(), FALSE))
        return -1;
    HANDLE h = CreateFileA(place.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    FlushFileBuffers(h);
    CloseHandle(h);
    double start = Seconds();
    double copy = PlainCopy(from, to, false);
    bool moved = MoveFileExA(to.c_str(), place.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    double took = Seconds() - start;
    DeleteFileA(place.c_str());
    return copy < 0 || !moved ? -1 : took;
}

void Best(double* best, double now)
{
    *best = now < *best ? now : *best;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    size_t megabytes = argc > 2 ? (size_t)atol(argv[2]) : 300;
    std::string mode = argc > 3 ? argv[3] : "";
    std::string bank = dir + "\\BENCH.SFX", index = dir + "\\BENCH.txt", wave = dir + "\\bench.wav";
    char full[MAX_PATH];
    GetFullPathNameA(bank.c_str(), sizeof full, full, NULL);
    vox::Sound with;
    with.format = kPcm8;
    with.bytes.assign(kReplacementBytes, 0x40);
    if (mode == "cold-copy") {
        double copy = PlainCopy(bank, dir + "\\copy.sfx");
        printf("cold-copy %.3f\n", copy);
        return copy < 0;
    }
    if (mode == "cold-engine") {
        bool ok = EngineRewrite(full, with);
        printf("cold-engine %.3f ", spent.total);
        PrintSpent("|", spent);
        return !ok;
    }
    if (mode != "cold-rewrite") {
        printf("Making a bank of %d sounds, %zu MB, in %s\n", kSounds, megabytes, dir.c_str());
        FILE* names = fopen(index.c_str(), "wb");
        if (!names || fclose(names) != 0 || !MakeBank(bank, megabytes * 1000000) || !MakeWave(wave)) {
            fprintf(stderr, "bench: cannot write into %s\n", dir.c_str());
            return 1;
        }
    }
    boxHook = SetWindowsHookExA(WH_CBT, AnswerBoxes, NULL, GetCurrentThreadId());
    if (!StartApp(GetModuleHandleA(NULL), SW_HIDE))
        return 1;
    chosenWave = wave;
    Loadsfx(full, "BENCH.SFX");
    HWND dlg = CreateDialogParamA(GetModuleHandleA(NULL), IDD_REPLACEBOX, hwndApp, ReplaceDlgProc, 0);
    // painted, as the user sees it before pressing REPLACE; after a cold start the first paint
    // reads fonts and code from the disk
    ShowWindow(dlg, SW_SHOWNA);
    UpdateWindow(dlg);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
#ifdef BENCH_CONVERT
    if (mode == "convert") {
        int status = ConvertBench(dir, dlg, bank);
        DeleteFileA((std::string(full) + ".bak").c_str());
        DeleteFileA(bank.c_str());
        DeleteFileA(index.c_str());
        DeleteFileA(wave.c_str());
        return status;
    }
#endif
    if (mode == "cold-rewrite") {
        double took = WindowRewrite(dlg);
        printf("cold-rewrite %.3f\n", took);
        return took < 0;
    }

    // Under Wine every repaint of the progress text goes to the X server, so the rewrite is
    // timed with the dialog shown and with it hidden.
    WIN32_FILE_ATTRIBUTE_DATA fa;
    GetFileAttributesExA(bank.c_str(), GetFileExInfoStandard, &fa);
    const double bytes = (double)fa.nFileSizeLow + 4294967296.0 * fa.nFileSizeHigh;
    double copyBest = 1e9, inPlaceBest = 1e9, firstBest = 1e9, shownBest = 1e9, hiddenBest = 1e9;
    const std::string backup = std::string(full) + ".bak";
    Spent engineBest;
    engineBest.total = 1e9;
    for (int round = 0; round < kRounds; round++) {
        double copy = PlainCopy(bank, dir + "\\copy.sfx");
        double inPlace = CopyPutInPlace(bank, dir + "\\copy.sfx", dir + "\\place.sfx");
        ShowWindow(dlg, SW_SHOWNA);
        double first = WindowRewrite(dlg, backup);
        double shown = WindowRewrite(dlg);
        ShowWindow(dlg, SW_HIDE);
        double hidden = WindowRewrite(dlg);
        if (copy < 0 || inPlace < 0 || first < 0 || shown < 0 || hidden < 0 || !EngineRewrite(full, with)) {
            fprintf(stderr, "bench: the copy or a rewrite failed\n");
            return 1;
        }
        Best(&copyBest, copy);
        Best(&inPlaceBest, inPlace);
        Best(&firstBest, first);
        Best(&shownBest, shown);
        Best(&hiddenBest, hidden);
        if (spent.total < engineBest.total)
            engineBest = spent;
    }
    // One more rewrite, its memory sampled at each change of the status line.
    ShowWindow(dlg, SW_SHOWNA);
    statusHook = SetWindowsHookExA(WH_CALLWNDPROC, SampleMemory, NULL, GetCurrentThreadId());
    Memory before = MemoryInUse();
    WindowRewrite(dlg);
    const double mb = bytes / 1e6;
    printf("bank: %.0f MB, sound %ld replaced by %u bytes (best of %d runs each)\n", mb, kReplaced, kReplacementBytes, kRounds);
    printf("plain copy:                     %.2f s  %5.0f MB/s\n", copyBest, mb / copyBest);
    printf("the copy put in a bank's place: %.2f s  %5.0f MB/s  (which deletes the old bank too)\n", inPlaceBest,
           mb / inPlaceBest);
    printf("rewrite, progress shown, no backup there yet:\n"
           "                                %.2f s  %5.0f MB/s  ratio to the copy %.2f, to the copy put in place %.2f\n",
           firstBest, mb / firstBest, copyBest / firstBest, inPlaceBest / firstBest);
    printf("rewrite, progress shown, the backup before replaced (and so deleted):\n"
           "                                %.2f s  %5.0f MB/s  ratio to the copy %.2f, to the copy put in place %.2f\n",
           shownBest, mb / shownBest, copyBest / shownBest, inPlaceBest / shownBest);
    printf("rewrite, dialog hidden, the same: %.2f s  %5.0f MB/s  ratio to the copy %.2f\n", hiddenBest, mb / hiddenBest,
           copyBest / hiddenBest);
    PrintSpent("the engine alone:              ", engineBest);
    printf("private memory: %.1f MB before a rewrite, at most %.1f MB during it: %.2f MB more; resident %.2f MB more\n"
           "  (of which the work buffer is 1.00 MB and the replacement %.2f MB)\n",
           before.committed / 1e6, most.committed / 1e6, ((double)most.committed - before.committed) / 1e6,
           ((double)most.resident - before.resident) / 1e6, kReplacementBytes / 1e6);
    if (mode != "keep") {
        DeleteFileA(backup.c_str());
        DeleteFileA(bank.c_str());
        DeleteFileA(index.c_str());
        DeleteFileA(wave.c_str());
    }
    return 0;
}
