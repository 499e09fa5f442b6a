#include "support.h"

namespace {

class WaveTest : public AppTest {
protected:
    // Loads bytes as the replacement; the text of the last message box, or "" when none.
    std::string Load(const std::string& bytes, const char* name = "r.wav")
    {
        WriteFileBytes(name, bytes);
        return LoadFile(dir + "\\" + name);
    }
    std::string LoadFile(const std::string& path)
    {
        strcpy(pstrReplaceFile, path.c_str());
        bValidReplace = TRUE;
        boxes.texts.clear();
        LoadReplace();
        return boxes.texts.empty() ? "" : boxes.texts.back();
    }
    void ExpectLoaded(const std::string& data, uint16_t channels, uint32_t rate, uint16_t bits)
    {
        ASSERT_TRUE(bReplaceLoaded);
        EXPECT_EQ(Format.wFormatTag, 1);
        EXPECT_EQ(Format.nChannels, channels);
        EXPECT_EQ(Format.nSamplesPerSec, rate);
        EXPECT_EQ(Format.wBitsPerSample, bits);
        ASSERT_EQ(dwdatasize, data.size());
        EXPECT_EQ(std::string(lpData, dwdatasize), data);
    }
};

TEST_F(WaveTest, LoadsPcmWithOtherChunksAroundAndKeepsCbSizeOfShortFormats)
{
    Start();
    const std::string list = Chunk("LIST", "INFOICMT" + Le32(5) + "hello" + std::string(1, 0));
    WaveSpec w;
    w.data = Tone(301);
    w.before = Chunk("JUNK", "abc");
    w.between = list;
    w.after = list;
    Format.cbSize = 7;
    EXPECT_EQ(Load(WaveBytes(w)), "");
    ExpectLoaded(w.data, 1, 11025, 8);
    EXPECT_EQ(Format.cbSize, 7);  // a 16-byte chunk has no cbSize
    EXPECT_EQ(dwFmtSize, 16u);

    w.fmtSize = 18;
    w.channels = 2;
    w.bits = 16;
    w.rate = 22050;
    EXPECT_EQ(Load(WaveBytes(w)), "");
    ExpectLoaded(w.data, 2, 22050, 16);
    EXPECT_EQ(Format.cbSize, 0);

    w.fmtSize = 64;  // longer than the format record: its tail is skipped
    w.cbSize = 46;
    EXPECT_EQ(Load(WaveBytes(w)), "");
    ExpectLoaded(w.data, 2, 22050, 16);
    EXPECT_EQ(Format.cbSize, 46);
    EXPECT_EQ(hWaveOut, nullptr);
    EXPECT_EQ(WaveHdr.lpData, nullptr);
}

TEST_F(WaveTest, EachBadFileIsRefusedInItsOwnWords)
{
    Start();
    WaveSpec good;
    good.data = Tone(100);
    auto with = [&](std::function<void(WaveSpec&)> change) {
        WaveSpec w = good;
        change(w);
        return WaveBytes(w);
    };
    std::string cut = WaveBytes(good);
    cut.resize(cut.size() - 40);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "Not a valid wave file"},
        {"just some text, not RIFF at all", "Not a valid wave file"},
        {"RIFF" + Le32(4 + 108) + "WAVE" + Chunk("data", good.data), "Wave file appears to be corrupted"},
        {with([](WaveSpec& w) { w.fmtSize = 14; }), "Failed to load format chunk"},
        {with([](WaveSpec& w) { w.tag = 3; }), "Not a PCM file"},
        {with([](WaveSpec& w) { w.bits = 64; }), "Can't play format"},
        {with([](WaveSpec& w) { w.dataFirst = true; }), "No data chunk"},
        {with([](WaveSpec& w) { w.data.clear(); }), "Chunk has no data"},
        {cut, "Failed to read chunk"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        EXPECT_EQ(Load(c.first), c.second);
        EXPECT_FALSE(bReplaceLoaded);
        EXPECT_EQ(lpData, nullptr);
        EXPECT_EQ(boxes.texts.size(), 1u);
        PlayReplace();  // nothing was loaded, so nothing plays
        EXPECT_FALSE(PlaybackBusy());
    }
    EXPECT_EQ(LoadFile(dir + "\\missing.wav"), "Failed to open wave file");
    bValidReplace = FALSE;
    LoadReplace();
    PlayReplace();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed to open wave file", "No valid Replace", "No valid Replace"}));
}

TEST_F(WaveTest, FilesMadeBySoxLoadAndPreview)
{
    struct Fixture { const char* name; uint16_t channels; uint32_t rate; uint16_t bits; };
    const Fixture fixtures[] = {{"mono8.wav", 1, 11025, 8}, {"stereo8.wav", 2, 8000, 8},
                                {"stereo16.wav", 2, 22050, 16}, {"listed16.wav", 1, 44100, 16}};
    Start();
    for (const Fixture& f : fixtures) {
        SCOPED_TRACE(f.name);
        std::string bytes = ReadFileBytes(WinePath(std::string(FIXTURES) + "/" + f.name));
        ASSERT_GT(bytes.size(), 44u);
        uint32_t size;
        memcpy(&size, &bytes[40], 4);
        std::string data = bytes.substr(44, size);
        EXPECT_EQ(Load(bytes), "");
        ExpectLoaded(data, f.channels, f.rate, f.bits);
        // the same audio with LIST chunks between and after
        std::string listed = bytes.substr(12, 24) + Chunk("LIST", "INFOISFT" + Le32(4) + "sox" + std::string(1, 0)) +
                             bytes.substr(36) + Chunk("LIST", "INFOINAM" + Le32(2) + "x" + std::string(1, 0));
        EXPECT_EQ(Load("RIFF" + Le32((uint32_t)listed.size() + 4) + "WAVE" + listed), "");
        ExpectLoaded(data, f.channels, f.rate, f.bits);

        PlayReplace();
        EXPECT_TRUE(PlaybackBusy());
        ASSERT_TRUE(WaitForPlaybackEnd());
        EXPECT_EQ(lpData, nullptr);
    }
    EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
