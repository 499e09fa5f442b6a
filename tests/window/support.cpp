#include "support.h"

#include <direct.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

Boxes boxes;
Strings statusLog;
Strings pathLog;
std::vector<Played> played;
const vox::Format kWaveFormat = {vox::kPcm, 2, 22050, 88200, 4, 16, 0};

std::string ReadFileBytes(const std::string& path)
{
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(f.write(bytes.data(), (std::streamsize)bytes.size()).flush()) << path;
}

Files Snapshot(const std::string& folder)
{
    Files out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out[e.path().string().substr(folder.size() + 1)] = ReadFileBytes(e.path().string());
    return out;
}

void Restore(const std::string& folder, const Files& files)
{
    for (const auto& f : Snapshot(folder)) {
        const std::string path = folder + "\\" + f.first;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!files.count(f.first))
            DeleteFileA(path.c_str());
    }
    for (const auto& f : files)
        WriteFileBytes(folder + "\\" + f.first, f.second);
}

std::string MakeBank(const std::string& name, const std::vector<TestSound>& sounds)
{
    Strings names;
    for (size_t i = 0; i < sounds.size(); i++)
        names.push_back("S" + std::to_string(i));
    WriteFileBytes(name.substr(0, name.rfind('.')) + ".txt", vox::test::IndexText(names));
    std::string bytes = vox::test::BankBytes(sounds);
    WriteFileBytes(name, bytes);
    return bytes;
}

std::string MakeWave(const std::string& name, size_t bytes)
{
    vox::test::WaveLayout w;
    w.channels = kWaveFormat.channels, w.rate = kWaveFormat.rate, w.bits = kWaveFormat.bits;
    w.data = vox::test::Sounds({bytes}, 7)[0].data;
    WriteFileBytes(name, vox::test::WaveBytes(w));
    return w.data;
}

std::string PlayedSounds()
{
    std::string out;
    for (const Played& p : played)
        out += p.rate == kWaveFormat.rate ? 'P' : (char)('0' + (p.rate - 11025) / 1000);
    return out;
}

bool PumpUntil(const std::function<bool()>& done)
{
    DWORD start = GetTickCount();
    MSG msg;
    while (!done()) {
        if (GetTickCount() - start > 10000)
            return false;
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

bool WaitIdle()
{
    // a request that waited for the device is posted once the device is free
    return PumpUntil([] { return !PlaybackBusy() && !Playing().playingAll && !(HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE); });
}

static std::vector<std::function<bool()>> script;
static size_t scriptStep;

static void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    static bool inStep;  // a step that opens a modal loop is not entered again from it
    if (inStep)
        return;
    inStep = true;
    while (scriptStep < script.size() && script[scriptStep]())
        scriptStep++;
    inStep = false;
}

void RunScript(std::vector<std::function<bool()>> steps)
{
    script = std::move(steps);
    scriptStep = 0;
}

bool ScriptDone() { return scriptStep >= script.size(); }

// The program's calls go through their import slots, so a test can put a device or a disk in
// their place. (32-bit names carry the stdcall decoration, 64-bit ones none.)
#ifdef _WIN64
#define IMPORT(name, decorated) extern "C" decltype(&name) Imported##name __asm__("__imp_" #name);
#else
#define IMPORT(name, decorated) extern "C" decltype(&name) Imported##name __asm__("__imp__" decorated);
#endif
IMPORT(waveOutOpen, "waveOutOpen@24")
IMPORT(WriteFile, "WriteFile@20")
IMPORT(FlushFileBuffers, "FlushFileBuffers@4")
IMPORT(MoveFileExA, "MoveFileExA@12")
IMPORT(CreateHardLinkA, "CreateHardLinkA@12")

template <typename F>
static void Patch(F& slot, F* real, F fake)
{
    *real = slot;
    DWORD was;
    VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &was);
    slot = fake;
}

static decltype(&waveOutOpen) realWaveOutOpen;
static bool refuseQueries, refuseOpens;

static MMRESULT WINAPI MaybeRefuse(LPHWAVEOUT h, UINT id, LPCWAVEFORMATEX f, DWORD_PTR cb, DWORD_PTR inst, DWORD flags)
{
    if ((flags & WAVE_FORMAT_QUERY) ? refuseQueries : refuseOpens)
        return MMSYSERR_ALLOCATED;
    return realWaveOutOpen(h, id, f, cb, inst, flags);
}

void RefuseDevice(bool queries, bool opens)
{
    refuseQueries = queries, refuseOpens = opens;
    if (!realWaveOutOpen)
        Patch(ImportedwaveOutOpen, &realWaveOutOpen, MaybeRefuse);
}

const char* const kDiskCallNames[DISK_CALLS] = {"WriteFile", "FlushFileBuffers", "MoveFileExA", "CreateHardLinkA"};
static int diskCalls[DISK_CALLS];
static int failingCall = -1, failingAt = -1;

// Counts the call; whether it is the one to fail.
static bool Fails(DiskCall call)
{
    int n = diskCalls[call]++;
    if (call != failingCall || n != failingAt)
        return false;
    SetLastError(ERROR_DISK_FULL);
    return true;
}

// What stands in the import slot of a disk call: the call counted, and failed when chosen.
template <DiskCall call, typename F>
struct Fake;
template <DiskCall call, typename... Args>
struct Fake<call, BOOL(WINAPI*)(Args...)> {
    static inline BOOL(WINAPI* real)(Args...);
    static BOOL WINAPI Call(Args... args) { return !Fails(call) && real(args...); }
    static void Put(BOOL(WINAPI*& slot)(Args...)) { Patch(slot, &real, Call); }
};

void CountDiskCalls()
{
    if (!Fake<WRITE_FILE, decltype(&WriteFile)>::real) {
        Fake<WRITE_FILE, decltype(&WriteFile)>::Put(ImportedWriteFile);
        Fake<FLUSH_FILE, decltype(&FlushFileBuffers)>::Put(ImportedFlushFileBuffers);
        Fake<MOVE_FILE, decltype(&MoveFileExA)>::Put(ImportedMoveFileExA);
        Fake<HARD_LINK, decltype(&CreateHardLinkA)>::Put(ImportedCreateHardLinkA);
    }
    failingCall = failingAt = -1;
    for (int& n : diskCalls)
        n = 0;
}

int DiskCalls(DiskCall call) { return diskCalls[call]; }

void FailDiskCall(DiskCall call, int n)
{
    CountDiskCalls();
    failingCall = call, failingAt = n;
}

static HHOOK cbtHook, textHook, getHook;

void AnswerOpenBox(int button)
{
    PostMessageA(boxes.open, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    boxes.open = NULL;
}

static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    HWND w = (HWND)wParam;
    char title[64] = "", text[1024] = "";
    if (code == HCBT_ACTIVATE && GetWindowTextA(w, title, sizeof title) && strcmp(title, szAppName) == 0 && !GetPropA(w, "seen")) {
        SetPropA(w, "seen", (HANDLE)1);
        GetDlgItemTextA(w, 0xFFFF, text, sizeof text);  // a message box's text
        boxes.texts.push_back(text);
        boxes.open = w;
        if (!boxes.hold)
            AnswerOpenBox(GetDlgItem(w, IDYES) ? IDYES : IDOK);
    }
    return CallNextHookEx(cbtHook, code, wParam, lParam);
}

static LRESULT CALLBACK TextHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == IDC_STATUS && GetParent(m->hwnd) != hwndApp)
        statusLog.push_back((const char*)m->lParam);
    if (code == HC_ACTION && m->message == WM_SETTEXT && m->hwnd == hwndText && hwndText)
        pathLog.push_back((const char*)m->lParam);
    return CallNextHookEx(textHook, code, wParam, lParam);
}

// Looks at the device whenever any loop takes a message: a sound unlike the last one seen has started.
static bool holdEnds;
static std::vector<MSG> heldEnds;

void HoldSoundEnds(bool hold)
{
    holdEnds = hold;
    if (!hold) {
        for (const MSG& m : heldEnds)
            PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
        heldEnds.clear();
    }
}

size_t HeldSoundEnds() { return heldEnds.size(); }

void EndHeldSounds()
{
    std::vector<MSG> ends;
    ends.swap(heldEnds);
    for (const MSG& m : ends)
        DispatchMessageA(&m);
}

static LRESULT CALLBACK GetHook(int code, WPARAM wParam, LPARAM lParam)
{
    static Played last;
    MSG* msg = (MSG*)lParam;
    const NowPlaying now = Playing();
    if (!now.bytes) {
        last = Played();
    } else if (now.format.nSamplesPerSec != last.rate || std::string(now.bytes, 16) != last.head) {
        last = {now.format.nSamplesPerSec, std::string(now.bytes, 16), (long)SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0), now.length};
        played.push_back(last);
    }
    if (code == HC_ACTION && wParam == PM_REMOVE && holdEnds && msg->message == MM_WOM_DONE) {
        heldEnds.push_back(*msg);
        msg->message = WM_NULL;
    }
    return CallNextHookEx(getHook, code, wParam, lParam);
}

// The folder and everything in it are removed, read-only files too.
static void RemoveFolder(const std::string& path)
{
    std::error_code ignored;
    for (const auto& e : std::filesystem::recursive_directory_iterator(path, ignored))
        SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path, ignored);
}

void AppTest::SetUp()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    dir = std::string(temp) + "vx_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    RemoveFolder(dir);
    CreateDirectoryA(dir.c_str(), NULL);
    ASSERT_EQ(_chdir(dir.c_str()), 0) << dir;
    cbtHook = SetWindowsHookExA(WH_CBT, CbtHook, NULL, GetCurrentThreadId());
    textHook = SetWindowsHookExA(WH_CALLWNDPROC, TextHook, NULL, GetCurrentThreadId());
    getHook = SetWindowsHookExA(WH_GETMESSAGE, GetHook, NULL, GetCurrentThreadId());
    SetTimer(NULL, 0, 10, ScriptTick);
}

void AppTest::TearDown()
{
    HoldSoundEnds(false);
    WaitIdle();
    if (hwndApp)
        DestroyWindow(hwndApp);
    _chdir("..");
    RemoveFolder(dir);
}

Strings AppTest::Lines(HWND list)
{
    Strings out;
    char text[256];
    for (LRESULT i = 0; SendMessageA(list, LB_GETTEXT, i, (LPARAM)text) != LB_ERR; i++)
        out.push_back(text);
    return out;
}

void AppTest::OpenBank(const std::string& name)
{
    LRESULT i = SendMessageA(hwndList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name.c_str());
    ASSERT_NE(i, LB_ERR) << name << " is not listed";
    DoubleClick(hwndList, (int)i);
}

std::string AppTest::StartOn(const std::vector<TestSound>& sounds)
{
    const std::string bank = MakeBank("x.sfx", sounds);
    Start();
    OpenBank("x.sfx");
    boxes.texts.clear();
    return bank;
}

std::string AppTest::Text(HWND w)
{
    char text[MAX_PATH * 2] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

std::function<bool()> AppTest::Press(int id)
{
    return [this, id] { return DialogButtons(true) && (SendMessageA(rd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0), true); };
}

void AppTest::ReplaceSound(long sound, const std::string& wave, std::vector<std::function<bool()>> steps, int command)
{
    auto choose = [file = dir + "\\" + wave] {
        HWND open = FindWindowA("#32770", "Open");
        if (!IsWindowVisible(open))
            return false;
        HWND name = GetDlgItem(open, 0x47c);  // the file name box
        SetWindowTextA(name ? name : GetDlgItem(open, 0x480), file.c_str());
        return PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(open, IDOK)) != FALSE;
    };
    steps.insert(steps.begin(), {choose, [this] { return IsWindowVisible(rd = FindWindowA("#32770", "Replace Sound")) != FALSE; }});
    RunScript(steps);
    SendMessageA(hwndDisplay, LB_SETCURSEL, sound, 0);
    Command(command);
}

std::function<bool()> AppTest::PickFolder(const std::string& folder)
{
    return [folder] {
        HWND browse = FindWindowA("#32770", NULL);
        if (!IsWindowVisible(browse) || !GetDlgItem(browse, IDOK) || Text(browse) == "Voxmend")
            return false;
        // The picker selects its start folder once it has come up, which may be after this
        // step first runs: OK only once the tree shows the folder selected.
        HWND tree = FindWindowExA(browse, NULL, "SysTreeView32", NULL);
        char name[MAX_PATH] = "";
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        item.pszText = name;
        item.cchTextMax = sizeof name;
        if (!item.hItem || !SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item) ||
            folder.substr(folder.rfind('\\') + 1) != name) {
            SendMessageA(browse, BFFM_SETSELECTIONA, TRUE, (LPARAM)folder.c_str());
            return false;
        }
        return PostMessageA(browse, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(browse, IDOK)) != FALSE;
    };
}

void Drop(const Strings& files, POINT at)
{
    std::string names;
    for (const std::string& f : files)
        names += f + '\0';
    names += '\0';
    HGLOBAL h = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    DROPFILES* df = (DROPFILES*)GlobalLock(h);
    df->pFiles = sizeof(DROPFILES);
    df->pt = at;
    memcpy((char*)df + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(h);
    SendMessageA(hwndApp, WM_DROPFILES, (WPARAM)h, 0);
}

POINT AtLine(HWND list, int line)
{
    RECT r;
    SendMessageA(list, LB_GETITEMRECT, line, (LPARAM)&r);
    POINT pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    MapWindowPoints(list, hwndApp, &pt, 1);
    return pt;
}
