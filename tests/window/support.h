// Test support: the real main window, real message boxes read and answered through a
// thread hook, scripts that act inside modal loops, and bank and WAVE files on disk.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "voxmend.h"

// ---- files ----
std::string ReadFileBytes(const std::string& path);
// "" when equal, else where two byte strings part (binary output helps nobody)
std::string Difference(const std::string& actual, const std::string& expected);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
std::string CurrentDirectory();
std::string WinePath(std::string unixPath);  // a build path as the program sees it
std::string Le32(uint32_t v);
std::string Le16(uint16_t v);

struct TestSound {
    std::string name;
    std::string data;
    uint16_t channels = 1;
    int32_t rate = 11025;
    uint16_t bits = 8;
    int32_t unk = 0;
};
RECORD RecordFor(const TestSound& s, int32_t offset);
// Sounds S0, S1... of these sizes, 8-bit mono; sound i plays at rate + i * step.
std::vector<TestSound> Sounds(const std::vector<size_t>& sizes, int32_t rate, int32_t step, int32_t unk = 0);
// A bank laid out back to back behind its directory; returns its bytes.
std::string BankBytes(const std::vector<TestSound>& sounds);
// Writes name (the bank) and its index file (one name per line, CR LF).
void MakeBank(const std::string& name, const std::vector<TestSound>& sounds);
std::string Tone(size_t bytes, int seed = 1);

struct WaveSpec {
    uint32_t fmtSize = 16;
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 11025;
    uint16_t bits = 8;
    uint16_t cbSize = 0;
    std::string data;
    std::string before;   // chunks before "fmt "
    std::string between;  // chunks between "fmt " and "data"
    std::string after;    // chunks after "data"
    bool dataFirst = false;
};
std::string Chunk(const std::string& id, const std::string& body);
std::string WaveBytes(const WaveSpec& w);

// ---- message pumping and scripts ----
void Pump(DWORD ms);
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
bool WaitForPlaybackEnd(DWORD ms = 10000);

// Steps run one after another from a thread timer, so they also run inside the modal
// loops of dialogs and message boxes. A step returns true once it has done its work.
void RunScript(std::vector<std::function<bool()>> steps);
bool ScriptDone();
HWND FindThreadDialog(const char* title);

// ---- message boxes ----
struct MessageBoxes {
    std::vector<std::string> texts;  // every box shown, in order
    std::deque<int> answers;         // buttons to press; IDOK or IDYES when empty
    bool hold = false;               // leave boxes open for a script to answer
    HWND open = NULL;                // the box left open while hold is set
};
extern MessageBoxes boxes;
extern std::vector<std::string> statusLog;  // every text the Replace dialog's status line was given
void AnswerOpenBox(int button);

// ---- the application ----
class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dir;  // a fresh folder, current while the test runs
    void Start();     // registers the class and creates the window as start-up does

    std::vector<std::string> Lines(HWND list);
    int IndexOf(HWND list, const std::string& text);
    void Command(int id, int code = BN_CLICKED);
    void DoubleClick(HWND list, int index);
    void OpenBank(const std::string& name);
    bool Enabled(HWND w) { return IsWindowEnabled(w) != FALSE; }
    std::string Text(HWND w);
};
