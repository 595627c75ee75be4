// The README's picture of the rules (tools/guide): the planned play still reaches its
// moment, and every label's arrow aims at its subject in the frame the game drew.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "game/my_app.h"
#include "tests/support/work_dir.h"
#include "tools/guide/scene.h"
#include "tools/guide/scripted_game.h"

namespace {

constexpr int kWidth = 960, kHeight = 600;

// The mean colour of the 7 x 7 pixels around (x, y).
std::vector<double> MeanAround(const std::vector<uint32_t>& pixels, double x, double y) {
    std::vector<double> mean(3, 0.0);
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) {
            const uint32_t p = pixels[static_cast<size_t>(static_cast<int>(y) + dy) * kWidth +
                                      static_cast<int>(x) + dx];
            mean[0] += (p >> 16 & 0xff) / 49.0;
            mean[1] += (p >> 8 & 0xff) / 49.0;
            mean[2] += (p & 0xff) / 49.0;
        }
    return mean;
}

TEST(GuidePicture, PlannedMomentShowsEverySubjectInItsColourWhereItsArrowPoints) {
    ScopedWorkDir dir("tessory_guide_");
    ScriptedGame game(kWidth, kHeight, TESSORY_DATA_DIR);
    if (!game.Ready()) GTEST_SKIP() << game.Why();
    std::string why;
    ASSERT_TRUE(PlayTo(game, kGuidePlan, &why)) << why;
    std::vector<Subject> subjects;
    std::vector<Box> display;
    ASSERT_TRUE(FindSubjects(game.App(), kWidth, kHeight, &subjects, &display, &why)) << why;
    EXPECT_EQ(subjects.size(), 7u);

    const std::vector<uint32_t> pixels = game.ReadBack();
    int coloured = 0;
    for (const Subject& s : subjects) {
        const std::vector<double> mean = MeanAround(pixels, s.x, s.y);
        if (s.colour == 0) continue;
        ++coloured;
        const double own = mean[s.colour - 1];
        for (int c = 0; c < 3; ++c) {
            if (c != s.colour - 1) {
                EXPECT_GT(own, mean[c] + 40) << s.title;
            }
        }
    }
    EXPECT_EQ(coloured, 3);  // the gem to collect, the gem in the way, the trap tile
}

}  // namespace
