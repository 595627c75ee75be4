// The harness itself, and the game's text on the real renderer: scripted keys reach
// the game at the update they are given for, each update's draw list is kept, sample
// text renders legibly at 640 x 480 and at 1920 x 1080, and the font keeps every pair
// of neighbouring glyphs evenly apart on every image tier.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "input/input_device.h"
#include "input/key_codes.h"
#include "tests/game/game_harness.h"

namespace {

// A screen that shows a square while the first action button is held, and follows
// the mouse with a small oval.
struct ButtonScreen : c_MyApp {
    int p_OnUpdate() override {
        p_CLS2D(0, 0, 0, 1);
        if (p_PlayKey(10, 0, 0)) p_Rect(10, 10, 20, 20);
        p_Oval(qo_input_MouseX(), qo_input_MouseY(), 3, 3);
        return 0;
    }
};

// A screen of sample text: left-aligned lines with a line break and kerning, a
// centred title, and a rotated word.
struct TextScreen : c_MyApp {
    int p_OnUpdate() override {
        p_CLS2D(20, 30, 60, 1);
        p_SetSize(2, kOmitted);
        p_SetCol(255, 220, 120, 1);
        p_Text(qo_Game_jscrw / 2, 40, String("TESSORY"), 1, 1, 0);
        p_SetSize(1, kOmitted);
        p_SetCol(255, 255, 255, 1);
        p_Text(40, 100, String("Roll the cube, collect the gems.\\nSmall, Medium or Large."), 0, 1,
               0);
        p_Text(40, 140, String("Score ") + p_rstr(4250, 8, String("0")), 0, 1, 0);
        p_SetRot(-20);
        p_SetCol(120, 255, 140, 1);
        p_Text(320, 220, String("wiggle WILL"), 1, 1, 0);
        return 0;
    }
};

int Records(const std::vector<float>& list) {
    return static_cast<int>(list.size() / 15);
}

TEST(Harness, ScriptedKeyReachesTheGameAtItsUpdate) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new ButtonScreen);
    h.At(3, [&] { h.KeyDown(keys::kSpace); });
    h.At(6, [&] { h.KeyUp(keys::kSpace); });
    h.RunUpdates(7);
    EXPECT_EQ(h.Updates(), 7);
    for (int update = 1; update <= 7; ++update) {
        bool held = update >= 3 && update <= 5;
        EXPECT_EQ(Records(h.DrawList(update)), held ? 2 : 1) << "update " << update;
    }
    EXPECT_EQ(h.DrawList(4)[0], kDrawRect);
    EXPECT_TRUE(h.DrawList(99).empty());
}

TEST(Harness, ScriptedMouseMovesArriveInDevicePixels) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new ButtonScreen);
    h.At(2, [&] { h.MouseMove(123, 45); });
    h.RunUpdates(2);
    const std::vector<float>& list = h.DrawList(2);
    ASSERT_EQ(Records(list), 1);
    EXPECT_EQ(list[1], 123);
    EXPECT_EQ(list[2], 45);
}

TEST(Harness, ScriptedJoystickButtonReadsAsAPad) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new ButtonScreen);
    h.At(2, [&] { h.Joystick(0, 0, 0, {0}); });
    h.RunUpdates(3);
    EXPECT_EQ(Records(h.DrawList(1)), 1);
    EXPECT_EQ(Records(h.DrawList(3)), 2);
}

TEST(Harness, GameStartsThroughTheHostAtSixtyUpdates) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new ButtonScreen);
    EXPECT_EQ(h.host().UpdateRate(), 60);
    EXPECT_EQ(app->m_LoadStep, 1);
    EXPECT_NE(app->m_Images[90].get(), nullptr) << "the text font did not load";
    EXPECT_NE(app->m_Images[93].get(), nullptr) << "the logo did not load";
    double start = h.host().clock.now;
    h.RunUpdates(60);
    EXPECT_NEAR(h.host().clock.now - start, 1.0, 1.0 / 30);
}

// Text pixels: anything clearly brighter than the background.
int BrightPixels(const GameHarness::Shot& shot, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            GameHarness::Rgb p = shot.Pixel(x, y);
            count += p.r + p.g + p.b > 400;
        }
    }
    return count;
}

void CheckSampleText(int width, int height, const char* file) {
    GameHarness h({width, height});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new TextScreen);
    h.RunUpdates(2);  // the first render fits the virtual screen; the second update uses it
    GameHarness::Shot shot = h.Screenshot();
    ASSERT_TRUE(shot.Save(GameHarness::ShotPath(file)));

    float s = app->m_ScaleX;
    // Background where nothing is drawn.
    GameHarness::Rgb corner = shot.Pixel(width - 3, height - 3);
    EXPECT_NEAR(corner.r, 20, 3);
    EXPECT_NEAR(corner.b, 60, 3);
    // The first body line, its second line one line lower, and nothing between the
    // title and the body.
    auto at = [&](float v) { return static_cast<int>(v * s); };
    EXPECT_GT(BrightPixels(shot, at(40), at(95), at(250), at(105)), 20);
    EXPECT_GT(BrightPixels(shot, at(40), at(105), at(200), at(115)), 20);
    EXPECT_EQ(BrightPixels(shot, 0, at(60), width, at(90)), 0);
    // The centred title is centred.
    int left = BrightPixels(shot, 0, at(30), width / 2, at(50));
    int right = BrightPixels(shot, width / 2, at(30), width, at(50));
    EXPECT_GT(left, 50);
    EXPECT_NEAR(left, right, (left + right) / 4);
}

TEST(Harness, SampleTextAt640x480) {
    CheckSampleText(640, 480, "text_640x480.png");
}

TEST(Harness, SampleTextAt1920x1080) {
    CheckSampleText(1920, 1080, "text_1920x1080.png");
}

// Sample lines one under the other; only every fourth glyph, from `phase` on, stays
// visible, so each glyph's ink is read back alone even where neighbours overlap.
struct GapScreen : c_MyApp {
    std::vector<std::string> lines;
    float size = 1;
    int phase = 0;
    std::vector<std::vector<float>> pens;  // x of each glyph, per line

    float LineY(size_t line) const { return (20.0f * static_cast<float>(line) + 12) * size; }
    int p_OnUpdate() override {
        p_CLS2D(128, 128, 128, 1);
        p_SetSize(size, kOmitted);
        pens.assign(lines.size(), {});
        for (size_t i = 0; i < lines.size(); ++i) {
            int first = m_DrawCount;
            p_Text(8, LineY(i), String(lines[i].c_str()), 0, 1, 0);
            for (int at = first; at < m_DrawCount; at += kRecordFloats) {
                if ((at - first) / kRecordFloats % 4 != phase) m_DrawList[at + 7] = 0;  // alpha
                pens[i].push_back(m_DrawList[at + 1]);
            }
        }
        return 0;
    }
};

// The wheel's names and descriptions, the highscore notice, the options rows, the
// credits, the loader, digits, and the printable ASCII range in runs sharing their ends.
std::vector<std::string> SampleLines() {
    std::vector<std::string> texts = {"New Highscore",
                                      "1st! 2nd 3rd 10th",
                                      "Top 10",
                                      "Loading...",
                                      "<[BACK]",
                                      "Sound : [- Quiet -  -]",
                                      "Music : [-  - Normal-]",
                                      "Fullscreen",
                                      "Windowed",
                                      "Left Thumbstick Y Normal",
                                      "Right Thumbstick Y Flipped",
                                      "0123456789"};
    for (const Array<String>& list : {qo_Game_MenuSet, qo_Game_CreditText}) {
        for (int i = 0; i < list.Length(); ++i) texts.push_back(list[i].ToUtf8());
    }
    for (char first : {'!', '@', '_'}) {
        texts.emplace_back();
        for (char c = first; c < first + 32; ++c) texts.back() += c;
    }
    std::vector<std::string> lines;
    for (const std::string& text : texts) {
        size_t from = 0;
        for (size_t at; (at = text.find("\\n", from)) != std::string::npos; from = at + 2) {
            lines.push_back(text.substr(from, at - from));
        }
        lines.push_back(text.substr(from));
    }
    return lines;
}

// First and last column of a frame's area that differs from the grey backdrop: the face
// and the drop shadow both count as ink.
std::pair<int, int> InkColumns(const GameHarness::Shot& shot, int cx, int cy, int half) {
    std::pair<int, int> ink{1 << 30, -1};
    for (int y = cy - half; y < cy + half; ++y) {
        for (int x = std::max(cx - half, 0); x < cx + half; ++x) {
            GameHarness::Rgb p = shot.Pixel(x, y);
            int change = std::max({std::abs(p.r - 128), std::abs(p.g - 128), std::abs(p.b - 128)});
            if (change > 24) ink = {std::min(ink.first, x), std::max(ink.second, x)};
        }
    }
    return ink;
}

// At `size` on this device a texel of the tier is a screen pixel, so a font pixel is
// `tier` pixels. No two neighbouring glyphs touch; letters and digits keep 1 or 2 apart.
void CheckGlyphGaps(int tier, int width, int height, float size) {
    GameHarness h({width, height});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    qo_Game_UseHDImages = tier > 1 ? 1 : 0;
    auto* screen = h.Start(new GapScreen);
    ASSERT_EQ(screen->m_HDLevel, tier);
    screen->size = size;
    std::vector<std::string> all = SampleLines();
    const size_t perShot = static_cast<size_t>(480 / (20 * size)) - 1;
    int pairs = 0, bad = 0;
    std::ostringstream found;
    for (size_t batch = 0; batch < all.size(); batch += perShot) {
        size_t end = std::min(all.size(), batch + perShot);
        screen->lines.assign(all.begin() + batch, all.begin() + end);
        std::vector<std::vector<std::pair<int, int>>> ink(screen->lines.size());
        for (int phase = 0; phase < 4; ++phase) {
            screen->phase = phase;
            h.RunUpdates(1);
            GameHarness::Shot shot = h.Screenshot();
            const float scale = screen->m_ScaleX;
            for (size_t i = 0; i < screen->lines.size(); ++i) {
                ink[i].resize(screen->pens[i].size());
                for (size_t k = phase; k < ink[i].size(); k += 4) {
                    ink[i][k] = InkColumns(shot, static_cast<int>(screen->pens[i][k] * scale),
                                           static_cast<int>(screen->LineY(i) * scale), 8 * tier);
                }
            }
        }
        for (size_t i = 0; i < screen->lines.size(); ++i) {
            const std::string& line = screen->lines[i];
            // Left-aligned text begins at its x (capitals fill their box's first column).
            if (std::isupper(line[0])) {
                EXPECT_EQ(ink[i][0].first, static_cast<int>(8 * screen->m_ScaleX)) << line;
            }
            for (size_t c = 1, k = line[0] != ' '; c < line.size(); k += line[c++] != ' ') {
                if (line[c] == ' ' || line[c - 1] == ' ') continue;
                int gap = ink[i][k].first - ink[i][k - 1].second - 1;
                ++pairs;
                bool word = std::isalnum(line[c - 1]) && std::isalnum(line[c]);
                if ((gap < tier || (word && gap > 2 * tier)) && ++bad <= 20) {
                    found << " \"" << line.substr(c - 1, 2) << "\" " << gap / float(tier) << ";";
                }
            }
        }
    }
    EXPECT_GT(pairs, 500);
    EXPECT_EQ(bad, 0) << "tier " << tier << ": " << bad << " of " << pairs
                      << " pairs too close or too far;" << found.str();
}

TEST(Harness, NeighbouringGlyphsKeepOneOrTwoPixelsApartOnTierOne) {
    CheckGlyphGaps(1, 640, 480, 1);
}
TEST(Harness, NeighbouringGlyphsKeepOneOrTwoPixelsApartOnTierTwo) {
    CheckGlyphGaps(2, 640, 480, 2);
}
TEST(Harness, NeighbouringGlyphsKeepOneOrTwoPixelsApartOnTierFour) {
    CheckGlyphGaps(4, 1280, 960, 2);
}

}  // namespace
