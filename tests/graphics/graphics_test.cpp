// The drawing module: its matrix stack, the validation rule, images drawn through the
// real renderer, loading and the default font.
#include "graphics/graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "tests/graphics/gl_fixture.h"

namespace {

class Graphics : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Begin();
        gfx->Cls(0, 0, 0);
        gfx->stats.Reset();
    }

    c_GraphicsContext& context() { return *qo_graphics_context; }

    // A 4 x 2 picture: red, green, blue, white on top; yellow, cyan, magenta, grey below.
    std::string Quadrants() {
        return WritePng("q.png", 4, 2, 4,
                        {255, 0,   0, 255, 0, 255, 0,   255, 0,   0, 255, 255, 255, 255, 255, 255,
                         255, 255, 0, 255, 0, 255, 255, 255, 255, 0, 255, 255, 128, 128, 128, 255});
    }

    c_Image* Load(const std::string& path, int frames, int flags) {
        return qo_graphics_LoadImage(String(path.c_str()), frames, flags);
    }
};

TEST_F(Graphics, BeginRenderResetsTheStateAndHandsItToTheRenderer) {
    qo_graphics_SetColor(1, 2, 3);
    qo_graphics_Translate(5, 5);
    qo_graphics_PushMatrix();
    Begin();
    EXPECT_EQ(context().m_stackTop, 0);
    EXPECT_EQ(context().m_transformed, 0);
    EXPECT_EQ(context().m_matrixDirty, 1);
    EXPECT_EQ(gfx->PackedColor(), 0xffffffffu);
    EXPECT_FLOAT_EQ(context().m_scissorWidth, static_cast<float>(kWidth));
    EXPECT_FLOAT_EQ(context().m_scissorHeight, static_cast<float>(kHeight));
}

TEST_F(Graphics, TransformMultipliesOnTheRight) {
    qo_graphics_Translate(10, 20);
    qo_graphics_Scale(2, 3);
    EXPECT_FLOAT_EQ(context().m_ix, 2);
    EXPECT_FLOAT_EQ(context().m_jy, 3);
    EXPECT_FLOAT_EQ(context().m_tx, 10);
    EXPECT_FLOAT_EQ(context().m_ty, 20);
    qo_graphics_Translate(1, 1);  // in scaled units
    EXPECT_FLOAT_EQ(context().m_tx, 12);
    EXPECT_FLOAT_EQ(context().m_ty, 23);
    EXPECT_EQ(context().m_transformed, 1);
}

TEST_F(Graphics, RotateNinetyMapsTheXAxisUpward) {
    qo_graphics_Rotate(90);
    EXPECT_NEAR(context().m_ix, 0, 1e-6);
    EXPECT_FLOAT_EQ(context().m_iy, -1);
    EXPECT_FLOAT_EQ(context().m_jx, 1);
    // (1, 0) -> (ix, iy)
    EXPECT_NEAR(context().m_ix * 1 + context().m_jx * 0, 0, 1e-6);
    EXPECT_FLOAT_EQ(context().m_iy * 1 + context().m_jy * 0, -1);
}

TEST_F(Graphics, ThirtyThirdNestedPushDoublesTheStackAndKeepsEverySavedMatrix) {
    for (int i = 0; i < 33; ++i) {
        qo_graphics_Translate(1, 0);
        qo_graphics_PushMatrix();
    }
    EXPECT_EQ(context().m_matrixStack.Length(), 384);
    for (int i = 33; i > 0; --i) {
        qo_graphics_PopMatrix();
        EXPECT_FLOAT_EQ(context().m_tx, static_cast<float>(i));
    }
}

TEST_F(Graphics, UnmatchedPopKeepsTheMatrix) {
    qo_graphics_Translate(7, 0);
    qo_graphics_PopMatrix();
    EXPECT_FLOAT_EQ(context().m_tx, 7);
    EXPECT_EQ(context().m_stackTop, 0);
}

TEST_F(Graphics, ThreeMatrixChangesThenOneDrawSendOneMatrix) {
    qo_graphics_Translate(1, 1);
    qo_graphics_Scale(2, 2);
    qo_graphics_Rotate(10);
    EXPECT_EQ(gfx->stats.matrixSets, 0) << "matrix changes never call the renderer";
    qo_graphics_DrawRect(0, 0, 1, 1);
    EXPECT_EQ(gfx->stats.matrixSets, 1);
    qo_graphics_DrawRect(0, 0, 1, 1);
    EXPECT_EQ(gfx->stats.matrixSets, 1);
}

TEST_F(Graphics, DrawEllipseTakesCentreAndRadii) {
    qo_graphics_SetColor(0, 255, 0);
    qo_graphics_DrawEllipse(40, 30, 20, 10);
    End();
    EXPECT_TRUE(RgbNear(Pixel(40, 30), 0, 255, 0));
    EXPECT_TRUE(RgbNear(Pixel(21, 30), 0, 255, 0));
    EXPECT_TRUE(RgbNear(Pixel(40, 39), 0, 255, 0));
    EXPECT_TRUE(RgbNear(Pixel(40, 41), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(19, 30), 0, 0, 0));
}

TEST_F(Graphics, SingleFrameImageDrawsAtItsHandle) {
    c_Image* image = Load(Quadrants(), 1, 1);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_flags, c_Image::kFullFrame);
    qo_graphics_Scale(4, 4);
    qo_graphics_DrawImage(image, 10, 10, 0);  // handle (2, 1): top-left at (8, 9) * 4
    End();
    EXPECT_TRUE(RgbNear(Pixel(33, 37), 255, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(47, 37), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(45, 42), 128, 128, 128));
    EXPECT_TRUE(RgbNear(Pixel(31, 37), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(33, 35), 0, 0, 0));
}

TEST_F(Graphics, StripFramesDrawTheirOwnPartOfTheSurface) {
    c_Image* image = Load(Quadrants(), 2, 0);
    ASSERT_NE(image, nullptr);
    qo_graphics_Scale(8, 8);
    qo_graphics_DrawImage(image, 0, 0, 1);
    End();
    EXPECT_TRUE(RgbNear(Pixel(4, 4), 0, 0, 255));
    EXPECT_TRUE(RgbNear(Pixel(12, 12), 128, 128, 128));
    EXPECT_TRUE(RgbNear(Pixel(17, 4), 0, 0, 0));
}

TEST_F(Graphics, DrawImage2RotatesAndScalesAboutTheHandle) {
    // 4 x 2, handle at its centre: scaled by 4 and turned 90 degrees counter-clockwise
    // about (48, 32) it covers x 44..52, y 24..40, its top row (red .. white) on the left.
    c_Image* image = Load(Quadrants(), 1, 1);
    ASSERT_NE(image, nullptr);
    qo_graphics_DrawImage2(image, 48, 32, 90, 4, 4, 0);
    End();
    if (const char* dir = std::getenv("GRAPHICS_SHOTS"))
        SaveScreenshot(std::string(dir) + "/rotated.png");
    EXPECT_TRUE(RgbNear(Pixel(45, 38), 255, 0, 0)) << "red: top-left corner, now bottom-left";
    EXPECT_TRUE(RgbNear(Pixel(45, 26), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(50, 38), 255, 255, 0));
    EXPECT_TRUE(RgbNear(Pixel(50, 26), 128, 128, 128));
    EXPECT_TRUE(RgbNear(Pixel(43, 32), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(52, 32), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(48, 23), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(48, 40), 0, 0, 0));
    EXPECT_EQ(context().m_stackTop, 0);
}

TEST_F(Graphics, DrawPoly2TakesTexelsFromTheFrame) {
    c_Image* image = Load(Quadrants(), 2, 0);
    ASSERT_NE(image, nullptr);
    Array<float> verts(16);
    float quad[] = {0, 0, 0, 0, 16, 0, 1, 0, 16, 16, 1, 1, 0, 16, 0, 1};
    for (int i = 0; i < 16; ++i) verts[i] = quad[i];
    qo_graphics_DrawPoly2(verts, image, 1);  // texel (2, 0): blue
    End();
    EXPECT_TRUE(RgbNear(Pixel(8, 8), 0, 0, 255));
}

TEST_F(Graphics, GridImageFromFileWithPadding) {
    std::vector<unsigned char> pixels(8 * 6 * 4, 255);
    c_Image* image = qo_graphics_LoadImage2(String(WritePng("grid.png", 8, 6, 4, pixels).c_str()),
                                            4, 3, 4, 2 | 4);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_width, 2);
    EXPECT_EQ(image->m_height, 1);
    ASSERT_EQ(image->m_frames.Length(), 4);
    EXPECT_EQ(image->m_frames[3]->m_x, 5);
    EXPECT_EQ(image->m_frames[3]->m_y, 4);
}

TEST_F(Graphics, MissingImageGivesNull) {
    EXPECT_EQ(Load(TempPath("absent.png"), 1, 0), nullptr);
    EXPECT_EQ(qo_graphics_LoadImage2(String(TempPath("absent.png").c_str()), 1, 1, 1, 0), nullptr);
}

TEST_F(Graphics, CreateImageMakesAnEmptyStripSurface) {
    c_Image* image = qo_graphics_CreateImage(10, 6, 3, 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->m_surface->Width(), 30);
    EXPECT_EQ(image->m_surface->Height(), 6);
    EXPECT_EQ(image->m_frames[2]->m_x, 20);
}

TEST_F(Graphics, SetFontWithoutAFontUsesTheDefaultAndCharacterThirtyTwo) {
    qo_graphics_SetFont(nullptr, 65);
    EXPECT_EQ(context().m_firstChar, 32);
    c_Image* font = context().m_font;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, context().m_defaultFont);
    EXPECT_EQ(font->m_frames.Length(), 96);
    EXPECT_EQ(font->m_frames[1]->m_x, font->m_width + 2 + 1);
    int loads = host->imageLoads;
    qo_graphics_SetFont(nullptr, 32);
    EXPECT_EQ(host->imageLoads, loads) << "the default font is loaded once";
}

TEST_F(Graphics, DrawingOutsideAFrameDrawsNothing) {
    End();
    qo_graphics_SetColor(255, 0, 0);
    qo_graphics_DrawRect(0, 0, 10, 10);
    EXPECT_EQ(gfx->PendingVertices(), 0);
    EXPECT_FLOAT_EQ(context().m_red, 255);
}

}  // namespace
