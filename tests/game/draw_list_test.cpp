// Recording the draw list: the record layout of each kind, the drawing state copied
// into records, the 2,499-record limit, the triangle's vertex order and the palette.
#include "tests/game/game_fixture.h"

namespace {

using DrawList = GameTest;

TEST_F(DrawList, ImageRecordCarriesTheDrawingState) {
    app->p_CLS2D(kOmitted, 0, 0, 0);
    app->p_SetSize(2, 3);
    app->p_SetRot(30);
    app->p_SetCol(10, 20, 30, 0.5f);
    app->p_DrawImg(42, 100, 200, 7);
    ASSERT_EQ(Records(), 1);
    const float* r = Record(0);
    EXPECT_EQ(r[0], 42);
    EXPECT_EQ(r[1], 100);
    EXPECT_EQ(r[2], 200);
    EXPECT_EQ(r[3], -30);  // stored negated
    EXPECT_EQ(r[4], 2);
    EXPECT_EQ(r[5], 3);
    EXPECT_EQ(r[6], 7);
    EXPECT_EQ(r[7], 0.5f);
    EXPECT_EQ(r[10], 10);
    EXPECT_EQ(r[11], 20);
    EXPECT_EQ(r[12], 30);
    EXPECT_EQ(r[13], 1);
}

TEST_F(DrawList, ShapeRecordsUseTheirKindsAndLayouts) {
    app->p_CLS2D(kOmitted, 0, 0, 0);
    app->p_Rect(1, 2, 3, 4);
    app->p_Oval(5, 6, 7, 8);
    app->p_Line(9, 10, 11, 12);
    ASSERT_EQ(Records(), 3);
    EXPECT_EQ(Record(0)[0], -3717);
    EXPECT_EQ(Record(0)[4], 3);
    EXPECT_EQ(Record(0)[5], 4);
    EXPECT_EQ(Record(0)[6], 0);
    EXPECT_EQ(Record(1)[0], -3716);
    EXPECT_EQ(Record(1)[1], 5);
    EXPECT_EQ(Record(1)[4], 7);
    EXPECT_EQ(Record(2)[0], -3715);
    EXPECT_EQ(Record(2)[4], 11);
    EXPECT_EQ(Record(2)[5], 12);
}

TEST_F(DrawList, TriangleKeepsItsOrderWhenTheMiddleVertexIsRightmost) {
    app->p_Tri(0, 1, 10, 2, 5, 3);
    const float* r = Record(0);
    EXPECT_EQ(r[0], -3714);
    EXPECT_EQ(r[1], 0);
    EXPECT_EQ(r[2], 1);
    EXPECT_EQ(r[5], 5);
    EXPECT_EQ(r[6], 3);
}

TEST_F(DrawList, TriangleIsReversedWhenAnOuterVertexLiesRightOfTheMiddle) {
    app->p_Tri(20, 1, 10, 2, 5, 3);  // first right of second
    app->p_Tri(0, 1, 10, 2, 15, 3);  // third right of second
    for (int i = 0; i < 2; ++i) {
        const float* r = Record(i);
        EXPECT_EQ(r[3], 10);
        EXPECT_EQ(r[4], 2);
    }
    EXPECT_EQ(Record(0)[1], 5);
    EXPECT_EQ(Record(0)[5], 20);
    EXPECT_EQ(Record(1)[1], 15);
    EXPECT_EQ(Record(1)[6], 1);
}

TEST_F(DrawList, TheTwoThousandFiveHundredthRecordIsRefused) {
    app->p_CLS2D(kOmitted, 0, 0, 0);
    for (int i = 0; i < 2499; ++i) app->p_Rect(static_cast<float>(i), 0, 1, 1);
    EXPECT_EQ(app->m_DrawCount, 2499 * 15);
    app->p_Rect(-5, -5, 1, 1);
    app->p_DrawImg(3, 0, 0, 0);
    EXPECT_EQ(app->m_DrawCount, 2499 * 15);
    EXPECT_EQ(Record(2498)[1], 2498);
}

TEST_F(DrawList, ClsStartsAPictureAndResetsTheState) {
    app->p_SetCol(1, 2, 3, 0.1f);
    app->p_SetSize(4, kOmitted);
    app->p_Rect(0, 0, 1, 1);
    app->p_CLS2D(10, 20, 30, 0.5f);
    EXPECT_EQ(app->m_DrawCount, 0);
    EXPECT_EQ(app->m_ClsR, 10);
    EXPECT_EQ(app->m_ClsB, 30);
    EXPECT_EQ(app->m_ClsA, 0.5f);
    EXPECT_EQ(app->m_Red, 255);
    EXPECT_EQ(app->m_Alpha, 1);
    EXPECT_EQ(app->m_SizeX, 1);
    EXPECT_EQ(app->m_Blend, 1);
}

TEST_F(DrawList, ClsWithTheOmittedMarkerKeepsTheClearColour) {
    app->p_CLS2D(10, 20, 30, 0.5f);
    app->p_CLS2D(kOmitted, 0, 0, 0);
    EXPECT_EQ(app->m_ClsR, 10);
    EXPECT_EQ(app->m_ClsA, 0.5f);
}

TEST_F(DrawList, OmittedSecondSizeCopiesTheFirst) {
    app->p_SetSize(2, kOmitted);
    EXPECT_EQ(app->m_SizeX, 2);
    EXPECT_EQ(app->m_SizeY, 2);
}

TEST_F(DrawList, OmittedAlphaKeepsTheAlpha) {
    app->p_Alpha(0.3f);
    app->p_SetCol(10, 20, 30, kOmitted);
    EXPECT_EQ(app->m_Red, 10);
    EXPECT_EQ(app->m_Green, 20);
    EXPECT_EQ(app->m_Blue, 30);
    EXPECT_EQ(app->m_Alpha, 0.3f);
}

TEST_F(DrawList, InkScalesThePaletteByBrightness) {
    app->p_Ink(2, 0.5f);
    EXPECT_FLOAT_EQ(app->m_Red, 127.5f);
    EXPECT_FLOAT_EQ(app->m_Green, 63.75f);
    EXPECT_FLOAT_EQ(app->m_Blue, 12.75f);
}

TEST_F(DrawList, InkClampsAtFullBrightness) {
    app->p_Ink(1, 2);
    EXPECT_FLOAT_EQ(app->m_Red, 255);
    EXPECT_FLOAT_EQ(app->m_Green, 51);
    EXPECT_FLOAT_EQ(app->m_Blue, 51);
}

TEST_F(DrawList, InkOutsideThePaletteIsGrey) {
    app->p_Alpha(0.4f);
    app->p_Ink(0, 1);
    EXPECT_FLOAT_EQ(app->m_Red, 0.3f * 255);
    app->p_Ink(10, 1);
    EXPECT_FLOAT_EQ(app->m_Blue, 0.3f * 255);
    EXPECT_EQ(app->m_Alpha, 0.4f);
}

}  // namespace
