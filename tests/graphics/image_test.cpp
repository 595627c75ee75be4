// Image layout: strips, grids, padding, handles and the whole-surface flag. These need
// no OpenGL: the surfaces only carry a size.
#include "graphics/image.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "graphics/surface.h"
#include "tests/support/child_process.h"

namespace {

gxtkSurface* SurfaceOfSize(int width, int height) {
    auto* surface = new gxtkSurface;
    surface->width = width;
    surface->height = height;
    return surface;
}

std::vector<std::pair<int, int>> Origins(const c_Image* image) {
    std::vector<std::pair<int, int>> origins;
    for (c_Frame* frame : image->m_frames) origins.emplace_back(frame->m_x, frame->m_y);
    return origins;
}

TEST(Image, StripOfEightFramesCutsEqualFramesWithoutWholeSurfaceFlag) {
    c_Image* image = (new c_Image)->m_new()->p_Init(SurfaceOfSize(256, 32), 8, 0);
    EXPECT_EQ(image->m_width, 32);
    EXPECT_EQ(image->m_height, 32);
    std::vector<std::pair<int, int>> expected;
    for (int i = 0; i < 8; ++i) expected.emplace_back(i * 32, 0);
    EXPECT_EQ(Origins(image), expected);
    EXPECT_EQ(image->m_flags, 0);
}

TEST(Image, SingleFrameCoveringTheSurfaceGetsWholeSurfaceFlag) {
    c_Image* image = (new c_Image)->m_new()->p_Init(SurfaceOfSize(256, 32), 1, 0);
    EXPECT_EQ(image->m_flags, c_Image::kFullFrame);
}

TEST(Image, MidHandleWithXPaddingTrimsBordersThenCentres) {
    c_Image* image = (new c_Image)->m_new()->p_Init(SurfaceOfSize(34, 10), 1, 1 | 2);
    EXPECT_EQ(Origins(image), (std::vector<std::pair<int, int>>{{1, 0}}));
    EXPECT_EQ(image->m_width, 32);
    EXPECT_EQ(image->m_height, 10);
    EXPECT_FLOAT_EQ(image->m_handleX, 16);
    EXPECT_FLOAT_EQ(image->m_handleY, 5);
    EXPECT_EQ(image->m_flags, 2) << "flag 1 applied once and cleared; not the whole surface";
}

TEST(Image, YPaddingMovesEveryFrameDownAndShortensIt) {
    c_Image* image = (new c_Image)->m_new()->p_Init(SurfaceOfSize(20, 12), 2, 4);
    EXPECT_EQ(Origins(image), (std::vector<std::pair<int, int>>{{0, 1}, {10, 1}}));
    EXPECT_EQ(image->m_height, 10);
    EXPECT_EQ(image->m_flags, 4);
}

TEST(Image, GridOfTenSixteenPixelFramesWrapsRows) {
    c_Image* image =
        (new c_Image)
            ->m_new()
            ->p_Init2(SurfaceOfSize(64, 64), 0, 0, 16, 16, 10, 0, nullptr, 0, 0, 64, 64);
    EXPECT_EQ(Origins(image), (std::vector<std::pair<int, int>>{{0, 0},
                                                                {16, 0},
                                                                {32, 0},
                                                                {48, 0},
                                                                {0, 16},
                                                                {16, 16},
                                                                {32, 16},
                                                                {48, 16},
                                                                {0, 32},
                                                                {16, 32}}));
    EXPECT_EQ(image->m_flags, 0);
}

TEST(Image, GridFramesAreOffsetByTheSourceRectangle) {
    auto* parent = (new c_Image)->m_new();
    c_Image* image = (new c_Image)
                         ->m_new()
                         ->p_Init2(SurfaceOfSize(64, 64), 8, 0, 8, 8, 3, 0, parent, 20, 30, 24, 16);
    EXPECT_EQ(Origins(image), (std::vector<std::pair<int, int>>{{28, 30}, {36, 30}, {20, 38}}));
    EXPECT_EQ(image->m_parent, parent);
}

// The misuse errors end the program through the runtime error path: message on standard
// output, the debugger prompt on standard error, status 255 once standard input closes.
ChildResult RunImageChild(const char* scenario) {
    return RunChild({IMAGE_CHILD, scenario});
}

TEST(ImageErrors, InitialisingTwiceEndsTheProgram) {
    ChildResult result = RunImageChild("init-twice");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "Kavoro Runtime Error : Image already initialized\n\n");
}

TEST(ImageErrors, SeventeenthFrameOfTwentyOnSixtyFourSquareIsOutsideTheSurface) {
    ChildResult result = RunImageChild("grid-overflow");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out,
              "frames placed: 16\nKavoro Runtime Error : Image frame outside surface\n\n");
}

TEST(ImageErrors, FrameWiderThanTheSourceIsOutsideTheSurface) {
    ChildResult result = RunImageChild("frame-too-wide");
    EXPECT_EQ(result.status, 255);
    EXPECT_EQ(result.out, "Kavoro Runtime Error : Image frame outside surface\n\n");
}

}  // namespace
