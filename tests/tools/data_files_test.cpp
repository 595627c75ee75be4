// Checks every file of the generated data/ folder against what the game's
// loaders expect, independently of the generator's own tables.
#include <gtest/gtest.h>
#include <stb_image.h>
#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/assetgen/synth.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = TESSORY_DATA_DIR;

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Sheet {
    const char* name;
    int frameW, frameH, frames;  // tier-1 frame size as the loader asks for it
    int width, height;           // tier-1 file size
};

// The loader's table, plus the maker logo and the text font (16-pixel frames).
const Sheet kSheets[] = {
    {"common/icons", 32, 32, 16, 128, 128},
    {"common/Buttons", 64, 64, 16, 256, 256},
    {"common/dpad", 32, 32, 16, 128, 128},
    {"common/TolvLogo", 256, 256, 1, 256, 256},
    {"menu", 256, 256, 4, 512, 512},
    {"logo", 256, 128, 1, 256, 128},
    {"BadgesA", 64, 64, 64, 512, 512},
    {"parts", 8, 8, 256, 128, 128},
    {"common/circle", 256, 256, 4, 512, 512},
    {"common/light", 32, 32, 4, 64, 64},
    {"0", 32, 32, 64, 256, 256},
    {"1", 32, 32, 64, 256, 256},
    {"2", 32, 32, 64, 256, 256},
    {"3", 32, 32, 64, 256, 256},
    {"9", 32, 32, 16, 128, 128},
    {"fonts/shadow_editundo", 16, 16, 128, 256, 128},
};

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    uint8_t Alpha(int x, int y) const { return rgba[(size_t(y) * w + x) * 4 + 3]; }
};

Image Load(const std::string& file) {
    Image img;
    int n = 0;
    uint8_t* p = stbi_load(file.c_str(), &img.w, &img.h, &n, 4);
    if (p) {
        img.rgba.assign(p, p + size_t(img.w) * img.h * 4);
        stbi_image_free(p);
    }
    return img;
}

std::string TierFile(const std::string& name, int tier) {
    return kData + "/" + name + (tier == 2 ? "-hd" : tier == 4 ? "-hd2" : "") + ".png";
}

// Frame origins exactly as the image loader lays out a grid; empty if a frame
// would fall outside the surface.
std::vector<std::pair<int, int>> CutFrames(int w, int h, int fw, int fh, int n) {
    std::vector<std::pair<int, int>> out;
    int x = 0, y = 0;
    for (int i = 0; i < n; ++i) {
        if (x + fw > w) {
            if (fw > w) return {};
            y += fh;
            x = 0;
        }
        if (y + fh > h) return {};
        out.push_back({x, y});
        x += fw;
    }
    return out;
}

TEST(DataImages, EverySheetHasThreeTiersOfTheExactSize) {
    for (const Sheet& s : kSheets) {
        for (int tier : {1, 2, 4}) {
            Image img = Load(TierFile(s.name, tier));
            ASSERT_FALSE(img.rgba.empty()) << TierFile(s.name, tier);
            EXPECT_EQ(img.w, s.width * tier) << s.name << " tier " << tier;
            EXPECT_EQ(img.h, s.height * tier) << s.name << " tier " << tier;
        }
    }
}

TEST(DataImages, LoaderCutsEveryFrameAndNoneIsEmpty) {
    for (const Sheet& s : kSheets) {
        for (int tier : {1, 2, 4}) {
            Image img = Load(TierFile(s.name, tier));
            ASSERT_FALSE(img.rgba.empty()) << s.name;
            const int fw = s.frameW * tier, fh = s.frameH * tier;
            auto frames = CutFrames(img.w, img.h, fw, fh, s.frames);
            ASSERT_EQ(int(frames.size()), s.frames) << s.name << " tier " << tier;
            // The grid holds no more frames than the game asks for, rounded up to a row.
            EXPECT_LT((img.w / fw) * (img.h / fh) - s.frames, img.w / fw) << s.name;
            for (int i = 0; i < s.frames; ++i) {
                // The text font's frame 0 is the space character, which is never drawn.
                if (std::string(s.name) == "fonts/shadow_editundo" && i == 0) continue;
                int visible = 0;
                for (int y = 0; y < fh; ++y)
                    for (int x = 0; x < fw; ++x)
                        visible += img.Alpha(frames[i].first + x, frames[i].second + y) > 32;
                EXPECT_GE(visible, fw * fh / 100 + 1)
                    << s.name << " tier " << tier << " frame " << i << " is (nearly) empty";
            }
        }
    }
}

TEST(DataImages, NothingIsCutOffAtAFrameEdge) {
    // A picture that runs into its frame's edge shows a hard cut where it is
    // clipped, and bleeds into the neighbouring frame when filtered.
    for (const Sheet& s : kSheets) {
        for (int tier : {1, 2, 4}) {
            Image img = Load(TierFile(s.name, tier));
            ASSERT_FALSE(img.rgba.empty()) << s.name;
            const int fw = s.frameW * tier, fh = s.frameH * tier;
            auto frames = CutFrames(img.w, img.h, fw, fh, s.frames);
            for (int i = 0; i < int(frames.size()); ++i) {
                int worst = 0;
                auto [x0, y0] = frames[size_t(i)];
                for (int k = 0; k < fw; ++k)
                    worst = std::max(
                        {worst, int(img.Alpha(x0 + k, y0)), int(img.Alpha(x0 + k, y0 + fh - 1))});
                for (int k = 0; k < fh; ++k)
                    worst = std::max(
                        {worst, int(img.Alpha(x0, y0 + k)), int(img.Alpha(x0 + fw - 1, y0 + k))});
                EXPECT_LE(worst, 40) << s.name << " tier " << tier << " frame " << i;
            }
        }
    }
}

TEST(DataImages, DefaultFontIsOneStripWithBorderColumns) {
    Image img = Load(kData + "/vemo_font.png");
    ASSERT_FALSE(img.rgba.empty());
    ASSERT_EQ(img.w % 96, 0);
    const int fw = img.w / 96;
    EXPECT_GE(fw, 6);
    EXPECT_GE(img.h, 8);
    for (int i = 0; i < 96; ++i) {
        int inside = 0;
        for (int y = 0; y < img.h; ++y) {
            EXPECT_EQ(img.Alpha(i * fw, y), 0) << "left border of frame " << i;
            EXPECT_EQ(img.Alpha(i * fw + fw - 1, y), 0) << "right border of frame " << i;
            for (int x = 1; x < fw - 1; ++x) inside += img.Alpha(i * fw + x, y) > 0;
        }
        if (i != 0) {
            EXPECT_GT(inside, 0) << "glyph " << i + 32 << " is empty";
        }
    }
}

TEST(DataImages, CubeSheetsDifferOnlyInColourNotInShape) {
    // The body and the fading overlay of the next colour are drawn over each
    // other, so every colour's frame must cover the same pixels.
    Image red = Load(TierFile("0", 2)), green = Load(TierFile("1", 2));
    ASSERT_EQ(red.rgba.size(), green.rgba.size());
    long differ = 0, total = 0;
    for (int y = 0; y < red.h; ++y)
        for (int x = 0; x < red.w; ++x) {
            bool a = red.Alpha(x, y) > 128, b = green.Alpha(x, y) > 128;
            total += a;
            differ += a != b;
        }
    EXPECT_LT(differ, total / 200);
}

struct Wave {
    int channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples;
};

// A strict little reader for the 16-bit PCM files the generator writes.
bool ReadWave(const std::vector<uint8_t>& b, Wave& w) {
    auto u32 = [&](size_t at) {
        return uint32_t(b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24));
    };
    auto u16 = [&](size_t at) { return int(b[at] | (b[at + 1] << 8)); };
    if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE" || u32(4) + 8 != b.size())
        return false;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string id(b.begin() + long(at), b.begin() + long(at) + 4);
        uint32_t size = u32(at + 4);
        if (at + 8 + size > b.size()) return false;
        if (id == "fmt ") {
            if (u16(at + 8) != 1) return false;
            w.channels = u16(at + 10);
            w.rate = int(u32(at + 12));
            w.bits = u16(at + 22);
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < size; i += 2) w.samples.push_back(int16_t(u16(at + 8 + i)));
        }
        at += 8 + size + (size & 1);
    }
    return w.channels > 0 && !w.samples.empty();
}

double Rms(const std::vector<int16_t>& s) {
    double sum = 0;
    for (int16_t v : s) sum += double(v) * v;
    return std::sqrt(sum / double(s.size())) / 32768.0;
}

const char* kEffects[] = {"001", "002", "003", "004", "005", "006", "095", "096", "098", "099"};

TEST(DataSounds, EffectsAre16BitPcmUnderMinusOneDbfsWithoutClicks) {
    const int ceiling = int(32768 * std::pow(10.0, -1.0 / 20));
    for (const char* n : kEffects) {
        Wave w;
        std::string file = kData + "/sfx/" + n + ".wav";
        ASSERT_TRUE(ReadWave(ReadBytes(file), w)) << file;
        EXPECT_EQ(w.bits, 16) << n;
        EXPECT_EQ(w.rate, 44100) << n;
        int peak = 0;
        for (int16_t v : w.samples) peak = std::max(peak, std::abs(int(v)));
        EXPECT_LE(peak, ceiling) << n;
        EXPECT_GT(peak, ceiling / 8) << n << " is nearly silent";
        // Starting or ending away from zero would click.
        EXPECT_LT(std::abs(int(w.samples.front())), 330) << n;
        EXPECT_LT(std::abs(int(w.samples.back())), 330) << n;
    }
}

double LoudnessOf(const Wave& w) {
    assetgen::Buffer b;
    for (int16_t v : w.samples) b.push_back(float(v) / 32768.0f);
    return assetgen::Loudness(b);
}

TEST(DataSounds, EffectsShareOneLoudness) {
    // Measured as heard (frequency-weighted, loudest fifth of a second), so a
    // bass thud and a bright chime that play side by side sound equally loud.
    std::vector<double> db;
    double softTick = 0;
    for (const char* n : kEffects) {
        Wave w;
        ASSERT_TRUE(ReadWave(ReadBytes(kData + "/sfx/" + n + ".wav"), w));
        if (std::string(n) == "095") {
            softTick = LoudnessOf(w);
            continue;
        }
        db.push_back(LoudnessOf(w));
    }
    auto [lo, hi] = std::minmax_element(db.begin(), db.end());
    EXPECT_LT(*hi - *lo, 3.0);
    // The background tick is meant to sit under all of them.
    EXPECT_LT(softTick, *lo);
}

TEST(DataSounds, MusicLoopsSeamlesslyAndSitsUnderTheEffects) {
    int channels = 0, rate = 0;
    short* pcm = nullptr;
    std::string file = kData + "/sfx/jazzed.ogg";
    int frames = stb_vorbis_decode_filename(file.c_str(), &channels, &rate, &pcm);
    ASSERT_GT(frames, 0) << file;
    std::vector<int16_t> s(pcm, pcm + size_t(frames) * channels);
    std::free(pcm);
    const double seconds = double(frames) / rate;
    EXPECT_GE(seconds, 30.0);
    EXPECT_LE(seconds, 45.0);
    EXPECT_EQ(channels, 2);

    // The seam (last frame -> first frame) must be no bigger a step than the
    // music itself makes from one sample to the next almost everywhere.
    for (int c = 0; c < channels; ++c) {
        std::vector<int> steps;
        for (int i = 1; i < frames; ++i)
            steps.push_back(
                std::abs(s[size_t(i) * channels + c] - s[size_t(i - 1) * channels + c]));
        std::sort(steps.begin(), steps.end());
        int typical = steps[steps.size() * 99 / 100];
        int seam = std::abs(s[size_t(c)] - s[size_t(frames - 1) * channels + c]);
        EXPECT_LE(seam, typical) << "channel " << c;
        // The loop's end must sound like the run-up to any other downbeat: no
        // fade-out or gap before the seam. Half way through is also a bar line.
        std::vector<int16_t> beforeSeam, beforeMiddle;
        for (int i = 1; i <= rate / 10; ++i) {
            beforeSeam.push_back(s[size_t(frames - i) * channels + c]);
            beforeMiddle.push_back(s[size_t(frames / 2 - i) * channels + c]);
        }
        EXPECT_NEAR(20 * std::log10(Rms(beforeSeam)), 20 * std::log10(Rms(beforeMiddle)), 6.0);
    }
    // Quieter than every effect even at its loudest moment, so effects read
    // clearly over it.
    Wave left;
    for (int i = 0; i < frames; ++i) left.samples.push_back(s[size_t(i) * channels]);
    for (const char* n : kEffects) {
        Wave w;
        ASSERT_TRUE(ReadWave(ReadBytes(kData + "/sfx/" + n + ".wav"), w));
        if (std::string(n) != "095") {
            EXPECT_LT(LoudnessOf(left), LoudnessOf(w) - 1) << n;
        }
    }
}

TEST(DataFiles, SecondRunOfTheGeneratorIsByteIdentical) {
    fs::path again =
        fs::temp_directory_path() / ("tessory_data_again_" + std::to_string(::getpid()));
    fs::remove_all(again);
    std::string cmd = std::string("\"") + TESSORY_ASSETGEN + "\" --out \"" + again.string() +
                      "\" --fonts \"" + TESSORY_DEJAVU_DIR + "\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    int compared = 0;
    for (const auto& e : fs::recursive_directory_iterator(again)) {
        if (!e.is_regular_file()) continue;
        fs::path rel = fs::relative(e.path(), again);
        EXPECT_EQ(ReadBytes(e.path()), ReadBytes(fs::path(kData) / rel)) << rel;
        ++compared;
    }
    // 16 sheets in three tiers, the default font, ten effects and the music.
    EXPECT_EQ(compared, 16 * 3 + 1 + 10 + 1);
    fs::remove_all(again);
}

}  // namespace
