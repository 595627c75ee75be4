// The loader: its 19 steps and the files they load, the image tier by device size, the
// loading and start screens, and the start of a new game; then the whole game started
// through the real host on a fake clock: the loader's updates, the jingle, the menu,
// suspend and resume, and screenshots of the loading screen and the menu.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/audio_device.h"
#include "audio/sound.h"
#include "game/vocabulary.h"
#include "graphics/graphics.h"
#include "graphics/image_data.h"
#include "input/input_device.h"
#include "input/key_codes.h"
#include "runtime/platform.h"
#include "tests/game/game_fixture.h"
#include "tests/game/game_harness.h"
#include "tests/game/recording_graphics.h"

namespace {

// The null backend's device, noting which sample files load and which channels play.
class NotingAudio : public gxtkAudio {
public:
    std::vector<std::string> loads;
    std::vector<int> plays;
    gxtkSample* LoadSample(String path) override {
        loads.push_back(path.ToUtf8());
        return gxtkAudio::LoadSample(path);
    }
    int PlaySample(gxtkSample* sample, int channel, int flags) override {
        plays.push_back(channel);
        return gxtkAudio::PlaySample(sample, channel, flags);
    }
};

class Loader : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        gfx = new RecordingGraphics;
        qo_graphics_SetGraphicsDevice(gfx);
        audio = new NotingAudio;
        qo_audio_SetAudioDevice(audio);
        for (int i = 0; i <= 32; ++i) app->m_SfxChannels[i] = i;
        Device(640, 480);
    }
    void TearDown() override {
        audio->Shutdown();
        qo_audio_SetAudioDevice(nullptr);
        GameTest::TearDown();
    }
    void Device(int w, int h) {
        host->width = w;
        host->height = h;
        qo_app_ValidateDeviceWindow(false);
    }
    int Count(float kind) const {
        int n = 0;
        for (int i = 0; i < Records(); ++i) n += Record(i)[0] == kind ? 1 : 0;
        return n;
    }

    RecordingGraphics* gfx = nullptr;
    NotingAudio* audio = nullptr;
};

std::string Data(const char* file) {
    return std::string("kavoro://data/") + file;
}

TEST_F(Loader, NineteenStepsLoadEveryImageInOrderThenStop) {
    Device(600, 400);
    app->m_LoadStep = 1;
    for (int update = 1; update <= 19; ++update) {
        app->p_Loader();
        EXPECT_EQ(app->m_LoadStep, update + 1);
    }
    app->p_Loader();
    EXPECT_EQ(app->m_LoadStep, 0);
    const std::vector<std::string> expected = {
        Data("common/icons.png"),
        Data("common/Buttons.png"),
        Data("common/dpad.png"),
        Data("common/TolvLogo.png"),
        Data("fonts/shadow_editundo.png"),
        Data("menu.png"),
        Data("logo.png"),
        Data("BadgesA.png"),
        Data("parts.png"),
        Data("common/circle.png"),
        Data("common/light.png"),
        Data("0.png"),
        Data("1.png"),
        Data("2.png"),
        Data("3.png"),
        Data("9.png"),
    };
    EXPECT_EQ(gfx->loads, expected);
    EXPECT_EQ(app->m_Font, 90);
    // Frame sizes and counts as the screens expect them.
    EXPECT_EQ(app->m_ImgSize[97 * 3 + 2], 16);
    EXPECT_EQ(app->m_ImgSize[80 * 3 + 2], 64);
    EXPECT_EQ(app->m_ImgSize[96 * 3], 8);
    EXPECT_EQ(app->m_ImgSize[96 * 3 + 2], 256);
    EXPECT_EQ(app->m_ImgSize[98 * 3 + 1], 128);
    EXPECT_EQ(app->m_ImgSize[9 * 3 + 2], 16);
    EXPECT_EQ(app->m_ImgSize[4 * 3 + 2], 64);
}

TEST_F(Loader, SoundsLoadAlongsideAndTheJinglePlaysOnceAtStepFour) {
    app->m_LoadStep = 1;
    std::vector<size_t> playsAfter;
    for (int update = 1; update <= 20; ++update) {
        app->p_Loader();
        playsAfter.push_back(audio->plays.size());
    }
    const std::vector<std::string> expected = {
        Data("sfx/096.wav"), Data("sfx/001.wav"), Data("sfx/098.wav"), Data("sfx/099.wav"),
        Data("sfx/095.wav"), Data("sfx/001.wav"), Data("sfx/002.wav"), Data("sfx/003.wav"),
        Data("sfx/004.wav"), Data("sfx/005.wav"), Data("sfx/006.wav"),
    };
    EXPECT_EQ(audio->loads, expected);
    for (int update = 1; update <= 20; ++update)
        EXPECT_EQ(playsAfter[update - 1], update >= 4 ? 1u : 0u) << update;
    // Loaded before the font (step 5), so the jingle does not wait for the text.
    EXPECT_NE(app->m_Sounds[96], nullptr);
}

TEST_F(Loader, ImageTierFollowsTheDeviceSize) {
    struct Case {
        int w, h, useHd, tier;
        float scale;
    } cases[] = {
        {630, 630, 1, 1, 1.0f},   {631, 400, 1, 2, 0.5f},   {400, 631, 1, 2, 0.5f},
        {1231, 700, 1, 4, 0.25f}, {700, 1231, 1, 4, 0.25f}, {1920, 1080, 0, 1, 1.0f},
    };
    for (const Case& c : cases) {
        Device(c.w, c.h);
        qo_Game_UseHDImages = c.useHd;
        gfx->loads.clear();
        app->m_LoadStep = 9;
        app->p_Loader();
        EXPECT_EQ(app->m_HDLevel, c.tier) << c.w << " x " << c.h;
        EXPECT_EQ(app->m_ImgScale, c.scale) << c.w << " x " << c.h;
        const char* suffix = c.tier == 2 ? "-hd" : c.tier == 4 ? "-hd2" : "";
        ASSERT_EQ(gfx->loads.size(), 1u);
        EXPECT_EQ(gfx->loads[0], Data("0") + suffix + ".png");
    }
}

TEST_F(Loader, LoadingScreenDrawsAloneWithSpinnerLogoAndText) {
    UseFontMetrics();
    app->p_Rect(0, 0, 5, 5);  // left over from an earlier screen
    app->m_LoadStep = 2;
    app->m_SpinAngle = 0;
    app->p_Loader();
    EXPECT_EQ(app->m_SpinAngle, 3);
    EXPECT_EQ(Count(kDrawRect), 0);
    EXPECT_EQ(Count(kDrawOval), 33);
    EXPECT_EQ(Count(93), 1);
    EXPECT_EQ(Count(90), 10);  // "Loading..."
    // The first ring: blue dots of radius 8 at 0.45 of the screen's smaller side.
    const float* dot = Record(0);
    EXPECT_EQ(dot[0], kDrawOval);
    EXPECT_FLOAT_EQ(dot[4], 8);
    EXPECT_FLOAT_EQ(dot[10], 0);
    EXPECT_FLOAT_EQ(dot[11], 125);
    EXPECT_FLOAT_EQ(dot[12], 255);
    EXPECT_FLOAT_EQ(dot[7], 0);
    EXPECT_NEAR(dot[1], 320 + std::sin(3 * 3.14159265f / 180) * 216, 0.01);
    EXPECT_NEAR(dot[2], 240 - std::cos(3 * 3.14159265f / 180) * 216, 0.01);
    EXPECT_FLOAT_EQ(Record(10)[7], 1.0f);
    // The logo between the rings, twice its size.
    const float* logo = Record(11);
    EXPECT_EQ(logo[0], 93);
    EXPECT_FLOAT_EQ(logo[1], 320);
    EXPECT_FLOAT_EQ(logo[2], 0.48f * 480);
    EXPECT_FLOAT_EQ(logo[4], 2);
    // A wide screen, 360 units tall, draws it at the same size.
    qo_Game_jscrh = 360;
    app->p_WaitStart(1);
    EXPECT_FLOAT_EQ(Record(11)[4], 2);
    // Orange rings after it, smaller.
    EXPECT_FLOAT_EQ(Record(12)[4], 6);
    EXPECT_FLOAT_EQ(Record(12)[10], 255);
    EXPECT_FLOAT_EQ(Record(12)[11], 125);
    EXPECT_FLOAT_EQ(Record(23)[4], 4);
}

TEST_F(Loader, LoadingScreenFadesTheBackgroundToBlack) {
    app->m_BGR = 80;
    app->m_BGG = 160;
    app->m_BGB = 240;
    app->m_BGTargetR = 50;
    app->p_WaitStart(1);
    EXPECT_FLOAT_EQ(app->m_BGR, 70);
    EXPECT_FLOAT_EQ(app->m_ClsG, 140);
    EXPECT_FLOAT_EQ(app->m_ClsB, 210);
    EXPECT_FLOAT_EQ(app->m_ClsA, 1);
    EXPECT_EQ(app->m_BGTargetR, 0);
}

TEST_F(Loader, StartScreenShowsNoSpinnerAndRestartsTheLoader) {
    UseFontMetrics();
    qo_app_SetUpdateRate(5);
    app->m_Mode = 5;
    app->p_WaitStart(0);
    EXPECT_EQ(Count(kDrawOval), 0);
    EXPECT_EQ(Count(93), 1);
    EXPECT_EQ(app->m_Mode, 1);
    EXPECT_EQ(app->m_ClickLock, 1);
    EXPECT_EQ(app->m_LoadStep, 1);
    EXPECT_EQ(qo_app_UpdateRate(), 60);
}

TEST_F(Loader, NewGameResetsThePlayStateAndBuildsLevelOne) {
    app->m_Score = app->m_ShownScore = 900;
    app->m_GameOver = 2;
    app->m_GameOverTime = 50;
    app->m_QuitGame = 1;
    app->m_Paused = 1;
    app->m_CamX = 99;
    app->m_Objs[7] = 3;
    app->m_Particles[30] = 2;
    app->m_ParticleCount = 12;
    app->m_Cube[300] = 5;
    app->m_Mode = 11;
    app->p_LoadGame();
    EXPECT_EQ(app->m_Mode, 10);
    EXPECT_EQ(app->m_Score, 0);
    EXPECT_EQ(app->m_ShownScore, 900);  // the display runs down from the last game's score
    EXPECT_EQ(app->m_GameOver, 0);
    EXPECT_EQ(app->m_GameOverTime, 0);
    EXPECT_EQ(app->m_QuitGame, 0);
    EXPECT_EQ(app->m_Paused, 0);
    EXPECT_EQ(app->m_Objs[7], 0);
    EXPECT_EQ(app->m_Particles[30], 0);
    EXPECT_EQ(app->m_ParticleCount, 250);
    EXPECT_EQ(app->m_StarCount, 100);
    EXPECT_EQ(app->m_Cube[300], 0);
    EXPECT_EQ(app->m_GridW, 128);
    EXPECT_EQ(app->m_GridH, 128);
    EXPECT_EQ(app->m_Cube[cube::kDir], -1);
    EXPECT_GE(app->m_Cube[cube::kSeed], 0.0f);
    // Level one moved the progress on by one step of the level size.
    EXPECT_EQ(app->m_Cube[cube::kProgress], static_cast<float>(app->m_LevelSize));
}

TEST_F(Loader, NewGameAtTheSameClockGetsTheSameLevelSeed) {
    app->p_LoadGame();
    float first = app->m_Cube[cube::kSeed];
    app->p_LoadGame();
    EXPECT_EQ(app->m_Cube[cube::kSeed], first);
    host->clock.now += 1.234;
    app->p_LoadGame();
    EXPECT_NE(app->m_Cube[cube::kSeed], first);
}

TEST_F(Loader, FixedSeedStartsEveryGameOnItsLevelWhateverTheClock) {
    std::string why;
    for (std::vector<const char*> bad :
         std::vector<std::vector<const char*>>{{"tessory", "--seed"},
                                               {"tessory", "--seed", "-1"},
                                               {"tessory", "--seed", "37171648"},
                                               {"tessory", "--seed", "12x"},
                                               {"tessory", "--seed=", "5"},
                                               {"tessory", "--seed", "5", "--sed", "5"}})
        EXPECT_FALSE(host->ReadOptions(static_cast<int>(bad.size()), bad.data(), &why))
            << bad.back();
    const char* argv[] = {"tessory", "--seed=1234"};
    ASSERT_TRUE(host->ReadOptions(2, argv, &why)) << why;
    for (double later : {0.0, 1.234}) {
        host->clock.now += later;
        app->p_LoadGame();
        // Level one's seed: the fixed one, moved on by one level of the game's size.
        EXPECT_EQ(app->m_Cube[cube::kSeed], 1234.0f + 7 * app->m_LevelSize);
    }
}

// ---- the whole game through the host ----------------------------------------------------

bool HasSlot(const std::vector<float>& list, int slot) {
    for (size_t i = 0; i + 15 <= list.size(); i += 15) {
        if (list[i] == slot) return true;
    }
    return false;
}

TEST(WholeGame, StartUpRunsTheLoaderForNineteenUpdatesThenShowsTheMenu) {
    GameHarness h({640, 480, false});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new c_MyApp);
    std::vector<int> steps, sfxSlots;
    h.host().afterUpdate = [&, inner = h.host().afterUpdate] {
        inner();
        steps.push_back(app->m_LoadStep);
        sfxSlots.push_back(app->m_SfxSlot);
    };
    h.RunUpdates(22);
    ASSERT_EQ(steps.size(), 22u);
    for (int update = 1; update <= 19; ++update)
        EXPECT_EQ(steps[update - 1], update + 1) << "update " << update;
    EXPECT_EQ(steps[19], 0);  // the 20th update finds nothing left to load
    // The jingle: the only effect played while loading, at step 4.
    for (int update = 1; update <= 20; ++update)
        EXPECT_EQ(sfxSlots[update - 1], update >= 4 ? 1 : 0) << update;
    for (int update = 1; update <= 20; ++update) {
        EXPECT_TRUE(HasSlot(h.DrawList(update), 93)) << "update " << update;
        EXPECT_FALSE(HasSlot(h.DrawList(update), 95)) << "update " << update;
    }
    EXPECT_EQ(app->m_Mode, 1);
    EXPECT_TRUE(HasSlot(h.DrawList(21), 95));  // the wheel's buttons
    for (int slot : {1, 96, 98, 99}) EXPECT_NE(app->m_Sounds[slot], nullptr) << "sound " << slot;
    // Decoded ahead on worker threads, each image holds its file's pixels as a decode on
    // this thread gives them (the 2x files at 640 x 480).
    const std::pair<int, const char*> files[] = {{97, "common/icons"},
                                                 {95, "common/Buttons"},
                                                 {94, "common/dpad"},
                                                 {93, "common/TolvLogo"},
                                                 {90, "fonts/shadow_editundo"},
                                                 {99, "menu"},
                                                 {98, "logo"},
                                                 {80, "BadgesA"},
                                                 {96, "parts"},
                                                 {85, "common/circle"},
                                                 {86, "common/light"},
                                                 {1, "0"},
                                                 {2, "1"},
                                                 {3, "2"},
                                                 {4, "3"},
                                                 {9, "9"}};
    for (auto [slot, name] : files) {
        ASSERT_NE(app->m_Images[slot], nullptr) << "image " << slot;
        const gxtkSurface* loaded = app->m_Images[slot]->m_surface;
        int w = 0, h = 0, d = 0;
        std::string path = std::string(TESSORY_DATA_DIR "/") + name + "-hd.png";
        unsigned char* own = qoDecodeImageFile(path, kQoFallbackMaxImageSide, &w, &h, &d);
        ASSERT_NE(own, nullptr) << path;
        gxtkPremultiply(own, w * h, d);
        EXPECT_TRUE(w == loaded->width && h == loaded->height && d == loaded->depth &&
                    std::memcmp(own, loaded->data, static_cast<size_t>(w) * h * d) == 0)
            << path;
        std::free(own);
    }
}

namespace {

// Through the loader and the menu into a game started with Space: 30 updates.
void StartGameWithTheKeyboard(GameHarness& h) {
    h.RunUpdates(25);
    h.At(26, [&] { h.KeyDown(keys::kSpace); });
    h.At(28, [&] { h.KeyUp(keys::kSpace); });
    h.RunUpdates(5);
}

}  // namespace

TEST(WholeGame, SuspendInAGamePausesAndResumeKeepsThePauseUntilThePlayerResumes) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new c_MyApp);
    StartGameWithTheKeyboard(h);
    ASSERT_EQ(app->m_Mode, 10);
    h.RunUpdates(30);
    h.host().active = false;
    h.host().RunFrame();
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_PauseCursor, 1);
    EXPECT_EQ(qo_app_UpdateRate(), 5);
    qoWaitForSaves();
    EXPECT_TRUE(std::filesystem::exists(".kavorostate"));
    h.host().active = true;
    h.RunUpdates(3);
    EXPECT_EQ(qo_app_UpdateRate(), 60);
    EXPECT_EQ(app->m_Paused, 1);
    EXPECT_EQ(app->m_Mode, 10);
}

TEST(WholeGame, QuittingFromPauseShowsTheOverlayReturnsToTheMenuAndFilesTheScore) {
    GameHarness h({640, 480});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    c_MyApp* app = h.Start(new c_MyApp);
    StartGameWithTheKeyboard(h);
    h.RunUpdates(30);
    ASSERT_EQ(app->m_Mode, 10);
    app->m_Score = 4321;  // as if earned, so the filing is visible in the saved tables

    h.At(62, [&] { h.KeyDown(keys::kEscape); });
    h.At(64, [&] { h.KeyUp(keys::kEscape); });
    h.RunUpdates(60);
    ASSERT_EQ(app->m_Paused, 1);

    // The quit button stands at (64, 96) once the panel has slid in.
    h.At(123, [&] { h.MouseDown(64, 96); });
    h.At(125, [&] { h.MouseUp(64, 96); });
    h.RunUpdates(3);
    EXPECT_EQ(app->m_QuitGame, -1);
    EXPECT_EQ(app->m_GameOver, 1);
    EXPECT_EQ(app->m_Mode, 10);  // the overlay runs first
    h.RunUpdates(150);
    EXPECT_EQ(app->m_Mode, 1);

    qoWaitForSaves();
    std::ifstream state(".kavorostate");
    std::string text((std::istreambuf_iterator<char>(state)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("4321"), std::string::npos) << text;
}

void Shoot(int width, int height, const std::string& name, int loadingUpdates, int totalUpdates) {
    GameHarness h({width, height});
    if (!h.Ready()) GTEST_SKIP() << h.Why();
    h.Start(new c_MyApp);
    h.RunUpdates(loadingUpdates);
    GameHarness::Shot loading = h.Screenshot();
    EXPECT_TRUE(loading.Save(GameHarness::ShotPath(name + "_loading.png")));
    h.RunUpdates(totalUpdates - loadingUpdates);
    GameHarness::Shot menu = h.Screenshot();
    EXPECT_TRUE(menu.Save(GameHarness::ShotPath(name + "_menu.png")));
    // The loading screen is dark around its logo; the menu has a blue backdrop.
    GameHarness::Rgb corner = loading.Pixel(2, 2);
    EXPECT_LT(corner.r + corner.g + corner.b, 60);
    GameHarness::Rgb menuCorner = menu.Pixel(width / 2, 2);
    EXPECT_GT(menuCorner.b, menuCorner.r);
}

TEST(WholeGame, LoadingScreenAndMenuAt640x480) {
    Shoot(640, 480, "startup_640x480", 10, 90);
}
TEST(WholeGame, LoadingScreenAndMenuAt1920x1080) {
    Shoot(1920, 1080, "startup_1920x1080", 10, 90);
}

}  // namespace
