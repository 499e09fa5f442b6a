// The real main window under test: message boxes read and answered through a thread hook,
// scripts that act inside modal loops, and a record of every sound that starts.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "builders.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/voxmend.h"

using Strings = std::vector<std::string>;
// The questions before a replace, and before an undo of bank x.sfx.
inline const char kConfirm[] = "Are you sure you want to replace the sound ?";
inline const std::string kUndoX = "Put back x.sfx as it was before the last replace? The bank as it is now is kept as x.sfx.bak.";
using vox::test::TestSound;

using Files = std::map<std::string, std::string>;
// Every file of the folder and those inside it, named relative to it, with its bytes.
Files Snapshot(const std::string& folder);
// The folder holds these files again, and no others.
void Restore(const std::string& folder, const Files& files);
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// Writes the bank and an index file naming its sounds S0, S1...; returns the bank's bytes.
std::string MakeBank(const std::string& name, const std::vector<TestSound>& sounds);
// Writes a WAVE file in kWaveFormat, which no test bank's sound shares; returns its samples.
std::string MakeWave(const std::string& name, size_t bytes);
extern const vox::Format kWaveFormat;

bool PumpUntil(const std::function<bool()>& done);  // false after 10 s
bool WaitIdle();  // until no sound plays and none waits for the device
// Steps run one after another from a thread timer, so also inside the modal loops of dialogs
// and message boxes. A step returns true once it has done its work.
void RunScript(std::vector<std::function<bool()>> steps);
bool ScriptDone();
// The program's sound device refuses format queries, opens, or neither.
void RefuseDevice(bool queries, bool opens);

// While held, the device's reports that a sound has ended wait in the test instead of reaching
// the window, so that a test decides when each sound ends. Letting go posts them again.
void HoldSoundEnds(bool hold);
size_t HeldSoundEnds();
void EndHeldSounds();  // the held reports reach the window now; holding goes on

// The disk calls the program makes: one of them can be made to fail, once.
enum DiskCall { WRITE_FILE, FLUSH_FILE, MOVE_FILE, HARD_LINK, DISK_CALLS };
extern const char* const kDiskCallNames[DISK_CALLS];
void CountDiskCalls();  // from zero, none failing
int DiskCalls(DiskCall call);  // made since
void FailDiskCall(DiskCall call, int n);  // the n-th call from now on (0 is the next) fails

struct Boxes {
    Strings texts;      // every box shown, in order
    bool hold = false;  // leave boxes open for a script to answer; else Yes or OK is pressed
    HWND open = NULL;   // the box left open
};
extern Boxes boxes;
void AnswerOpenBox(int button);
extern Strings statusLog;  // every text the Replace dialog's status line was given
extern Strings pathLog;    // every text the main window's path line was given

struct Played {
    DWORD rate;
    std::string head;  // its first bytes
    long line;         // the sound list's selection as it started
    DWORD size;        // the bytes it plays
};
extern std::vector<Played> played;  // every playback that started, in order
// Which sound each playback was: its number in a bank of vox::test::Sounds(), or P for a WAVE file.
std::string PlayedSounds();

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string dir;  // a fresh folder, current while the test runs
    HWND rd = NULL;   // the Replace dialog, once open

    void Start() { ASSERT_NE(StartApp(GetModuleHandleA(NULL), SW_SHOWNORMAL), nullptr); }
    void Command(int id, int code = BN_CLICKED)
    {
        SendMessageA(hwndApp, WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)GetDlgItem(hwndApp, id));
    }
    void DoubleClick(HWND list, int index)
    {
        SendMessageA(list, LB_SETCURSEL, index, 0);
        Command(GetDlgCtrlID(list), LBN_DBLCLK);
    }
    void OpenBank(const std::string& name);
    // Starts the program on the bank x.sfx of these sounds, open and no box seen; returns its bytes.
    std::string StartOn(const std::vector<TestSound>& sounds);
    Strings Lines(HWND list);
    static std::string Text(HWND w);
    static bool Enabled(HWND w) { return IsWindowEnabled(w) != FALSE; }
    static bool MainButtons() { return Enabled(hwndPlayAll) && Enabled(hwndReplace); }
    bool DialogButtons(bool on) const
    {
        return Enabled(GetDlgItem(rd, IDC_OK)) == on && Enabled(GetDlgItem(rd, IDC_ORIGINAL)) == on && Enabled(GetDlgItem(rd, IDC_NEW)) == on;
    }
    // The Replace command (or another that opens the Replace dialog) for a sound: the Open
    // dialog is given the file, then the steps run in the Replace dialog. Returns when the
    // command has ended (or waits).
    void ReplaceSound(long sound, const std::string& wave, std::vector<std::function<bool()>> steps,
                      int command = IDC_REPLACE);
    std::function<bool()> Press(int id);  // once the dialog's buttons are enabled
    // A step that chooses the folder in the folder picker.
    static std::function<bool()> PickFolder(const std::string& folder);
};

// A drop of these files at a point of the main window's client area, as Explorer makes it.
void Drop(const Strings& files, POINT at);
// The middle of a line of a list, in the main window's client area.
POINT AtLine(HWND list, int line);
