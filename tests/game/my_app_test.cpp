// The application object: its tables allocated once at their sizes, the starting
// values, the collector keeping every table and slot alive, the globals, and start-up.
#include <unistd.h>

#include "audio/sound.h"
#include "graphics/image.h"
#include "tests/game/game_fixture.h"

namespace {

using MyApp = GameTest;

TEST_F(MyApp, ConstructionAllocatesEveryTableAtItsSize) {
    EXPECT_EQ(app->m_DrawList.Length(), 37500);
    EXPECT_EQ(app->m_Images.Length(), 100);
    EXPECT_EQ(app->m_ImgSize.Length(), 300);
    EXPECT_EQ(app->m_Sounds.Length(), 100);
    EXPECT_EQ(app->m_SfxChannels.Length(), 33);
    EXPECT_EQ(app->m_Grid.Length(), 5000000);
    EXPECT_EQ(app->m_Stars.Length(), 5100);
    EXPECT_EQ(app->m_Particles.Length(), 5100);
    EXPECT_EQ(app->m_Objs.Length(), 5100);
    EXPECT_EQ(app->m_Cube.Length(), 512);
    EXPECT_EQ(app->m_ToyTrail.Length(), 512);
    EXPECT_EQ(app->m_SpareInts.Length(), 5);
    EXPECT_EQ(app->m_VButton.Length(), 20);
    EXPECT_EQ(app->m_Settings.Length(), 25);
    EXPECT_EQ(app->m_Scores.Length(), 150);
    EXPECT_EQ(app->m_BadgeGot.Length(), 256);
    EXPECT_EQ(app->m_BadgeQueue.Length(), 15);
    EXPECT_EQ(app->m_BadgeTimer.Length(), 15);
    EXPECT_EQ(app->m_TouchDown.Length(), 10);
    EXPECT_EQ(app->m_TouchX.Length(), 10);
    EXPECT_EQ(app->m_TouchY.Length(), 10);
}

TEST_F(MyApp, ConstructionStartsWithTheStatedDefaults) {
    EXPECT_EQ(app->m_Mode, 1);
    EXPECT_EQ(app->m_LoadStep, 0);
    EXPECT_EQ(app->m_PauseCursor, -1);
    EXPECT_EQ(app->m_PausePanelY, -64);
    EXPECT_EQ(app->m_LevelSize, 2);
    EXPECT_EQ(app->m_StarCount, 100);
    EXPECT_EQ(app->m_ParticleCount, 250);
    EXPECT_EQ(app->m_MenuFocus, 1);
    EXPECT_EQ(app->m_MenuIntro, -32);
    EXPECT_FLOAT_EQ(app->m_ToySpeed, 25.0f);
    EXPECT_FLOAT_EQ(app->m_ToyArm, 25.0f);
    EXPECT_EQ(app->m_Settings[5], 1);
    EXPECT_EQ(app->m_Settings[6], 0);
    EXPECT_TRUE(app->m_HttpText == String("N/A"));
    EXPECT_EQ(app->m_HttpRequest, nullptr);
    EXPECT_EQ(app->m_DrawCount, 0);
    EXPECT_TRUE(app->m_TuneName == String());
}

TEST_F(MyApp, CollectorKeepsEveryTableAndFilledSlotAlive) {
    app->m_Images[7] = (new c_Image)->m_new();
    app->m_Sounds[3] = (new c_Sound)->m_new2();
    for (int i = 0; i < 3; ++i) gc_collect_all();
    gc_release_garbage();

    for (gc_object* table : std::initializer_list<gc_object*>{
             app->m_DrawList.gc_rep(),  app->m_Images.gc_rep(),      app->m_ImgSize.gc_rep(),
             app->m_Sounds.gc_rep(),    app->m_SfxChannels.gc_rep(), app->m_Grid.gc_rep(),
             app->m_Stars.gc_rep(),     app->m_Particles.gc_rep(),   app->m_Objs.gc_rep(),
             app->m_Cube.gc_rep(),      app->m_ToyTrail.gc_rep(),    app->m_SpareInts.gc_rep(),
             app->m_VButton.gc_rep(),   app->m_Settings.gc_rep(),    app->m_Scores.gc_rep(),
             app->m_BadgeGot.gc_rep(),  app->m_BadgeQueue.gc_rep(),  app->m_BadgeTimer.gc_rep(),
             app->m_TouchDown.gc_rep(), app->m_TouchX.gc_rep(),      app->m_TouchY.gc_rep()}) {
        EXPECT_TRUE(gc_is_live_object(table));
    }
    EXPECT_TRUE(gc_is_live_object(app->m_Images[7].get()));
    EXPECT_TRUE(gc_is_live_object(app->m_Sounds[3].get()));
    EXPECT_TRUE(gc_is_live_object(qo_Game_MenuSet.gc_rep()));
    EXPECT_TRUE(gc_is_live_object(qo_Game_CreditText.gc_rep()));
    EXPECT_TRUE(gc_check_invariants());
}

TEST_F(MyApp, GlobalsStartWithTheConfiguration) {
    EXPECT_GT(qo_Game_GameNum, 0);
    EXPECT_EQ(qo_Game_J_On_Allow, 0);
    EXPECT_EQ(qo_Game_HasMusicStream, 1);
    EXPECT_EQ(qo_Game_FadeOutStyle, 1);
    EXPECT_EQ(qo_Game_UseHDImages, 1);
    EXPECT_FLOAT_EQ(qo_Game_rawscrw, 640);
    EXPECT_FLOAT_EQ(qo_Game_rawscrh, 480);
    EXPECT_FLOAT_EQ(qo_Game_jscrw, 640);
    EXPECT_FLOAT_EQ(qo_Game_jscrh, 480);
    ASSERT_EQ(qo_Game_MenuSet.Length(), 6);
    EXPECT_EQ(String(qo_Game_MenuSet[0]).ToUtf8(), "Small");
    EXPECT_EQ(String(qo_Game_MenuSet[3]).ToUtf8(), "The Goldilocks Zone\\nMedium sized levels.");
    EXPECT_EQ(String(qo_Game_MenuSet[5]).ToUtf8(), "Larger Levels\\nwith tricky bits.");
    bool separated = false;
    for (const String& line : qo_Game_CreditText) separated |= line == String("-=-=-");
    EXPECT_TRUE(separated);
}

TEST_F(MyApp, OnCreateRecordsTheDeviceAndStartsTheLoader) {
    host->width = 1024;
    host->height = 768;
    qo_app_ValidateDeviceWindow(false);
    app->p_OnCreate();
    EXPECT_EQ(app->m_StartDevWidth, 1024);
    EXPECT_EQ(app->m_StartDevHeight, 768);
    EXPECT_EQ(app->m_LoadStep, 1);
    EXPECT_EQ(app->m_HDLevel, 2);
    EXPECT_EQ(app->m_Font, 90);
    EXPECT_EQ(qo_app_UpdateRate(), 60);
    EXPECT_EQ(host->UpdateRate(), 60);
    EXPECT_EQ(app->m_Settings[5], 1);
    for (int i = 0; i <= 32; ++i) EXPECT_EQ(app->m_SfxChannels[i], i);
}

TEST_F(MyApp, ASecondApplicationStopsTheProgram) {
    // The runtime prints its errors on standard output; the death test reads stderr.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            (new c_MyApp)->m_new();
        },
        ::testing::ExitedWithCode(255), "Kavoro Runtime Error : App has already been created");
}

}  // namespace
