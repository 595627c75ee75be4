// Real files through the project's decoders: the game's own generated sounds and music,
// and the WAVE files Debian's alsa-utils installs, checked sample for sample against sox.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/ogg_loader.h"
#include "audio/wav_loader.h"
#include "tests/audio/audio_files.h"
#include "tests/support/child_process.h"

namespace fs = std::filesystem;

namespace {

struct Decoded {
    unsigned char* data = nullptr;
    int length = 0, channels = 0, format = 0, hertz = 0;
    ~Decoded() { std::free(data); }
    size_t bytes() const { return static_cast<size_t>(length) * channels * format; }
};

using Loader = unsigned char* (*)(FILE*, int*, int*, int*, int*);

void DecodeFile(const fs::path& path, Loader load, Decoded* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    out->data = load(f, &out->length, &out->channels, &out->format, &out->hertz);
    std::fclose(f);
}

std::vector<fs::path> FilesIn(const fs::path& dir, const std::string& extension) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() == extension) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Peak16(const Decoded& d) {
    const short* s = reinterpret_cast<const short*>(d.data);
    int peak = 0;
    for (size_t i = 0; i < static_cast<size_t>(d.length) * d.channels; ++i) {
        peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    }
    return peak;
}

const fs::path kData = TESSORY_DATA_DIR;

}  // namespace

TEST(GeneratedSounds, EveryEffectIs16Bit44100HertzAndPeaksAtMostMinusOneDecibel) {
    std::vector<fs::path> effects = FilesIn(kData / "sfx", ".wav");
    ASSERT_GE(effects.size(), 10u) << "the data generator writes sfx/001..006, 095, 096, 098, 099";
    const int ceiling = static_cast<int>(32768 * std::pow(10.0, -1.0 / 20));
    for (const fs::path& file : effects) {
        Decoded d;
        DecodeFile(file, LoadWAV, &d);
        ASSERT_NE(d.data, nullptr) << file;
        EXPECT_EQ(d.format, 2) << file;
        EXPECT_EQ(d.hertz, 44100) << file;
        EXPECT_TRUE(d.channels == 1 || d.channels == 2) << file;
        EXPECT_GT(d.length, 0) << file;
        int peak = Peak16(d);
        EXPECT_LE(peak, ceiling) << file;
        EXPECT_GT(peak, 0) << file << " is silent";
    }
}

TEST(GeneratedSounds, TheMusicDecodesAsVorbis) {
    Decoded d;
    DecodeFile(kData / "sfx" / "jazzed.ogg", LoadOGG, &d);
    ASSERT_NE(d.data, nullptr);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.hertz, 44100);
    EXPECT_GT(d.length, 44100 * 20);  // a piece of half a minute and more
    EXPECT_GT(Peak16(d), 3000);
}

// Debian's alsa-utils installs its speaker-test voices as WAVE files; sox decodes each to
// raw samples in the file's own encoding, which must equal our block byte for byte.
TEST(RealWorldWave, AlsaUtilsSoundsDecodeSampleExactAgainstSox) {
    std::vector<fs::path> files = FilesIn("/usr/share/sounds/alsa", ".wav");
    if (files.empty()) GTEST_SKIP() << "alsa-utils is not installed";
    ScratchDir dir;
    for (const fs::path& file : files) {
        Decoded d;
        DecodeFile(file, LoadWAV, &d);
        ASSERT_NE(d.data, nullptr) << file;
        std::string raw = dir.path() + "/" + file.stem().string() + ".raw";
        ChildResult sox = RunChild({"/usr/bin/sox", file.string(), "-t", "raw", raw});
        ASSERT_EQ(sox.status, 0) << sox.err;
        std::string expected = ReadAll(raw);
        ASSERT_EQ(d.bytes(), expected.size()) << file;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(d.data), d.bytes()), expected) << file;

        ChildResult info = RunChild({"/usr/bin/soxi", "-c", file.string()});
        EXPECT_EQ(std::atoi(info.out.c_str()), d.channels) << file;
        info = RunChild({"/usr/bin/soxi", "-r", file.string()});
        EXPECT_EQ(std::atoi(info.out.c_str()), d.hertz) << file;
    }
}
