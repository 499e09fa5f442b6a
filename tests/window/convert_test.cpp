// Files of other kinds than PCM WAVE replace sounds through the real window, converted to the
// format the sound is stored in: the Replace dialog, Replace and Convert, drops and Replace
// from Folder. Their files are made here with libsndfile: tones whose frequency the stored
// sound must keep.
#include "support.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <sndfile.h>

#include "memfiles.h"

namespace {

const double kTone = 750;  // Hz
const double kPi = 3.14159265358979323846;

bool EndsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// seconds of a tone, the right channel at half the level of the left, in this kind of file.
void WriteTone(const std::string& path, int format, int rate, int channels, double seconds)
{
    SF_INFO info = {};
    info.samplerate = rate, info.channels = channels, info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    const sf_count_t frames = (sf_count_t)(seconds * rate);
    std::vector<double> samples((size_t)(frames * channels));
    for (sf_count_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
            samples[(size_t)(i * channels + c)] = (c ? 0.25 : 0.5) * sin(2 * kPi * kTone * (double)i / rate);
    EXPECT_EQ(sf_writef_double(f, samples.data(), frames), frames) << path;
    sf_close(f);
}

struct Stored {
    vox::Entry entry;
    std::string bytes;
};

// Sound n of the bank on disk.
Stored SoundOf(const std::string& bankPath, size_t n)
{
    vox::MemSource source(ReadFileBytes(bankPath));
    vox::Bank bank;
    Stored s;
    if (vox::ReadBank(source, &bank) != vox::BankError::Ok || n >= bank.entries.size())
        return s;
    s.entry = bank.entries[n];
    s.bytes.resize((size_t)s.entry.length);
    vox::ReadSound(source, s.entry, (uint8_t*)&s.bytes[0]);
    return s;
}

// The frequency of an 8-bit mono sound's tone, from its rising crossings of the middle (with
// some hysteresis, for the dither) between the first and the last, the ends left out where a
// resampler ramps in and out.
double ToneOf(const Stored& s)
{
    const size_t rate = (size_t)s.entry.rate, edge = rate / 20;
    double first = -1, last = -1;
    int rises = 0;
    bool low = false;
    for (size_t i = edge + 1; i + edge < s.bytes.size(); i++) {
        const double a = (uint8_t)s.bytes[i - 1] - 128.0, b = (uint8_t)s.bytes[i] - 128.0;
        low = low || b < -8;
        if (low && a < 0 && b >= 0) {
            const double at = (double)(i - 1) + -a / (b - a);
            first = first < 0 ? at : first;
            last = at;
            rises++;
            low = false;
        }
    }
    return rises > 1 ? (rises - 1) * (double)rate / (last - first) : 0;
}

// What sound n of a bank of vox::test::Sounds() must be once a second of the tone replaced it:
// its format, its length within tolerance, the tone.
void ExpectTheTone(const Stored& was, const Stored& now, double tolerance, const std::string& what)
{
    EXPECT_TRUE(vox::FormatOf(now.entry) == vox::FormatOf(was.entry)) << what;
    EXPECT_NEAR((double)now.entry.length, (double)was.entry.rate, was.entry.rate * tolerance) << what;
    EXPECT_NEAR(ToneOf(now), kTone, kTone * 0.005) << what;
}

// The text the Replace dialog shows under its status line, when it shows one.
std::string ConvertedShown(HWND rd)
{
    HWND text = GetDlgItem(rd, IDC_CONVERTED);
    char s[512] = "";
    if (text)
        GetWindowTextA(text, s, sizeof s);
    return text ? s : "(none)";
}

TEST_F(AppTest, OtherKindsOfFileAreConvertedToTheSoundsFormatWhereverTheyComeIn)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({400, 500, 600});
    enum How { Dialog, Convert, Dropped };
    const struct Case {
        const char* file;
        int format, rate;
        How how;
        std::string from;  // what the dialog says the file held
        double tolerance;  // of the length; MP3 adds its encoder's padding
    } cases[] = {
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, Dialog, "FLAC 2ch 44100 Hz 24-bit, 1.00 s", 0.001},
        {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, Dialog, "MP3 2ch 44100 Hz, 1.0", 0.1},
        {"tone float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, Dialog, "WAVE 2ch 22050 Hz 32-bit float, 1.00 s", 0.001},
        {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, Convert, "WAVE 2ch 22050 Hz 16-bit, 1.00 s", 0.001},
        {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, Dropped, "Ogg Vorbis 2ch 44100 Hz, 1.00 s", 0.001},
    };
    MakeBank("x.sfx", sounds);
    Start();
    for (const Case& c : cases) {
        const std::string before = MakeBank("x.sfx", sounds);
        WriteTone(c.file, c.format, c.rate, 2, 1.0);
        DeleteFileA("x.sfx.bak");
        OpenBank("x.sfx");
        boxes.texts.clear();
        played.clear();
        std::string shown;
        auto look = [&] { return shown = ConvertedShown(rd), true; };
        if (c.how == Dropped) {
            RunScript({[this] { return IsWindowVisible(rd = FindWindowA("#32770", "Replace Sound")) != FALSE; }, look,
                       Press(IDC_NEW), Press(IDC_OK)});
            Drop({dir + "\\" + c.file}, AtLine(hwndDisplay, 1));
        } else {
            ReplaceSound(1, c.file, {look, Press(IDC_NEW), Press(IDC_OK)}, c.how == Convert ? IDM_REPLACECONVERT : IDC_REPLACE);
        }
        ASSERT_TRUE(ScriptDone()) << c.file;
        EXPECT_EQ(boxes.texts, Strings{kConfirm}) << c.file;
        const Stored was = SoundOf("x.sfx.bak", 1), now = SoundOf("x.sfx", 1);
        EXPECT_TRUE(ReadFileBytes("x.sfx.bak") == before) << c.file;
        ExpectTheTone(was, now, c.tolerance, c.file);
        for (size_t other : {0, 2})
            EXPECT_EQ(SoundOf("x.sfx", other).bytes, SoundOf("x.sfx.bak", other).bytes) << c.file;
        // told in voxbank's words
        EXPECT_EQ(shown.substr(0, c.from.size()), c.from) << c.file;
        EXPECT_NE(shown.find(" -> PCM 1ch 12025 Hz 8-bit, "), std::string::npos) << shown;
        EXPECT_TRUE(EndsWith(shown, " bytes (was 500 bytes, 0.04 s)")) << shown;
        // the preview and Play New Sound played what was stored
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(played.size(), 2u) << c.file;
        for (const Played& p : played)
            EXPECT_TRUE(p.rate == 12025 && p.head == now.bytes.substr(0, 16)) << c.file;
        // the path line told the conversion going on, three times, and is the bank's again
        const std::string converting = "Converting " + std::string(c.file);
        EXPECT_EQ(std::count_if(pathLog.begin(), pathLog.end(), [&](const std::string& t) { return t == converting + "..."; }), 3)
            << c.file;
        EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
        pathLog.clear();
    }
}

TEST_F(AppTest, TheOpenDialogOffersEveryKindOfFileItConvertsBesideWaveFiles)
{
    MakeBank("x.sfx", vox::test::Sounds({400, 500}));
    Start();
    OpenBank("x.sfx");
    for (int command : {IDC_REPLACE, IDM_REPLACECONVERT}) {
        Strings filters;
        LRESULT shown = -1;
        RunScript({[&] {
            HWND open = FindWindowA("#32770", "Open");
            HWND types = GetDlgItem(open, 0x470);  // the file types box
            if (!IsWindowVisible(open) || !types)
                return false;
            char text[256];
            for (LRESULT i = 0; SendMessageA(types, CB_GETLBTEXT, i, (LPARAM)text) != CB_ERR; i++)
                filters.push_back(text);
            shown = SendMessageA(types, CB_GETCURSEL, 0, 0);
            return PostMessageA(open, WM_COMMAND, IDCANCEL, 0) != FALSE;
        }});
        SendMessageA(hwndDisplay, LB_SETCURSEL, 1, 0);
        Command(command);
        ASSERT_TRUE(ScriptDone());
        ASSERT_GT(filters.size(), 4u);
        EXPECT_EQ(filters.front(), "Wave Sound Files (*.WAV)");
        EXPECT_EQ(filters[1], "Audio Files Voxmend Converts");
        EXPECT_EQ(filters.back(), "All Files (*.*)");
        for (const char* kind : {"FLAC (Free Lossless Audio Codec) (*.flac)", "OGG (OGG Container format) (*.oga;*.ogg;*.opus)",
                                 "MPEG-1/2 Audio (*.m1a;*.mp3;*.mp2)"})
            EXPECT_NE(std::find(filters.begin(), filters.end(), kind), filters.end()) << kind;
        EXPECT_EQ(shown, command == IDC_REPLACE ? 0 : 1) << "WAVE files first, or every kind converting";
    }
}

TEST_F(AppTest, APcmWaveFileKeepsItsFormatUnlessConvertingIsAskedFor)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({400, 500, 600});
    const std::string before = MakeBank("x.sfx", sounds);
    const std::string data = MakeWave("new.wav", 700);
    Start();
    OpenBank("x.sfx");
    std::string shown;
    ReplaceSound(1, "new.wav", {[&] { return shown = ConvertedShown(rd), true; }, Press(IDC_OK)});
    EXPECT_EQ(shown, "(none)");
    EXPECT_TRUE(ReadFileBytes("x.sfx") == vox::test::SplicedBank(before, 1, {kWaveFormat, false, {data.begin(), data.end()}}));

    // its stereo 16-bit at 22050 Hz becomes the sound's mono 8-bit at 12025 Hz
    ReplaceSound(2, "new.wav", {[&] { return shown = ConvertedShown(rd), true; }, Press(IDC_OK)}, IDM_REPLACECONVERT);
    EXPECT_EQ(shown.substr(0, 40), "WAVE 2ch 22050 Hz 16-bit, 0.01 s -> PCM ");
    const Stored now = SoundOf("x.sfx", 2);
    EXPECT_TRUE(vox::FormatOf(now.entry) == vox::FormatOf(vox::test::EntryFor(sounds[2], 0)));
    EXPECT_NEAR(now.entry.length, 175 * 13025 / 22050, 1);
}

TEST_F(AppTest, AFileTheLibrariesCannotReadLeavesTheBankAsItWas)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({400, 500, 600});
    enum How { Dialog, Convert, Dropped };
    const struct Case {
        const char* file;
        std::string bytes;
        How how;
    } cases[] = {
        {"junk.flac", "fLaC and then nothing a decoder can use", Dialog},
        {"junk.wav", "not even RIFF", Dialog},
        {"junk.mp3", "", Convert},
        {"junk.ogg", std::string(5000, 'O'), Dropped},
    };
    const std::string before = MakeBank("x.sfx", sounds);
    Start();
    OpenBank("x.sfx");
    for (const Case& c : cases) {
        WriteFileBytes(c.file, c.bytes);
        boxes.texts.clear();
        bool opened = false;  // the Replace dialog, which must not open; closed if it does
        auto cancel = [&] { return opened = true, PostMessageA(rd, WM_COMMAND, IDCANCEL, 0), true; };
        if (c.how == Dropped) {
            RunScript({[this] { return (rd = FindWindowA("#32770", "Replace Sound")) != NULL; }, cancel});
            Drop({dir + "\\" + c.file}, AtLine(hwndDisplay, 1));
        } else {
            ReplaceSound(1, c.file, {cancel}, c.how == Convert ? IDM_REPLACECONVERT : IDC_REPLACE);
        }
        EXPECT_FALSE(opened) << c.file;
        ASSERT_EQ(boxes.texts.size(), 1u) << c.file;
        const std::string named = dir + "\\" + c.file + ": ";
        EXPECT_EQ(boxes.texts[0].substr(0, named.size()), named) << c.file;
        EXPECT_GT(boxes.texts[0].size(), named.size() + 5) << "a reason is given: " << boxes.texts[0];
        EXPECT_TRUE(ReadFileBytes("x.sfx") == before) << c.file;
        EXPECT_EQ(GetFileAttributesA("x.sfx.bak"), INVALID_FILE_ATTRIBUTES) << c.file;
        EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
    }
}

TEST_F(AppTest, ReplaceFromFolderTakesBackExactlyTheEditedFilesAndUndoPutsThemBack)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({400, 500, 600, 700, 800});
    const std::string before = MakeBank("x.sfx", sounds);
    CreateDirectoryA("all", NULL);
    const std::string folder = dir + "\\all";
    Start();
    OpenBank("x.sfx");
    RunScript({PickFolder(folder)});
    Command(IDM_SAVEALL);
    ASSERT_TRUE(ScriptDone());

    // nothing edited: nothing replaced
    boxes.texts.clear();
    RunScript({PickFolder(folder)});
    Command(IDM_REPLACEFOLDER);
    EXPECT_EQ(boxes.texts, Strings{"Nothing differs from the 5 sound files in " + folder + "; the bank is unchanged."});
    EXPECT_TRUE(ReadFileBytes("x.sfx") == before);

    // sound 1 becomes a FLAC file, sound 3 another WAVE file; a note is not a sound
    DeleteFileA("all\\001-S1.wav");
    WriteTone("all\\001 new take.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 1, 1.0);
    MakeWave("all\\003-S3.wav", 1000);
    WriteFileBytes("all\\notes.txt", "takes of 6 May");
    boxes.texts.clear();
    RunScript({PickFolder(folder)});
    Command(IDM_REPLACEFOLDER);
    EXPECT_EQ(boxes.texts, (Strings{"Replace 2 sounds of x.sfx by their files in " + folder +
                                        "? Sounds 1 and 3 differ from what the bank holds. The bank as it is now is kept "
                                        "as x.sfx.bak.",
                                    "Sounds 1 and 3 replaced by their files in " + folder + "."}));
    EXPECT_TRUE(ReadFileBytes("x.sfx.bak") == before);
    for (size_t n = 0; n < sounds.size(); n++) {
        const Stored was = SoundOf("x.sfx.bak", n), now = SoundOf("x.sfx", n);
        if (n == 1)
            ExpectTheTone(was, now, 0.001, "001 new take.flac");
        else if (n == 3)
            EXPECT_TRUE(vox::FormatOf(now.entry) == vox::FormatOf(was.entry) && now.bytes != was.bytes &&
                        abs(now.entry.length - 250 * 14025 / 22050) <= 1);
        else
            EXPECT_TRUE(now.entry.length == was.entry.length && now.bytes == was.bytes) << n;
    }
    EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");

    // the folder now holds what the bank holds; Undo puts back the bank before
    boxes.texts.clear();
    RunScript({PickFolder(folder)});
    Command(IDM_REPLACEFOLDER);
    EXPECT_EQ(boxes.texts, Strings{"Nothing differs from the 5 sound files in " + folder + "; the bank is unchanged."});
    Command(IDC_UNDO);
    EXPECT_TRUE(ReadFileBytes("x.sfx") == before);

    // a file that cannot be read stops it before the bank is touched
    const std::string undone = ReadFileBytes("x.sfx.bak");
    WriteFileBytes("all\\002-S2.wav", "scratched");
    boxes.texts.clear();
    RunScript({PickFolder(folder)});
    Command(IDM_REPLACEFOLDER);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].substr(0, folder.size() + 12), folder + "\\002-S2.wav:");
    EXPECT_TRUE(ReadFileBytes("x.sfx") == before && ReadFileBytes("x.sfx.bak") == undone);
}

}  // namespace
