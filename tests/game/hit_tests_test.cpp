// The hit tests every screen uses: boxes are open (an edge is outside), the radius test
// includes its boundary, touch bars have slack, and buttons follow the drawn size.
#include <gtest/gtest.h>

#include "tests/game/game_fixture.h"

namespace {

class HitTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        for (int i = 0; i < 10; ++i) {
            app->m_TouchDown[i] = 0;
            app->m_TouchX[i] = app->m_TouchY[i] = -3717;
        }
        app->p_ResetDraw();
    }
    void Touch(int slot, int x, int y) {
        app->m_TouchDown[slot] = 1;
        app->m_TouchX[slot] = x;
        app->m_TouchY[slot] = y;
        app->m_PointerDown = 1;
    }
    // A 64 x 32 button image in slot 95, as the loader records its size.
    void ButtonImage(float imgScale) {
        app->m_ImgSize[95 * 3] = 64;
        app->m_ImgSize[95 * 3 + 1] = 32;
        app->m_ImgScale = imgScale;
    }
};

TEST_F(HitTest, MouseInCountsOnlyPointsStrictlyInsideTheRectangle) {
    Touch(0, 10, 20);
    EXPECT_EQ(app->p_MouseIn(0, 0, 20, 30), 1);
    EXPECT_EQ(app->p_MouseIn(10, 0, 20, 30), 0) << "left edge";
    EXPECT_EQ(app->p_MouseIn(0, 0, 10, 30), 0) << "right edge";
    EXPECT_EQ(app->p_MouseIn(0, 20, 20, 30), 0) << "top edge";
}

TEST_F(HitTest, MouseInIgnoresSlotsThatAreUp) {
    app->m_TouchX[3] = 10;
    app->m_TouchY[3] = 10;
    EXPECT_EQ(app->p_MouseIn(0, 0, 20, 20), 0);
    Touch(3, 10, 10);
    EXPECT_EQ(app->p_MouseIn(0, 0, 20, 20), 1) << "any slot counts, not only the mouse";
}

TEST_F(HitTest, CenteredRectangleIsPlacedAroundItsCentre) {
    Touch(0, 131, 100);
    EXPECT_EQ(app->p_MouseIn_Centered(100, 100, 64, 10), 1);
    EXPECT_EQ(app->p_MouseIn_Centered(100, 100, 62, 10), 0);
    EXPECT_EQ(app->p_MouseIn_Centered(100, 100, 64, 0), 0);
}

TEST_F(HitTest, RadiusIncludesItsBoundary) {
    Touch(0, 132, 132);  // exactly sqrt(32^2 + 32^2) from (100, 100)
    EXPECT_EQ(app->p_MouseIn_Radius(100, 100, 64, 64), 1);
    EXPECT_EQ(app->p_MouseIn_Radius(100, 100, 63, 64), 0);
}

TEST_F(HitTest, TouchBarHasSlackAndDrawsItself) {
    Touch(0, 95, 50);
    EXPECT_EQ(app->p_Touch(100, 40, 50, 20), 1) << "six units to the left still count";
    EXPECT_EQ(Records(), 1);
    EXPECT_EQ(Record(0)[0], kDrawRect);
    app->m_TouchX[0] = 161;
    EXPECT_EQ(app->p_Touch(100, 40, 50, 20), 1) << "eleven units to the right";
    app->m_TouchX[0] = 162;
    EXPECT_EQ(app->p_Touch(100, 40, 50, 20), 0);
    app->m_TouchX[0] = 94;
    EXPECT_EQ(app->p_Touch(100, 40, 50, 20), 0);
}

TEST_F(HitTest, ButtonBoxFollowsImageScaleAndDrawScale) {
    ButtonImage(0.5f);  // texture pixels at the -hd level: 32 x 16 units
    Touch(0, 100 + 15, 200 + 7);
    EXPECT_EQ(app->p_Button(95, 100, 200, 10), 1);
    EXPECT_EQ(app->m_ButtonHit, 1);
    EXPECT_EQ(Records(), 1) << "the frame is drawn";
    app->m_TouchX[0] = 100 + 17;
    EXPECT_EQ(app->p_Button(95, 100, 200, 10), 0);
    EXPECT_EQ(app->m_ButtonHit, 0);
    app->p_SetSize(2, kOmitted);
    EXPECT_EQ(app->p_Button(95, 100, 200, 10), 1) << "twice the draw scale, twice the box";
}

TEST_F(HitTest, ButtonNeedsThePointerDown) {
    ButtonImage(1);
    Touch(0, 100, 200);
    app->m_PointerDown = 0;
    EXPECT_EQ(app->p_Button(95, 100, 200, 10), 0);
}

TEST_F(HitTest, ButtonAcceptsAnySlotButButton0OnlyTheFirst) {
    ButtonImage(1);
    Touch(4, 100, 200);
    EXPECT_EQ(app->p_Button(95, 100, 200, 10), 1);
    EXPECT_EQ(app->p_Button0(95, 100, 200, 10), 0);
    Touch(0, 101, 201);
    EXPECT_EQ(app->p_Button0(95, 100, 200, 10), 1);
}

TEST_F(HitTest, SlotsThatAreUpNeverHitAButtonAtTheirMarker) {
    ButtonImage(1);
    app->m_PointerDown = 1;
    EXPECT_EQ(app->p_Button(95, 0, 0, 10), 0);
    EXPECT_EQ(app->p_Button(95, 600, 440, 10), 0);
}

}  // namespace
