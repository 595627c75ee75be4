// The batching renderer on real OpenGL: what reaches the driver, and what lands on screen.
#include "graphics/renderer.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "graphics/surface.h"
#include "tests/graphics/gl_fixture.h"

namespace {

class Renderer : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        gfx->BeginRender();
        gfx->SetMatrix(1, 0, 0, 1, 0, 0);
        gfx->SetColor(255, 255, 255);
        gfx->SetAlpha(1);
        gfx->SetBlend(0);
        gfx->SetScissor(0, 0, gfx->Width(), gfx->Height());
        gfx->Cls(0, 0, 0);
        gfx->stats.Reset();
    }

    gxtkSurface* SolidSurface(int width, int height, unsigned char r, unsigned char g,
                              unsigned char b) {
        std::vector<unsigned char> pixels;
        for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
        gxtkSurface* surface =
            gfx->LoadSurface(String(WritePng("solid.png", width, height, 4, pixels).c_str()));
        EXPECT_NE(surface, nullptr);
        return surface;
    }
};

Array<float> Floats(std::initializer_list<float> values) {
    Array<float> array(static_cast<int>(values.size()));
    int i = 0;
    for (float v : values) array[i++] = v;
    return array;
}

TEST_F(Renderer, ThreeHundredSameTextureRectanglesMakeTwoDrawCalls) {
    gxtkSurface* surface = SolidSurface(4, 4, 255, 0, 0);
    for (int i = 0; i < 300; ++i) gfx->DrawSurface(surface, static_cast<float>(i % 20), 0);
    EXPECT_EQ(gfx->stats.drawCalls, 1) << "the 257th quad flushes the first 256";
    gfx->EndRender();
    EXPECT_EQ(gfx->stats.drawCalls, 2);
    EXPECT_EQ(gfx->stats.vertices, 1200);
    EXPECT_TRUE(RgbNear(Pixel(1, 1), 255, 0, 0));
}

TEST_F(Renderer, ColourAndAlphaChangesDoNotFlushAndGiveDifferentVertexColours) {
    gfx->DrawRect(0, 0, 10, 10);
    gfx->SetColor(255, 0, 0);
    gfx->SetAlpha(0.5f);
    gfx->DrawRect(20, 0, 10, 10);
    EXPECT_EQ(gfx->stats.drawCalls, 0);
    ASSERT_EQ(gfx->PendingVertices(), 8);
    EXPECT_EQ(gfx->PendingVertex(0)->color, 0xffffffffu);
    EXPECT_EQ(gfx->PendingVertex(4)->color, 0x7f00007fu);
    gfx->EndRender();
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    EXPECT_TRUE(RgbNear(Pixel(5, 5), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(25, 5), 127, 0, 0));
}

TEST_F(Renderer, HalfAlphaWhitePacksToOneTwentySevenInEveryChannel) {
    gfx->SetAlpha(0.5f);
    EXPECT_EQ(gfx->PackedColor(), 0x7f7f7f7fu);
}

TEST_F(Renderer, LineAfterRectangleFlushesTheRectangleBatch) {
    gfx->DrawRect(0, 0, 10, 10);
    gfx->DrawRect(20, 0, 10, 10);
    gfx->DrawLine(0, 20, 30, 20);
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    EXPECT_EQ(gfx->stats.vertices, 8);
    EXPECT_EQ(gfx->PendingType(), 2);
    EXPECT_EQ(gfx->PendingVertices(), 2);
}

TEST_F(Renderer, TextureChangeFlushesButSameTextureAppends) {
    gxtkSurface* a = SolidSurface(2, 2, 255, 0, 0);
    gxtkSurface* b = SolidSurface(2, 2, 0, 255, 0);
    gfx->DrawSurface(a, 0, 0);
    gfx->DrawSurface(a, 4, 0);
    EXPECT_EQ(gfx->stats.drawCalls, 0);
    gfx->DrawSurface(b, 8, 0);
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(5, 1), 255, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(9, 1), 0, 255, 0));
}

TEST_F(Renderer, UntexturedBatchAfterATexturedOneTakesNoColourFromTheTexture) {
    gfx->DrawSurface(SolidSurface(2, 2, 255, 0, 0), 0, 0);
    gfx->DrawRect(10, 0, 10, 10);
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(15, 5), 255, 255, 255));
}

TEST_F(Renderer, ClsDiscardsPrimitivesNotYetFlushed) {
    gfx->DrawRect(0, 0, kWidth - 1, kHeight);
    gfx->Cls(0, 0, 255);
    gfx->EndRender();
    EXPECT_EQ(gfx->stats.drawCalls, 0);
    EXPECT_TRUE(RgbNear(Pixel(10, 10), 0, 0, 255));
}

TEST_F(Renderer, OvalVertexCountFollowsItsSize) {
    gfx->DrawOval(0, 0, 10, 10);
    EXPECT_EQ(gfx->PendingVertices(), 12);
    gfx->DrawOval(0, 0, 100, 50);
    EXPECT_EQ(gfx->PendingVertices(), 72) << "75 rounded down to a multiple of 4";
    gfx->DrawOval(0, 0, 5000, 40);
    EXPECT_EQ(gfx->PendingVertices(), 1024);
    gfx->EndRender();
    EXPECT_EQ(gfx->stats.vertices, 12 + 72 + 1024);
}

TEST_F(Renderer, TransformedOvalCountsSegmentsInScreenPixels) {
    gfx->SetMatrix(4, 0, 0, 4, 0, 0);
    gfx->DrawOval(0, 0, 10, 10);  // radii 20 + 20 on screen
    EXPECT_EQ(gfx->PendingVertices(), 40);
}

TEST_F(Renderer, OvalFillsItsInscribedEllipse) {
    gfx->DrawOval(10, 10, 40, 20);
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(30, 20), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(12, 20), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(11, 11), 0, 0, 0)) << "corner of the bounding box stays clear";
    EXPECT_TRUE(RgbNear(Pixel(30, 31), 0, 0, 0));
}

TEST_F(Renderer, FourVertexPolygonIsAQuadAndFiveVertexPolygonIsAFan) {
    gfx->DrawPoly(Floats({0, 0, 10, 0, 10, 10, 0, 10}));
    EXPECT_EQ(gfx->PendingType(), 4);
    gfx->DrawRect(20, 0, 10, 10);
    EXPECT_EQ(gfx->PendingVertices(), 8) << "joins the rectangles' quad batch";
    gfx->DrawPoly(Floats({40, 0, 50, 0, 55, 5, 50, 10, 40, 10}));
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    gfx->DrawPoly(Floats({60, 0, 70, 0, 75, 5, 70, 10, 60, 10}));
    gfx->EndRender();
    EXPECT_EQ(gfx->stats.drawCalls, 3) << "one indexed quad call, then one fan per pentagon";
    EXPECT_TRUE(RgbNear(Pixel(52, 5), 255, 255, 255));
}

TEST_F(Renderer, PolygonsOutsideOneToTenTwentyFourVerticesAreSkipped) {
    gfx->DrawPoly(Array<float>());
    EXPECT_EQ(gfx->PendingVertices(), 0);
    gfx->DrawPoly(Array<float>(1025 * 2));
    EXPECT_EQ(gfx->PendingVertices(), 0);
}

TEST_F(Renderer, PointsAndLinesLandOnPixelCentres) {
    gfx->DrawPoint(3, 4);
    gfx->DrawLine(0, 10, 20, 10);
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(3, 4), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(4, 4), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(10, 10), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(10, 11), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(10, 9), 0, 0, 0));
}

TEST_F(Renderer, PremultipliedAlphaBlendingMixesWithTheBackground) {
    gfx->Cls(0, 0, 200);
    gfx->SetColor(255, 255, 255);
    gfx->SetAlpha(0.5f);
    gfx->DrawRect(0, 0, 10, 10);
    gfx->EndRender();
    // 127 from the premultiplied source, plus half the background.
    EXPECT_TRUE(RgbNear(Pixel(5, 5), 127, 127, 227));
}

TEST_F(Renderer, AdditiveBlendingAddsAndSwitchingBlendFlushes) {
    gfx->Cls(100, 50, 0);
    gfx->DrawRect(20, 0, 10, 10);
    gfx->SetBlend(1);
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    gfx->SetColor(100, 100, 100);
    gfx->DrawRect(0, 0, 10, 10);
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(5, 5), 200, 150, 100));
    EXPECT_TRUE(RgbNear(Pixel(25, 5), 255, 255, 255));
}

TEST_F(Renderer, SettingTheSameBlendModeAgainKeepsTheBatch) {
    gfx->DrawRect(0, 0, 10, 10);
    gfx->SetBlend(0);
    gfx->DrawRect(20, 0, 10, 10);
    gfx->SetBlend(1);
    gfx->SetBlend(1);
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    EXPECT_EQ(gfx->stats.vertices, 8);
}

TEST_F(Renderer, OpaqueRectangleOverTheWholeWindowClearsToItsExactColour) {
    gfx->SetColor(255, 0, 0);
    gfx->DrawRect(10, 10, 20, 20);
    gfx->SetColor(10.7f, 200, 31);
    gfx->DrawRect(-1, -1, kWidth + 2, kHeight + 2);
    EXPECT_EQ(gfx->PendingVertices(), 0) << "what it covers is never drawn";
    EXPECT_EQ(gfx->stats.clears, 1);
    gfx->SetColor(0, 0, 255);
    gfx->DrawRect(40, 10, 10, 10);
    gfx->EndRender();
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    // Truncated like a vertex colour: 10.7 shows as 10.
    EXPECT_TRUE(RgbNear(Pixel(15, 15), 10, 200, 31, 0));
    EXPECT_TRUE(RgbNear(Pixel(kWidth - 1, kHeight - 1), 10, 200, 31, 0));
    EXPECT_TRUE(RgbNear(Pixel(45, 15), 0, 0, 255, 0));
}

TEST_F(Renderer, WholeWindowRectangleStaysARectangleWhenItCannotHideWhatIsBelow) {
    gfx->Cls(0, 0, 100);
    gfx->SetAlpha(0.5f);
    gfx->DrawRect(0, 0, kWidth, kHeight);  // translucent
    gfx->SetAlpha(1);
    gfx->SetBlend(1);
    gfx->DrawRect(0, 0, kWidth, kHeight);  // additive
    gfx->SetBlend(0);
    gfx->DrawRect(1, 0, kWidth, kHeight);  // misses column 0
    gfx->SetMatrix(0.5f, 0, 0, 0.5f, 0, 0);
    gfx->DrawRect(0, 0, kWidth, kHeight);  // transformed
    gfx->SetMatrix(1, 0, 0, 1, 0, 0);
    gfx->SetScissor(0, 0, 10, 10);
    gfx->DrawRect(0, 0, kWidth, kHeight);  // scissored
    gfx->SetScissor(0, 0, gfx->Width(), gfx->Height());
    EXPECT_EQ(gfx->stats.clears, 0);
    EXPECT_EQ(gfx->stats.vertices, 20);
}

TEST_F(Renderer, ScissorClipsInTopLeftCoordinatesAndFullWindowTurnsItOff) {
    gfx->SetScissor(10, 5, 20, 10);
    gfx->DrawRect(0, 0, kWidth, kHeight);
    gfx->SetScissor(0, 0, gfx->Width(), gfx->Height());
    EXPECT_EQ(gfx->stats.drawCalls, 1) << "SetScissor flushes";
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    gfx->SetColor(255, 0, 0);
    gfx->DrawRect(80, 50, 10, 10);
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(10, 5), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(29, 14), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(9, 5), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(10, 4), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(30, 14), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(29, 15), 0, 0, 0));
    EXPECT_TRUE(RgbNear(Pixel(85, 55), 255, 0, 0)) << "outside the old scissor after it is off";
}

TEST_F(Renderer, MatrixAppliesToEveryVertexAsItIsAppended) {
    gfx->SetMatrix(2, 0, 0, 2, 10, 20);
    gfx->DrawRect(0, 0, 5, 5);
    const gxtkVertex* v = gfx->PendingVertex(2);
    EXPECT_FLOAT_EQ(v->x, 20);
    EXPECT_FLOAT_EQ(v->y, 30);
    gfx->SetMatrix(1, 0, 0, 1, 0, 0);
    gfx->DrawRect(0, 0, 5, 5);
    EXPECT_EQ(gfx->stats.drawCalls, 0) << "a matrix change does not break the batch";
    gfx->EndRender();
    EXPECT_TRUE(RgbNear(Pixel(15, 25), 255, 255, 255));
    EXPECT_TRUE(RgbNear(Pixel(21, 25), 0, 0, 0));
}

TEST_F(Renderer, ReadPixelsFillsRowsTopDownAtOffsetAndPitch) {
    gfx->SetColor(255, 0, 0);
    gfx->DrawRect(0, 0, 4, 1);
    gfx->SetColor(0, 0, 255);
    gfx->DrawRect(0, 1, 4, 1);
    Array<int> pixels(2 + 2 * 5);
    gfx->ReadPixels(pixels, 0, 0, 3, 2, 2, 5);
    EXPECT_EQ(gfx->stats.drawCalls, 1) << "ReadPixels flushes";
    EXPECT_EQ(static_cast<uint32_t>(pixels[2]), 0xffff0000u);
    EXPECT_EQ(static_cast<uint32_t>(pixels[4]), 0xffff0000u);
    EXPECT_EQ(pixels[5], 0) << "beyond the row's width";
    EXPECT_EQ(static_cast<uint32_t>(pixels[7]), 0xff0000ffu);
}

TEST_F(Renderer, ReadPixelsRefusesADestinationTooShort) {
    Array<int> pixels(10);
    gfx->ReadPixels(pixels, 0, 0, 4, 4, 0, 4);
    for (int p : pixels) EXPECT_EQ(p, 0);
}

TEST_F(Renderer, FullVertexBufferFlushesBeforeTheNextPrimitive) {
    for (int i = 0; i < 1024; ++i) gfx->DrawPoint(static_cast<float>(i % kWidth), 0);
    EXPECT_EQ(gfx->stats.drawCalls, 0);
    gfx->DrawPoint(0, 1);
    EXPECT_EQ(gfx->stats.drawCalls, 1);
    EXPECT_EQ(gfx->PendingVertices(), 1);
}

}  // namespace
