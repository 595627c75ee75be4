#include "tools/assetgen/solid.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tools/assetgen/cube.h"

namespace assetgen {
namespace {

void ExpectNear(V3 a, V3 b, double eps = 1e-9) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

TEST(Projection, CellStepsMatchThePlayScreen) {
    V2 column = ProjectVirtual({1, 0, 0}), row = ProjectVirtual({0, 1, 0}),
       layer = ProjectVirtual({0, 0, 1});
    EXPECT_DOUBLE_EQ(column.x, 32);
    EXPECT_DOUBLE_EQ(column.y, -5.5);
    EXPECT_DOUBLE_EQ(row.x, 8);
    EXPECT_DOUBLE_EQ(row.y, 22);
    EXPECT_DOUBLE_EQ(layer.x, 0);
    EXPECT_DOUBLE_EQ(layer.y, -18);
}

TEST(Projection, ViewerSeesTopFrontAndLeftFaces) {
    V3 eye = TowardViewer();
    V2 flat = ProjectVirtual(eye);  // the view direction projects to a point
    EXPECT_NEAR(flat.x, 0, 1e-9);
    EXPECT_NEAR(flat.y, 0, 1e-9);
    EXPECT_GT(eye.z, 0);  // top
    EXPECT_GT(eye.y, 0);  // row + 1 side, drawn later by the play screen
    EXPECT_LT(eye.x, 0);  // column - 1 side, drawn later within a row
}

TEST(Solid, BoxFacesPointOutward) {
    Solid box = ChamferedBox({0.5, 0.5, 0.5}, 0.1);
    EXPECT_EQ(box.faces.size(), 26u);
    ExpectNear(FaceNormal(box, 5), {0, 0, 1});
    ExpectNear(FaceNormal(box, 2), {0, -1, 0});
}

TEST(CubeRoll, RestFrameIsTheCubeInItsCell) {
    for (int d = 0; d < 4; ++d) {
        CubePose p = RollPose(d, 0);
        ExpectNear(p.centre, {0, 0, 1});
        ExpectNear(p.straightLine, {0, 0, 1});
        ExpectNear(p.rotation({0, 0, 1}), {0, 0, 1});
    }
}

TEST(CubeRoll, TipsAboutTheLeadingBottomEdge) {
    for (int d = 0; d < 4; ++d) {
        const V3 dir = RollDirection(d);
        const V3 side = Cross({0, 0, 1}, dir);
        // The two ends of the leading bottom edge, in the cube's own frame.
        const V3 ends[2] = {dir * 0.5 + side * 0.5 - V3{0, 0, 0.5},
                            dir * 0.5 - side * 0.5 - V3{0, 0, 0.5}};
        for (int k = 0; k <= 16; ++k) {
            CubePose p = RollPose(d, k);
            for (const V3& e : ends) ExpectNear(p.centre + p.rotation(e), V3{0, 0, 1} + e);
            // No corner dips below the floor top.
            for (int c = 0; c < 8; ++c) {
                V3 corner{(c & 1) ? 0.5 : -0.5, (c & 2) ? 0.5 : -0.5, (c & 4) ? 0.5 : -0.5};
                EXPECT_GE((p.centre + p.rotation(corner)).z, 0.5 - 1e-9) << d << " " << k;
            }
        }
    }
}

TEST(CubeRoll, QuarterTurnLandsOnTheNextCellWhereTheStraightLineEnds) {
    for (int d = 0; d < 4; ++d) {
        CubePose p = RollPose(d, 16);
        V3 next = V3{0, 0, 1} + RollDirection(d);
        ExpectNear(p.centre, next);
        ExpectNear(p.straightLine, next);
        ExpectNear(p.rotation({0, 0, 1}), RollDirection(d));  // the top went forward
    }
}

TEST(CubeRoll, MidRollCubeRisesAboveTheStraightLine) {
    CubePose p = RollPose(2, 8);
    EXPECT_NEAR(p.centre.z - p.straightLine.z, std::sqrt(0.5) - 0.5, 1e-9);
    EXPECT_NEAR(p.centre.x, p.straightLine.x, 1e-9);
}

}  // namespace
}  // namespace assetgen
