// The extension dispatch in front of the two decoders.
#include "audio/audio_data.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "runtime/gc/collector.h"
#include "tests/audio/audio_files.h"

namespace {

class AudioData : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string wave = [] {
        WaveSpec form;
        form.channels = 2;
        form.data = Pcm16({1, 2, 3, 4, 5, 6});
        return WaveBytes(form);
    }();

    // Loads the file; true when the decoder accepted it.
    bool Load(const std::string& path, int* length = nullptr) {
        int len = 0, channels = 0, format = 0, hertz = 0;
        unsigned char* data =
            LoadAudioFile(String::FromUtf8(path), &len, &channels, &format, &hertz);
        if (length) *length = len;
        std::free(data);
        return data != nullptr;
    }
};

}  // namespace

TEST_F(AudioData, WavExtensionInAnyCaseIsDecodedAsWave) {
    for (const char* name : {"a.wav", "b.WAV", "c.Wav", "x.ogg.wav"}) {
        int length = 0;
        EXPECT_TRUE(Load(dir.Write(name, wave), &length)) << name;
        EXPECT_EQ(length, 3) << name;
    }
}

TEST_F(AudioData, OnlyTheVeryEndOfThePathCounts) {
    for (const char* name : {"a.wave", "b.mp3", "c.wav.bak", "wav", "d.wav/"}) {
        EXPECT_FALSE(Load(dir.path() + "/" + name)) << name << " (missing)";
    }
    for (const char* name : {"a.wave", "b.mp3", "c.wav.bak", "noext"}) {
        EXPECT_FALSE(Load(dir.Write(name, wave))) << name;
    }
}

TEST_F(AudioData, OggExtensionGoesToTheVorbisDecoder) {
    std::vector<float> silence(4000, 0.0f);
    std::string ogg = EncodeVorbis(silence, 1, 8000);
    EXPECT_TRUE(Load(dir.Write("m.OGG", ogg)));
    EXPECT_FALSE(Load(dir.Write("m.wav", ogg)));  // a Vorbis stream is not a WAVE file
    EXPECT_FALSE(Load(dir.Write("w.ogg", wave)));
}

TEST_F(AudioData, MissingFileGivesNull) {
    EXPECT_FALSE(Load(dir.path() + "/none.wav"));
}

TEST_F(AudioData, NonAsciiFileNamesAreOpenedAsUtf8) {
    EXPECT_TRUE(Load(dir.Write("kl\xc3\xa4ng.wav", wave)));
}

TEST_F(AudioData, DecodedBytesAreCountedForTheCollector) {
    int before = gc_ext_new_bytes.load();
    ASSERT_TRUE(Load(dir.Write("n.wav", wave)));
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 12);
    ASSERT_FALSE(Load(dir.Write("n.mp3", wave)));
    EXPECT_EQ(gc_ext_new_bytes.load() - before, 12);
}
