// The Replace dialog shows both sounds: their waveforms on one time scale, drawn from the
// samples as stored, with length, loudness and true peak; and Match loudness remakes the new
// sound, which Play New Sound and REPLACE then take.
#include "support.h"

#include <cmath>

#include "convert/loudness.h"
#include "memfiles.h"

namespace {

const double kPi = 3.14159265358979323846;

// bits-bit PCM of seconds of a 1 kHz sine at dBFS on every channel (none below -150 dBFS).
std::string Tone(uint32_t rate, uint16_t channels, uint16_t bits, double seconds, double dBFS)
{
    std::string bytes;
    const double full = std::ldexp(1.0, bits - 1), amp = dBFS < -150 ? 0 : std::pow(10.0, dBFS / 20);
    for (size_t i = 0; i < (size_t)(seconds * rate); i++)
        for (unsigned c = 0; c < channels; c++) {
            long v = std::lround(amp * std::sin(2 * kPi * 1000 * (double)i / rate) * (full - 1));
            if (bits == 8)
                v += 128;
            for (unsigned b = 0; b < bits / 8u; b++)
                bytes += (char)(uint8_t)((unsigned long)v >> (8 * b));
        }
    return bytes;
}

TestSound Stored(uint32_t rate, uint16_t channels, uint16_t bits, double seconds, double dBFS)
{
    TestSound s;
    s.rate = rate, s.channels = channels, s.bits = bits;
    s.data = Tone(rate, channels, bits, seconds, dBFS);
    return s;
}

void PutWave(const std::string& name, uint32_t rate, uint16_t channels, uint16_t bits, double seconds, double dBFS)
{
    vox::test::WaveLayout w;
    w.rate = rate, w.channels = channels, w.bits = bits;
    w.data = Tone(rate, channels, bits, seconds, dBFS);
    WriteFileBytes(name, vox::test::WaveBytes(w));
}

// A picture as the dialog draws it: which of its pixels are ink, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<bool> ink;

    bool At(int x, int y) const { return ink[(size_t)(y * width + x)]; }
    // Whether any pixel of the columns [x0, x1) and rows [y0, y1) is ink.
    bool Any(int x0, int x1, int y0, int y1) const
    {
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (At(x, y))
                    return true;
        return false;
    }
};

// The control drawn into a bitmap of the test's own, as it paints itself on the screen.
Picture Draw(HWND control)
{
    Picture p;
    RECT r;
    GetClientRect(control, &r);
    p.width = r.right, p.height = r.bottom;
    HDC screen = GetDC(control), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, p.width, p.height);
    HGDIOBJ was = SelectObject(dc, bitmap);
    SendMessageA(control, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            COLORREF c = GetPixel(dc, x, y);
            p.ink.push_back(GetBValue(c) > 100 && GetRValue(c) < 60 && GetGValue(c) < 60);
        }
    SelectObject(dc, was);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(control, screen);
    return p;
}

class Pictures : public AppTest {
protected:
    // Whether both captions have their loudness, which is measured once the pictures are up.
    bool Measured() const
    {
        for (int id : {IDC_OLDCAPTION, IDC_NEWCAPTION}) {
            const std::string caption = Text(GetDlgItem(rd, id));
            if (caption.find("dBTP") == std::string::npos && caption.find("no peak") == std::string::npos)
                return false;
        }
        return true;
    }
};

TEST_F(Pictures, TheDialogDrawsBothSoundsOnOneTimeScale)
{
    // sound 0 stored as 8-bit, sound 1 as 16-bit stereo; both at -20 dBFS, one second long
    const std::vector<TestSound> sounds = {Stored(11025, 1, 8, 1, -20), Stored(22050, 2, 16, 1, -20)};
    const struct {
        const char* what;
        long sound;
        double seconds, dBFS;  // of the file, in the sound's own format
        const char* oldCaption;
        const char* caption;   // the new sound's
        bool loud;             // its picture reaches near the top and bottom
    } cases[] = {
        {"a loud file, half as long, for an 8-bit sound", 0, 0.5, -1, "Original sound: 1.00 s, -23.0 LUFS, -19.7 dBTP",
         "New sound: 0.50 s, -4.0 LUFS, -1.0 dBTP", true},
        {"a silent file, for a 16-bit stereo sound", 1, 1, -200, "Original sound: 1.00 s, -20.0 LUFS, -20.0 dBTP",
         "New sound: 1.00 s, silent, no peak", false},
    };
    StartOn(sounds);
    for (const auto& c : cases) {
        const TestSound& s = sounds[(size_t)c.sound];
        PutWave("new.wav", s.rate, s.channels, s.bits, c.seconds, c.dBFS);
        Picture old, fresh;
        std::string oldCaption, newCaption;
        ReplaceSound(c.sound, "new.wav", {[&] {
                                              if (!Measured())
                                                  return false;
                                              old = Draw(GetDlgItem(rd, IDC_OLDWAVE));
                                              fresh = Draw(GetDlgItem(rd, IDC_NEWWAVE));
                                              oldCaption = Text(GetDlgItem(rd, IDC_OLDCAPTION));
                                              newCaption = Text(GetDlgItem(rd, IDC_NEWCAPTION));
                                              return true;
                                          },
                                          Press(IDC_CANCEL)});
        ASSERT_TRUE(ScriptDone()) << c.what;
        ASSERT_GT(old.width, 100) << c.what;
        ASSERT_EQ(fresh.width, old.width) << c.what;
        const int w = old.width, h = old.height, middle = h / 2;
        EXPECT_EQ(oldCaption, c.oldCaption) << c.what;
        EXPECT_EQ(newCaption, c.caption) << c.what;
        // the old sound at -20 dBFS: ink about the middle all along, none near the edges
        EXPECT_TRUE(old.Any(0, 5, middle - h / 20 - 1, middle + h / 20 + 2)) << c.what << ": the old sound's start";
        EXPECT_TRUE(old.Any(w - 5, w, middle - h / 20 - 1, middle + h / 20 + 2)) << c.what << ": the old sound's end";
        EXPECT_FALSE(old.Any(0, w, 0, h / 4)) << c.what << ": -20 dBFS stays near the middle";
        if (c.loud) {
            EXPECT_TRUE(fresh.Any(0, w / 2 - 2, 0, h / 8)) << c.what << ": -1 dBFS reaches the top";
            EXPECT_TRUE(fresh.Any(0, w / 2 - 2, h - h / 8, h)) << c.what << ": and the bottom";
            EXPECT_FALSE(fresh.Any(w / 2 + 2, w, 0, h)) << c.what << ": half as long, on the old sound's time scale";
        } else {
            EXPECT_FALSE(fresh.Any(0, w, 0, middle - 1)) << c.what << ": silence is a line";
            EXPECT_FALSE(fresh.Any(0, w, middle + 2, h)) << c.what << ": silence is a line";
            EXPECT_TRUE(fresh.Any(w - 5, w, middle - 1, middle + 2)) << c.what << ": all along";
        }
    }
}

TEST_F(Pictures, MatchLoudnessRemakesTheNewSoundForPlayAndReplace)
{
    // sound 1 at -20 dBFS (-23.0 LUFS), the file 20 dB softer
    const std::vector<TestSound> sounds = {Stored(11025, 1, 8, 0.2, -6), Stored(22050, 1, 16, 1, -20)};
    StartOn(sounds);
    PutWave("new.wav", 22050, 1, 16, 1, -40);
    auto check = [this](bool on) {
        return [this, on] { return SendMessageA(GetDlgItem(rd, IDC_MATCH), BM_CLICK, 0, 0), IsDlgButtonChecked(rd, IDC_MATCH) == (on ? BST_CHECKED : BST_UNCHECKED); };
    };
    Strings gains, captions;
    auto look = [&] {
        if (!Measured())
            return false;
        gains.push_back(Text(GetDlgItem(rd, IDC_GAIN)));
        captions.push_back(Text(GetDlgItem(rd, IDC_NEWCAPTION)));
        return true;
    };
    bool offAtFirst = false;
    ReplaceSound(1, "new.wav",
                 {[&] { return offAtFirst = IsDlgButtonChecked(rd, IDC_MATCH) == BST_UNCHECKED, look(); }, check(true), look,
                  Press(IDC_NEW), check(false), look, check(true), Press(IDC_OK)});
    ASSERT_TRUE(ScriptDone());
    EXPECT_TRUE(offAtFirst);
    EXPECT_EQ(gains, (Strings{"", "matched to -23.0 LUFS (+20.0 dB)", ""}));
    EXPECT_EQ(captions, (Strings{"New sound: 1.00 s, -43.0 LUFS, -40.0 dBTP", "New sound: 1.00 s, -23.0 LUFS, -20.0 dBTP",
                                 "New sound: 1.00 s, -43.0 LUFS, -40.0 dBTP"}));
    EXPECT_EQ(boxes.texts, Strings{kConfirm});
    // the preview played the file as it is, Play New Sound the matched one
    ASSERT_EQ(played.size(), 2u);
    const std::string file = Tone(22050, 1, 16, 1, -40);
    EXPECT_EQ(played[0].head, file.substr(0, 16));
    EXPECT_NE(played[1].head, file.substr(0, 16));
    // and REPLACE put the matched one in the bank
    vox::MemSource bank(ReadFileBytes("x.sfx"));
    vox::Bank b;
    ASSERT_EQ(vox::ReadBank(bank, &b), vox::BankError::Ok);
    std::vector<uint8_t> bytes((size_t)b.entries[1].length);
    ASSERT_TRUE(vox::ReadSound(bank, b.entries[1], bytes.data()));
    const vox::Loudness now = vox::MeasureLoudness(vox::FormatOf(b.entries[1]), bytes.data(), bytes.size());
    ASSERT_TRUE(now.lufs);
    EXPECT_NEAR(*now.lufs, -23.0, 0.5);
}

}  // namespace
