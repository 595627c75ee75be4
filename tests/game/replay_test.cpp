// Replaying the draw list onto a renderer that records what it is asked to draw (no
// OpenGL): the fit of the virtual screen, the mapping of each record kind, the record
// limit, skipped kinds and slots, the clear, render-rate bookkeeping and the reload.
#include <vector>

#include "graphics/graphics.h"
#include "tests/game/game_fixture.h"
#include "tests/game/recording_graphics.h"

namespace {

class Replay : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        gfx = new RecordingGraphics;
        qo_graphics_SetGraphicsDevice(gfx);
        Resize(640, 480);
    }
    void Resize(int w, int h) {
        host->width = w;
        host->height = h;
        qo_app_ValidateDeviceWindow(false);
    }
    void Render() {
        gfx->calls.clear();
        qo_graphics_BeginRender();
        app->p_OnRender();
        qo_graphics_EndRender();
    }
    // A 4-frame 8 x 8 image with a centred handle, in slot `slot`.
    void PutImage(int slot) {
        auto* surface = new gxtkSurface;
        surface->width = 32;
        surface->height = 8;
        app->m_Images[slot] = (new c_Image)->m_new()->p_Init(surface, 4, c_Image::kMidHandle);
    }

    RecordingGraphics* gfx = nullptr;
};

TEST_F(Replay, WideDeviceIsFittedByWidth) {
    Resize(1920, 1080);
    Render();
    EXPECT_FLOAT_EQ(app->m_ScaleX, 3);
    EXPECT_FLOAT_EQ(app->m_ScaleY, 3);
    EXPECT_FLOAT_EQ(qo_Game_jscrw, 640);
    EXPECT_FLOAT_EQ(qo_Game_jscrh, 360);
}

TEST_F(Replay, SquareDeviceIsFittedByHeight) {
    Resize(1024, 1024);
    Render();
    EXPECT_FLOAT_EQ(app->m_ScaleX, 1024.0f / 480);
    EXPECT_FLOAT_EQ(app->m_ScaleY, 1024.0f / 480);
    EXPECT_FLOAT_EQ(qo_Game_jscrw, 480);
    EXPECT_FLOAT_EQ(qo_Game_jscrh, 480);
}

TEST_F(Replay, PortraitDeviceUsesTheLargerVirtualScreen) {
    Resize(720, 1280);
    Render();
    EXPECT_FLOAT_EQ(app->m_ScaleX, 1280.0f / 720);
    EXPECT_FLOAT_EQ(qo_Game_jscrw, 405);
    EXPECT_FLOAT_EQ(qo_Game_jscrh, 720);
}

TEST_F(Replay, DeviceOfNoSizeKeepsTheLastVirtualScreen) {
    Resize(1920, 1080);
    Render();
    Resize(0, 0);
    Render();
    EXPECT_FLOAT_EQ(qo_Game_jscrw, 640);
    EXPECT_FLOAT_EQ(qo_Game_jscrh, 360);
}

TEST_F(Replay, OverscanShrinksTheScaleAndShiftsTheOrigin) {
    qo_Game_overscan = 10;
    app->p_CLS2D(0, 0, 0, 1);
    app->p_Rect(100, 100, 10, 10);
    Render();
    EXPECT_FLOAT_EQ(app->m_ScaleX, 620.0f / 640);
    EXPECT_FLOAT_EQ(qo_Game_jscrw, 640);  // the virtual size leaves the overscan out
    ASSERT_EQ(gfx->calls.size(), 2u);
    EXPECT_FLOAT_EQ(gfx->calls[1].args[0], 100 * 620.0f / 640 + 10);
    EXPECT_FLOAT_EQ(gfx->calls[1].args[1], 100 * 620.0f / 640 + 7.5f);
    EXPECT_FLOAT_EQ(gfx->calls[1].args[2], 10 * 620.0f / 640);
}

TEST_F(Replay, ClearCoversTheDeviceWithTheClearColourAndOpacity) {
    Resize(800, 600);
    app->p_CLS2D(10, 20, 30, 0.25f);
    Render();
    ASSERT_EQ(gfx->calls.size(), 1u);
    const auto& clear = gfx->calls[0];
    EXPECT_EQ(clear.what, "rect");
    EXPECT_EQ(clear.args, (std::vector<float>{-1, -1, 802, 602}));
    EXPECT_EQ(clear.r, 10);
    EXPECT_EQ(clear.b, 30);
    EXPECT_EQ(clear.alpha, 0.25f);
    // What the render leaves behind for anything drawn after it.
    EXPECT_EQ(qo_graphics_context->m_alpha, 0.5f);
    EXPECT_EQ(qo_graphics_context->m_red, 255);
}

TEST_F(Replay, ExactlyTwoThousandFourHundredNinetyNineRecordsAreReplayed) {
    app->p_CLS2D(0, 0, 0, 1);
    for (int i = 0; i < 2500; ++i) app->p_Rect(static_cast<float>(i), 0, 1, 1);
    Render();
    ASSERT_EQ(gfx->calls.size(), 1u + 2499u);
    EXPECT_EQ(gfx->calls.back().args[0], 2498);
}

TEST_F(Replay, NegativeKindsOutsideTheTableDrawNothing) {
    app->p_CLS2D(0, 0, 0, 1);
    const float kinds[] = {-1, -5, -3713, -3718, -0.5f};
    for (float kind : kinds) {
        app->p_Rect(1, 1, 1, 1);
        app->m_DrawList[app->m_DrawCount - 15] = kind;
    }
    Render();
    EXPECT_EQ(gfx->calls.size(), 1u);
}

TEST_F(Replay, ShapesAreMappedOntoTheDevice) {
    Resize(1920, 1080);
    app->p_CLS2D(0, 0, 0, 1);
    app->p_Oval(100, 50, 10, 5);
    app->p_Line(1, 2, 3, 4);
    app->p_Tri(0, 0, 10, 0, 5, 5);
    app->p_SetRot(45);
    app->p_Rect(1, 1, 2, 2);  // rectangles ignore the rotation
    Render();
    ASSERT_EQ(gfx->calls.size(), 5u);
    EXPECT_EQ(gfx->calls[1].what, "oval");
    EXPECT_EQ(gfx->calls[1].args, (std::vector<float>{270, 135, 60, 30}));
    EXPECT_EQ(gfx->calls[2].args, (std::vector<float>{3, 6, 9, 12}));
    EXPECT_EQ(gfx->calls[3].what, "poly");
    EXPECT_EQ(gfx->calls[3].args, (std::vector<float>{0, 0, 30, 0, 15, 15}));
    EXPECT_EQ(gfx->calls[4].args, (std::vector<float>{3, 3, 6, 6}));
}

TEST_F(Replay, RecordsCarryTheirColourAlphaAndBlend) {
    app->p_CLS2D(0, 0, 0, 1);
    app->p_SetCol(10, 20, 30, 0.4f);
    app->p_Rect(0, 0, 1, 1);
    app->m_Blend = 3;
    app->p_Rect(0, 0, 1, 1);
    Render();
    ASSERT_EQ(gfx->calls.size(), 3u);
    EXPECT_EQ(gfx->calls[1].r, 10);
    EXPECT_EQ(gfx->calls[1].g, 20);
    EXPECT_EQ(gfx->calls[1].alpha, 0.4f);
    EXPECT_EQ(gfx->calls[1].blend, 0);
    EXPECT_EQ(gfx->calls[2].blend, 1);  // code 3 is additive
}

TEST_F(Replay, ImagesAreScaledByTheFitAndTheResolutionLevel) {
    Resize(1920, 1080);
    PutImage(12);
    app->m_ImgScale = 0.5f;
    app->p_CLS2D(0, 0, 0, 1);
    app->p_SetSize(2, 2);
    app->p_DrawImg(12, 100, 50, 3);
    Render();
    ASSERT_EQ(gfx->calls.size(), 2u);
    const auto& image = gfx->calls[1].args;
    EXPECT_FLOAT_EQ(image[4], 3);            // size 2 x fit 3 x level 0.5
    EXPECT_FLOAT_EQ(image[2], 300 - 4 * 3);  // at (300, 150), less the handle (4, 4)
    EXPECT_FLOAT_EQ(image[3], 150 - 4 * 3);
    EXPECT_FLOAT_EQ(image[6], 24);  // frame 3's column
}

TEST_F(Replay, EmptySlotsAndMissingFramesDrawNothing) {
    PutImage(12);
    app->p_CLS2D(0, 0, 0, 1);
    app->p_DrawImg(13, 0, 0, 0);
    app->p_DrawImg(12, 0, 0, 4);
    app->p_DrawImg(12, 0, 0, -1);
    app->p_DrawImg(12, 0, 0, 0);
    Render();
    EXPECT_EQ(gfx->calls.size(), 2u);
}

TEST_F(Replay, NewDeviceSizeRestartsTheLoader) {
    app->m_StartDevWidth = 640;
    app->m_StartDevHeight = 480;
    Render();
    EXPECT_EQ(app->m_LoadStep, 0);
    Resize(800, 480);
    Render();
    EXPECT_EQ(app->m_LoadStep, 1);
    EXPECT_EQ(app->m_StartDevWidth, 800);
}

TEST_F(Replay, RenderRateIsMeasuredAndSmoothed) {
    Render();
    int first = app->m_LastRenderMs;
    EXPECT_EQ(first, qo_app_Millisecs());
    host->clock.now += 0.016;
    app->m_RenderFpsAvg = 50;
    Render();
    EXPECT_EQ(app->m_RenderFps, 62);
    EXPECT_EQ(app->m_RenderFpsAvg, (62 + 9 * 50) / 10);
    Render();  // no time passed: the rate keeps its value
    EXPECT_EQ(app->m_RenderFps, 62);
}

}  // namespace
