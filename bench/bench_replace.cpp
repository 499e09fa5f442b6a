// Measures the bank rewrite against a plain copy of the same bank on the same disk.
// usage: bench_replace folder megabytes [keep | cold-copy | cold-rewrite]
//   keep: leave the bank in place for the cold runs; cold-copy and cold-rewrite time one
//   copy or one rewrite of that bank, after the caller has emptied the system's file cache.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "voxmend.h"

#include <psapi.h>

namespace {

const int kSounds = 325;
const long kReplaced = 3;                 // a sound near the start, so nearly all is copied behind it
const DWORD kReplacementBytes = 600000;   // the new sound's samples

HHOOK hook, progressHook;
double answeredAt;
SIZE_T duringRewrite;  // the most private memory seen at a progress step of a rewrite  // when the confirmation was answered: the rewrite starts then

double Seconds()
{
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// Answers every message box with its first button (Yes, or OK).
LRESULT CALLBACK AnswerBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND w = (HWND)wParam;
        char title[16] = "";
        GetWindowTextA(w, title, sizeof title);
        if (strcmp(title, szAppName) == 0) {
            PostMessageA(w, WM_COMMAND, GetDlgItem(w, IDYES) ? IDYES : IDOK, 0);
            answeredAt = Seconds();
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

// Samples memory each time the rewrite shows its progress, while its buffers are held.
LRESULT CALLBACK SampleMemory(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == IDD_STATUS) {
        SIZE_T now = PrivateBytes();
        duringRewrite = now > duringRewrite ? now : duringRewrite;
    }
    return CallNextHookEx(progressHook, code, wParam, lParam);
}

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
    uint32_t header[4] = {kSounds, 0, 0, 0};
    bool ok = WriteAll(f, header, sizeof header);
    for (int i = 0; i < kSounds && ok; i++) {
        RECORD r = {each, (int32_t)(16 + 28 * kSounds + i * each), 1, 1, 22050, 22050, 1, 8, 0};
        ok = WriteAll(f, &r, sizeof r);
    }
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
double PlainCopy(const std::string& from, const std::string& to)
{
    double start = Seconds();
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        return -1;
    HANDLE h = CreateFileA(to.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    FlushFileBuffers(h);
    CloseHandle(h);
    double took = Seconds() - start;
    DeleteFileA(to.c_str());
    return took;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    size_t megabytes = argc > 2 ? (size_t)atol(argv[2]) : 300;
    std::string mode = argc > 3 ? argv[3] : "";
    std::string bank = dir + "\\BENCH.SFX", index = dir + "\\BENCH.txt", wave = dir + "\\bench.wav";
    if (mode == "cold-copy") {
        double copy = PlainCopy(bank, dir + "\\copy.sfx");
        printf("cold-copy %.3f\n", copy);
        return copy < 0;
    }
    if (mode != "cold-rewrite") {
        printf("Making a bank of %d sounds, %zu MB, in %s\n", kSounds, megabytes, dir.c_str());
        FILE* names = fopen(index.c_str(), "wb");
        if (!names || fclose(names) != 0 || !MakeBank(bank, megabytes * 1000000) || !MakeWave(wave)) {
            fprintf(stderr, "bench: cannot write into %s\n", dir.c_str());
            return 1;
        }
    }
    hook = SetWindowsHookExA(WH_CBT, AnswerBoxes, NULL, GetCurrentThreadId());
    if (!StartApp(GetModuleHandleA(NULL), SW_HIDE))
        return 1;
    char full[MAX_PATH];
    GetFullPathNameA(bank.c_str(), sizeof full, full, NULL);
    strcpy(szFile, "BENCH.SFX");
    strcpy(szBankPath, full);
    strcpy(pstrReplaceFile, wave.c_str());
    bValidFile = TRUE;
    Loadsfx();
    HWND dlg = CreateDialogParamA(GetModuleHandleA(NULL), "ReplaceBox", hwndApp, ReplaceDlgProc, 0);
    if (mode == "cold-rewrite") {
        WAVEFORMATEX pcm = {1, 1, 22050, 22050, 1, 8, 0};
        waveOutOpen(NULL, WAVE_MAPPER, &pcm, 0, 0, WAVE_FORMAT_QUERY);  // load the sound drivers untimed
        bValidReplace = TRUE;
        DoReplace(dlg, kReplaced);
        printf("cold-rewrite %.3f\n", Seconds() - answeredAt);
        return records[kReplaced].length != (int32_t)kReplacementBytes;
    }

    // Each rewrite repaints the dialog's progress text once per piece; under Wine every repaint
    // goes to the X server, so the rewrite is timed with the dialog shown and with it hidden.
    double bytes = 0, copyBest = 1e9, rewriteBest[2] = {1e9, 1e9};
    for (int round = 0; round < 4; round++) {
        bool shown = round % 2 == 0;
        ShowWindow(dlg, shown ? SW_SHOWNA : SW_HIDE);
        WIN32_FILE_ATTRIBUTE_DATA fa;
        GetFileAttributesExA(bank.c_str(), GetFileExInfoStandard, &fa);
        bytes = (double)fa.nFileSizeLow + 4294967296.0 * fa.nFileSizeHigh;
        double copy = PlainCopy(bank, dir + "\\copy.sfx");
        bValidReplace = TRUE;
        DoReplace(dlg, kReplaced);
        double rewrite = Seconds() - answeredAt;
        if (copy < 0 || records[kReplaced].length != (int32_t)kReplacementBytes) {
            fprintf(stderr, "bench: the copy or the rewrite failed\n");
            return 1;
        }
        copyBest = copy < copyBest ? copy : copyBest;
        rewriteBest[shown] = rewrite < rewriteBest[shown] ? rewrite : rewriteBest[shown];
    }
    // One more rewrite, sampled at each progress step; the ones before loaded the sound drivers.
    progressHook = SetWindowsHookExA(WH_CALLWNDPROC, SampleMemory, NULL, GetCurrentThreadId());
    SIZE_T before = PrivateBytes();
    bValidReplace = TRUE;
    DoReplace(dlg, kReplaced);
    SIZE_T most = duringRewrite;
    const double mb = bytes / 1e6;
    printf("bank: %.0f MB, sound %ld replaced by %lu bytes (best of 2 runs each)\n", mb, kReplaced, kReplacementBytes);
    printf("plain copy:                   %.2f s  %5.0f MB/s\n", copyBest, mb / copyBest);
    printf("rewrite, progress shown:      %.2f s  %5.0f MB/s  ratio to the copy %.2f\n", rewriteBest[1],
           mb / rewriteBest[1], copyBest / rewriteBest[1]);
    printf("rewrite, dialog hidden:       %.2f s  %5.0f MB/s  ratio to the copy %.2f\n", rewriteBest[0],
           mb / rewriteBest[0], copyBest / rewriteBest[0]);
    printf("private memory: %.1f MB before a rewrite, at most %.1f MB during it: %.2f MB more "
           "(work buffer 1.00 MB + replacement %.2f MB)\n",
           before / 1e6, most / 1e6, (double)(most - before) / 1e6, kReplacementBytes / 1e6);
    if (mode != "keep") {
        DeleteFileA(bank.c_str());
        DeleteFileA(index.c_str());
        DeleteFileA(wave.c_str());
    }
    return 0;
}
