// Filling the image slots: the file variant the resolution level picks, the frame sizes
// and metrics stored, failed loads, the reserved drawable image and the reload.
#include <cstdlib>

#include "graphics/graphics.h"
#include "tests/game/game_fixture.h"
#include "tests/game/recording_graphics.h"

namespace {

class ImageSlots : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        gfx = new RecordingGraphics;
        qo_graphics_SetGraphicsDevice(gfx);
    }
    void Device(int w, int h) {
        host->width = w;
        host->height = h;
        qo_app_ValidateDeviceWindow(false);
    }
    void Offer(const std::string& file, int w, int h) {
        gfx->sizes["kavoro://data/" + file] = {w, h};
    }
    int Metric(int slot, int i) const { return app->m_ImgSize[slot * 3 + i]; }

    RecordingGraphics* gfx = nullptr;
};

TEST_F(ImageSlots, ReloadAtOrBelow630LoadsTheNormalFiles) {
    Device(630, 630);
    app->p_Reload();
    EXPECT_EQ(app->m_HDLevel, 1);
    EXPECT_EQ(app->m_ImgScale, 1.0f);
    ASSERT_EQ(gfx->loads.size(), 2u);
    EXPECT_EQ(gfx->loads[0], "kavoro://data/common/TolvLogo.png");
    EXPECT_EQ(gfx->loads[1], "kavoro://data/fonts/shadow_editundo.png");
}

TEST_F(ImageSlots, ReloadAbove630LoadsTheDoubleFiles) {
    Device(631, 400);
    app->p_Reload();
    EXPECT_EQ(app->m_HDLevel, 2);
    EXPECT_EQ(app->m_ImgScale, 0.5f);
    EXPECT_EQ(gfx->loads[1], "kavoro://data/fonts/shadow_editundo-hd.png");
}

TEST_F(ImageSlots, ReloadAbove1230LoadsTheQuadrupleFiles) {
    Device(800, 1231);
    app->p_Reload();
    EXPECT_EQ(app->m_HDLevel, 4);
    EXPECT_EQ(app->m_ImgScale, 0.25f);
    EXPECT_EQ(gfx->loads[0], "kavoro://data/common/TolvLogo-hd2.png");
}

TEST_F(ImageSlots, ReloadWithoutHighResolutionImagesStaysAtLevelOne) {
    qo_Game_UseHDImages = 0;
    Device(1920, 1080);
    app->p_Reload();
    EXPECT_EQ(app->m_HDLevel, 1);
    EXPECT_EQ(app->m_ImgScale, 1.0f);
}

TEST_F(ImageSlots, ReloadSetsTheFontTheLogoTheClearAndTheLoader) {
    Device(1920, 1080);
    Offer("fonts/shadow_editundo-hd2.png", 64 * 16, 64 * 8);
    app->p_CLS2D(10, 20, 30, 0.5f);
    app->p_Reload();
    EXPECT_EQ(app->m_Font, 90);
    EXPECT_EQ(Metric(90, 0), 7);
    EXPECT_EQ(Metric(90, 1), 10);
    EXPECT_EQ(Metric(90, 2), 128);
    EXPECT_EQ(Metric(93, 0), 1024);
    EXPECT_EQ(Metric(93, 2), 1);
    c_Image* font = app->m_Images[90];
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->m_width, 64);  // 16-pixel cells at level 4
    EXPECT_EQ(font->m_frames.Length(), 128);
    EXPECT_EQ(app->m_Images[93].get(), nullptr);  // not offered: the slot stays empty
    EXPECT_EQ(app->m_LoadStep, 1);
    EXPECT_EQ(app->m_ClsR, 0);
    EXPECT_EQ(app->m_ClsA, 1);
}

TEST_F(ImageSlots, LoadImgScalesTheFrameByTheLevel) {
    app->m_HDLevel = 2;
    Offer("parts-hd.png", 16 * 16, 16 * 16);
    app->p_LoadImg(96, String("parts"), 8, 8, 256, 1);
    c_Image* parts = app->m_Images[96];
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->m_width, 16);
    EXPECT_EQ(parts->m_frames.Length(), 256);
    EXPECT_EQ(Metric(96, 0), 16);
    EXPECT_EQ(Metric(96, 1), 16);
    EXPECT_EQ(Metric(96, 2), 256);
}

TEST_F(ImageSlots, FailedLoadEmptiesTheSlotButKeepsTheMetrics) {
    app->m_HDLevel = 1;
    Offer("9.png", 32 * 16, 32);
    app->p_LoadImg(9, String("9"), 32, 32, 16, 1);
    ASSERT_NE(app->m_Images[9].get(), nullptr);
    gfx->sizes.clear();
    app->p_LoadImg(9, String("9"), 32, 30, 16, 1);
    EXPECT_EQ(app->m_Images[9].get(), nullptr);
    EXPECT_EQ(Metric(9, 1), 30);
}

TEST_F(ImageSlots, LoadFontKeepsItsMetricsInVirtualUnits) {
    app->m_HDLevel = 2;
    app->p_LoadFont(91, String("fonts/other"), 8, 12);
    EXPECT_EQ(gfx->loads.back(), "kavoro://data/fonts/other-hd.png");
    EXPECT_EQ(Metric(91, 0), 8);
    EXPECT_EQ(Metric(91, 1), 12);
    EXPECT_EQ(app->m_Font, 91);
}

TEST_F(ImageSlots, ReservedImageIsOneDrawableFrame) {
    app->p_ReserveImg(81, 2048, 2048);
    c_Image* image = app->m_Images[81];
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_frames.Length(), 1);
    EXPECT_EQ(image->m_width, 2048);
    EXPECT_EQ(image->m_handleX, 1024);  // flags 1: the handle at the centre
    EXPECT_EQ(Metric(81, 0), 2048);
    EXPECT_EQ(Metric(81, 2), 1);
}

TEST_F(ImageSlots, ReservedImageStaysEmptyWhenTheDeviceRefuses) {
    app->p_ReserveImg(81, 64, 64);
    gfx->refuseCreate = true;
    app->p_ReserveImg(81, 2048, 2048);
    EXPECT_EQ(app->m_Images[81].get(), nullptr);
    EXPECT_EQ(Metric(81, 0), 2048);
}

TEST_F(ImageSlots, SlotsOutsideTheTableAreRefused) {
    app->p_LoadImg(100, String("9"), 32, 32, 16, 1);
    app->p_LoadFont(-1, String("fonts/x"), 7, 10);
    app->p_ReserveImg(150, 4, 4);
    EXPECT_TRUE(gfx->loads.empty());
    EXPECT_EQ(app->m_Font, 0);
}

}  // namespace

// A change of tier must not hold both tiers' pixels until the collector comes round.
TEST_F(ImageSlots, ReloadingASlotFreesTheOldPixelsAtOnce) {
    Offer("menu.png", 512, 512);
    Offer("menu-hd.png", 1024, 1024);
    Device(640, 480);
    app->p_LoadImg(99, String("menu"), 256, 256, 4, 1);
    ASSERT_NE(app->m_Images[99], nullptr);
    gxtkSurface* old = app->m_Images[99]->m_surface;
    old->data = static_cast<unsigned char*>(std::malloc(64));
    Device(1024, 768);
    app->m_HDLevel = 2;
    app->p_LoadImg(99, String("menu"), 256, 256, 4, 1);
    EXPECT_EQ(old->data, nullptr);
    ASSERT_NE(app->m_Images[99], nullptr);
    EXPECT_NE(app->m_Images[99]->m_surface, old);
    EXPECT_EQ(app->m_Images[99]->m_surface->width, 1024);
}
