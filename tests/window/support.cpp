#include "support.h"

#include <direct.h>

#include <cstdio>
#include <cstring>
#include <set>

MessageBoxes boxes;
std::vector<std::string> statusLog;

// ---- files ----

std::string ReadFileBytes(const std::string& path)
{
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

std::string Difference(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return "";
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        i++;
    return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) + ", first difference at " + std::to_string(i);
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(fclose(f), 0);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string CurrentDirectory()
{
    char buf[MAX_PATH];
    return _getcwd(buf, sizeof buf) ? buf : "";
}

std::string WinePath(std::string unixPath)
{
    for (char& c : unixPath)
        if (c == '/')
            c = '\\';
    return "Z:" + unixPath;
}

std::string Le32(uint32_t v)
{
    std::string s(4, 0);
    memcpy(&s[0], &v, 4);
    return s;
}

std::string Le16(uint16_t v)
{
    std::string s(2, 0);
    memcpy(&s[0], &v, 2);
    return s;
}

RECORD RecordFor(const TestSound& s, int32_t offset)
{
    RECORD r = {};
    r.length = (int32_t)s.data.size();
    r.offset = offset;
    r.format = 1;
    r.monost = s.channels;
    r.sps = s.rate;
    r.blocka = (uint16_t)(s.channels * s.bits / 8);
    r.abps = s.rate * r.blocka;
    r.bitps = s.bits;
    r.unk = s.unk;
    return r;
}

std::vector<TestSound> Sounds(const std::vector<size_t>& sizes, int32_t rate, int32_t step, int32_t unk)
{
    std::vector<TestSound> s;
    for (size_t i = 0; i < sizes.size(); i++)
        s.push_back({"S" + std::to_string(i), Tone(sizes[i], (int)i), 1, rate + step * (int32_t)i, 8, unk});
    return s;
}

std::string BankBytes(const std::vector<TestSound>& sounds)
{
    std::string bank = Le32((uint32_t)sounds.size()) + std::string(12, 'h');
    int32_t offset = (int32_t)(16 + 28 * sounds.size());
    for (const TestSound& s : sounds) {
        RECORD r = RecordFor(s, offset);
        bank.append((const char*)&r, sizeof r);
        offset += r.length;
    }
    for (const TestSound& s : sounds)
        bank += s.data;
    return bank;
}

void MakeBank(const std::string& name, const std::vector<TestSound>& sounds)
{
    WriteFileBytes(name, BankBytes(sounds));
    std::string index;
    for (const TestSound& s : sounds)
        index += s.name + "\r\n";
    WriteFileBytes(name.substr(0, name.rfind('.')) + ".txt", index);
}

std::string Tone(size_t bytes, int seed)
{
    std::string s(bytes, 0);
    for (size_t i = 0; i < bytes; i++)
        s[i] = (char)(128 + ((i * (7 + seed)) % 64) - 32);
    return s;
}

std::string Chunk(const std::string& id, const std::string& body)
{
    std::string c = id + Le32((uint32_t)body.size()) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

std::string WaveBytes(const WaveSpec& w)
{
    uint16_t align = (uint16_t)(w.channels * w.bits / 8);
    std::string fmt = Le16(w.tag) + Le16(w.channels) + Le32(w.rate) + Le32(w.rate * align) + Le16(align) + Le16(w.bits);
    fmt += Le16(w.cbSize);
    fmt += std::string(w.fmtSize > 18 ? w.fmtSize - 18 : 0, 'x');
    fmt.resize(w.fmtSize);
    std::string fmtChunk = Chunk("fmt ", fmt);
    std::string dataChunk = Chunk("data", w.data);
    std::string body = "WAVE" + w.before;
    body += w.dataFirst ? dataChunk + w.between + fmtChunk : fmtChunk + w.between + dataChunk;
    body += w.after;
    return "RIFF" + Le32((uint32_t)body.size()) + body;
}

// ---- message pumping and scripts ----

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = GetTickCount();
    MSG msg;
    while (!done()) {  // looked at after every message
        if (GetTickCount() - start > ms)
            return false;
        if (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 5, QS_ALLINPUT);
        }
    }
    return true;
}

void Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

bool WaitForPlaybackEnd(DWORD ms)
{
    return PumpUntil([] { return !PlaybackBusy(); }, ms);
}

static std::vector<std::function<bool()>> script;
static size_t scriptStep;
static UINT_PTR scriptTimer;
static bool inScript;

static void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (inScript)  // a step that opens a modal loop must not be re-entered from it
        return;
    inScript = true;
    while (scriptStep < script.size() && script[scriptStep]())
        scriptStep++;
    inScript = false;
    if (scriptStep >= script.size() && scriptTimer) {
        KillTimer(NULL, scriptTimer);
        scriptTimer = 0;
    }
}

void RunScript(std::vector<std::function<bool()>> steps)
{
    script = std::move(steps);
    scriptStep = 0;
    if (!scriptTimer)
        scriptTimer = SetTimer(NULL, 0, 10, ScriptTick);
}

bool ScriptDone()
{
    return scriptStep >= script.size();
}

struct FindDialog {
    const char* title;
    HWND found;
};

static BOOL CALLBACK FindDialogProc(HWND w, LPARAM lp)
{
    FindDialog* f = (FindDialog*)lp;
    char cls[32], title[128];
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, title, sizeof title);
    if (strcmp(cls, "#32770") == 0 && strcmp(title, f->title) == 0 && IsWindowVisible(w)) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

HWND FindThreadDialog(const char* title)
{
    FindDialog f = {title, NULL};
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, (LPARAM)&f);
    return f.found;
}

// ---- message boxes ----

static HHOOK hook, textHook;
static std::set<HWND> seenBoxes;

static BOOL CALLBACK FindBoxText(HWND w, LPARAM lp)
{
    char cls[32];
    GetClassNameA(w, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0 && GetWindowTextLengthA(w) > 0) {
        std::vector<char> text(GetWindowTextLengthA(w) + 1);
        GetWindowTextA(w, text.data(), (int)text.size());
        *(std::string*)lp = text.data();
        return FALSE;
    }
    return TRUE;
}

void AnswerOpenBox(int button)
{
    PostMessageA(boxes.open, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    boxes.open = NULL;
}

static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_DESTROYWND)
        seenBoxes.erase((HWND)wParam);
    if (code == HCBT_ACTIVATE) {
        HWND w = (HWND)wParam;
        char cls[32], title[64];
        GetClassNameA(w, cls, sizeof cls);
        GetWindowTextA(w, title, sizeof title);
        if (strcmp(cls, "#32770") == 0 && strcmp(title, szAppName) == 0 && !seenBoxes.count(w)) {
            seenBoxes.insert(w);
            std::string text;
            EnumChildWindows(w, FindBoxText, (LPARAM)&text);
            boxes.texts.push_back(text);
            boxes.open = w;
            if (!boxes.hold) {
                int button = GetDlgItem(w, IDYES) ? IDYES : IDOK;
                if (!boxes.answers.empty()) {
                    button = boxes.answers.front();
                    boxes.answers.pop_front();
                }
                AnswerOpenBox(button);
            }
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

static LRESULT CALLBACK TextHook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == IDD_STATUS) {
        char title[32];
        GetWindowTextA(GetParent(m->hwnd), title, sizeof title);
        if (strcmp(title, "Replace Sound") == 0)
            statusLog.push_back((const char*)m->lParam);
    }
    return CallNextHookEx(textHook, code, wParam, lParam);
}

// ---- the application ----

static void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

void AppTest::SetUp()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::string(temp) + "vx_" + info->name() + "_" + std::to_string(GetCurrentProcessId());
    RemoveTree(dir);
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), NULL)) << dir;
    ASSERT_EQ(_chdir(dir.c_str()), 0);
    boxes = MessageBoxes();
    hook = SetWindowsHookExA(WH_CBT, CbtHook, NULL, GetCurrentThreadId());
    textHook = SetWindowsHookExA(WH_CALLWNDPROC, TextHook, NULL, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    ASSERT_NE(textHook, nullptr);
}

void AppTest::Start()
{
    ASSERT_NE(StartApp(GetModuleHandleA(NULL), SW_SHOWNORMAL), nullptr);
}

void AppTest::TearDown()
{
    WaitForPlaybackEnd();
    if (hwndApp)
        DestroyWindow(hwndApp);
    Pump(20);
    UnhookWindowsHookEx(hook);
    UnhookWindowsHookEx(textHook);
    _chdir("C:\\");
    RemoveTree(dir);
}

std::vector<std::string> AppTest::Lines(HWND list)
{
    std::vector<std::string> out;
    LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; i++) {
        std::vector<char> text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1);
        SendMessageA(list, LB_GETTEXT, i, (LPARAM)text.data());
        out.push_back(text.data());
    }
    return out;
}

int AppTest::IndexOf(HWND list, const std::string& text)
{
    std::vector<std::string> lines = Lines(list);
    for (size_t i = 0; i < lines.size(); i++)
        if (lines[i] == text)
            return (int)i;
    return -1;
}

void AppTest::Command(int id, int code)
{
    SendMessageA(hwndApp, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(hwndApp, id));
}

void AppTest::DoubleClick(HWND list, int index)
{
    SendMessageA(list, LB_SETCURSEL, index, 0);
    Command(GetDlgCtrlID(list), LBN_DBLCLK);
}

void AppTest::OpenBank(const std::string& name)
{
    int i = IndexOf(hwndList, name);
    ASSERT_GE(i, 0) << name << " is not listed";
    DoubleClick(hwndList, i);
}

std::string AppTest::Text(HWND w)
{
    std::vector<char> text(GetWindowTextLengthA(w) + 1);
    GetWindowTextA(w, text.data(), (int)text.size());
    return text.data();
}
