// Files of other kinds than PCM WAVE replace sounds through the real window: the Replace dialog,
// Replace and Convert, drops and Replace from Folder. Whichever way a file comes in, the sound
// stored must be what voxbank's conversion makes of it in the sound's own format (how well that
// conversion hears is for voxbank's tests to judge), and a PCM WAVE file dropped is taken as it is.
#include "support.h"

#include <algorithm>

#include <sndfile.h>

#include "convert/convert.h"
#include "convert/pcm.h"
#include "memfiles.h"
#include "sinefile.h"

namespace {

enum How { Dialog, Convert, Dropped };

// What the file must become in place of a sound stored as was: converted to its format, or a
// PCM WAVE file taken as it is.
vox::Sound Expected(const std::string& file, const vox::Entry& was, bool converted)
{
    vox::Sound sound;
    if (!converted) {
        vox::MemSource source(ReadFileBytes(file));
        EXPECT_EQ(vox::ReadWave(source, &sound), vox::WaveError::Ok) << file;
        return sound;
    }
    vox::Conversion c = vox::ConvertAudioFile(file, vox::PcmFormat((uint32_t)was.rate, was.channels, was.bits), INT32_MAX);
    EXPECT_EQ(c.error, "") << file;
    return c.sound;
}

class Converting : public AppTest {
protected:
    // The file comes to sound 1 the way given; the steps run in the Replace dialog once it is up.
    void BringIn(const std::string& file, How how, std::vector<std::function<bool()>> steps)
    {
        if (how != Dropped)
            return ReplaceSound(1, file, steps, how == Convert ? IDM_REPLACECONVERT : IDC_REPLACE);
        steps.insert(steps.begin(), [this] { return IsWindowVisible(rd = FindWindowA("#32770", "Replace Sound")) != FALSE; });
        RunScript(steps);
        Drop({dir + "\\" + file}, AtLine(hwndDisplay, 1));
    }
    // The text the Replace dialog shows under its status line, when it shows one.
    std::string ConvertedShown() const
    {
        HWND text = GetDlgItem(rd, IDC_CONVERTED);
        return text ? Text(text) : "(none)";
    }
};

TEST_F(Converting, OtherKindsOfFileBecomeTheSoundsFormatWhereverTheyComeIn)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({400, 500, 600});
    const vox::Entry was = vox::test::EntryFor(sounds[1], 0);
    const struct Case {
        const char* file;
        int format, rate;
        How how;
        std::string from;  // what the dialog says the file held; "" for a file taken as it is
        double rewritten = 0;  // seconds of another tone the file holds once Play New Sound is pressed
    } cases[] = {
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, Dialog, "FLAC 2ch 44100 Hz 24-bit, 1.00 s"},
        {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, Dialog, "FLAC 2ch 44100 Hz 24-bit, 1.00 s", 0.5},
        {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, Dialog, "MP3 2ch 44100 Hz, 1.0"},
        {"tone float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 22050, Dialog, "WAVE 2ch 22050 Hz 32-bit float, 1.00 s"},
        {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, Convert, "WAVE 2ch 22050 Hz 16-bit, 1.00 s"},
        {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, Dropped, "Ogg Vorbis 2ch 44100 Hz, 1.00 s"},
        {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, Dropped, ""},
    };
    MakeBank("x.sfx", sounds);
    Start();
    for (const Case& c : cases) {
        const std::string before = MakeBank("x.sfx", sounds);
        vox::test::WriteSine(c.file, c.format, c.rate, 2, 1.0, 441, 0.5);
        OpenBank("x.sfx");
        boxes.texts.clear();
        played.clear();
        pathLog.clear();
        std::string shown;
        auto rewrite = [&] {
            if (c.rewritten)
                vox::test::WriteSine(c.file, c.format, c.rate, 2, c.rewritten, 882, 0.5);
            return true;
        };
        BringIn(c.file, c.how, {[&] { return shown = ConvertedShown(), true; }, Press(IDC_NEW), rewrite, Press(IDC_OK)});
        ASSERT_TRUE(ScriptDone()) << c.file;
        EXPECT_EQ(boxes.texts, Strings{kConfirm}) << c.file;
        const vox::Sound want = Expected(c.file, was, !c.from.empty());
        EXPECT_TRUE(ReadFileBytes("x.sfx") == vox::test::SplicedBank(before, 1, want)) << c.file;
        // told in voxbank's words
        if (c.from.empty()) {
            EXPECT_EQ(shown, "(none)");
        } else {
            EXPECT_EQ(shown.substr(0, c.from.size()), c.from) << c.file;
            EXPECT_NE(shown.find(" -> PCM 1ch 12025 Hz 8-bit, "), std::string::npos) << shown;
            EXPECT_EQ(shown.substr(shown.size() - 30), " bytes (was 500 bytes, 0.04 s)") << shown;
        }
        // the preview and Play New Sound played what was stored, unless the file changed after
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(played.size(), 2u) << c.file;
        for (const Played& p : played)
            EXPECT_TRUE(c.rewritten || (p.rate == want.format.rate && p.head == std::string(want.bytes.begin(), want.bytes.begin() + 16)))
                << c.file;
        // the path line told the conversion going on: once, and again for a file that changed
        // since, and is the bank's again
        const std::string converting = "Converting " + std::string(c.file) + "...";
        EXPECT_EQ(std::count(pathLog.begin(), pathLog.end(), converting), c.from.empty() ? 0 : c.rewritten ? 2 : 1) << c.file;
        EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
    }
}

TEST_F(Converting, AFileTheLibrariesCannotReadLeavesTheBankAsItWas)
{
    const struct { const char* file; std::string bytes; How how; } cases[] = {
        {"junk.flac", "fLaC and then nothing a decoder can use", Dialog},
        {"junk.mp3", "", Convert},
        {"junk.ogg", std::string(5000, 'O'), Dropped},
    };
    const std::string before = StartOn(vox::test::Sounds({400, 500, 600}));
    for (const auto& c : cases) {
        WriteFileBytes(c.file, c.bytes);
        boxes.texts.clear();
        bool opened = false;  // the Replace dialog, which must not open; closed if it does
        BringIn(c.file, c.how, {[&] { return opened = true, PostMessageA(rd, WM_COMMAND, IDCANCEL, 0), true; }});
        EXPECT_FALSE(opened) << c.file;
        ASSERT_EQ(boxes.texts.size(), 1u) << c.file;
        const std::string named = dir + "\\" + c.file + ": not a sound file Voxmend can read (";
        EXPECT_EQ(boxes.texts[0].substr(0, named.size()), named) << c.file;
        EXPECT_GT(boxes.texts[0].size(), named.size() + 5) << "libsndfile's reason is given: " << boxes.texts[0];
        EXPECT_EQ(boxes.texts[0].back(), ')') << boxes.texts[0];
        EXPECT_TRUE(ReadFileBytes("x.sfx") == before) << c.file;
        EXPECT_EQ(GetFileAttributesA("x.sfx.bak"), INVALID_FILE_ATTRIBUTES) << c.file;
        EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
    }
}

TEST_F(Converting, ReplaceFromFolderTakesBackExactlyTheEditedFiles)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({400, 500, 600, 700, 800});
    CreateDirectoryA("all", NULL);
    const std::string folder = dir + "\\all";
    const std::string before = StartOn(sounds);
    RunScript({PickFolder(folder)});
    Command(IDM_SAVEALL);
    ASSERT_TRUE(ScriptDone());
    auto replaceFromFolder = [&] {
        boxes.texts.clear();
        RunScript({PickFolder(folder)});
        Command(IDM_REPLACEFOLDER);
    };

    // nothing edited: nothing replaced
    replaceFromFolder();
    EXPECT_EQ(boxes.texts, Strings{"Nothing differs from the 5 sound files in " + folder + "; the bank is unchanged."});
    EXPECT_TRUE(ReadFileBytes("x.sfx") == before);

    // sound 1 becomes a FLAC file, sound 3 another WAVE file, both converted; a note is not a sound
    DeleteFileA("all\\001-S1.wav");
    vox::test::WriteSine("all\\001 new take.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 1, 1.0, 441, 0.5);
    MakeWave("all\\003-S3.wav", 1000);
    WriteFileBytes("all\\notes.txt", "takes of 6 May");
    replaceFromFolder();
    EXPECT_EQ(boxes.texts, (Strings{"Replace 2 sounds of x.sfx by their files in " + folder +
                                        "? Sounds 1 and 3 differ from what the bank holds. The bank as it is now is kept "
                                        "as x.sfx.bak.",
                                    "Sounds 1 and 3 replaced by their files in " + folder + "."}));
    EXPECT_TRUE(ReadFileBytes("x.sfx.bak") == before);
    const vox::Sound one = Expected("all\\001 new take.flac", vox::test::EntryFor(sounds[1], 0), true);
    const vox::Sound three = Expected("all\\003-S3.wav", vox::test::EntryFor(sounds[3], 0), true);
    EXPECT_TRUE(ReadFileBytes("x.sfx") == vox::test::SplicedBank(vox::test::SplicedBank(before, 1, one), 3, three));
    EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");

    // a file that cannot be read stops it before the bank is touched
    const Files replaced = Snapshot(dir);
    WriteFileBytes("all\\002-S2.wav", "scratched");
    replaceFromFolder();
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0].substr(0, folder.size() + 12), folder + "\\002-S2.wav:");
    EXPECT_TRUE(ReadFileBytes("x.sfx") == replaced.at("x.sfx") && ReadFileBytes("x.sfx.bak") == replaced.at("x.sfx.bak"));
}

}  // namespace
