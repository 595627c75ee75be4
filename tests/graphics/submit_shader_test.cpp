// The shader backend's own part: building its program, and saying why when it cannot.
#include "graphics/submit_shader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/graphics/gl_fixture.h"

namespace {

using ShaderProgram = GlTest;

TEST_F(ShaderProgram, RefusedSourceGivesNoProgramAndOneReportNamingTheStage) {
    const char* vertex =
        "#version 100\nattribute vec2 position;\n"
        "void main() { gl_Position = vec4(position, 0.0, 1.0); }\n";
    const char* missingSemicolon = "#version 100\nvoid main() { gl_FragColor = vec4(1.0) }\n";
    ::testing::internal::CaptureStderr();
    unsigned program = gxtkBuildProgram(vertex, missingSemicolon);
    std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(program, 0u);
    EXPECT_EQ(report.rfind("[graphics] cannot build the shader program: fragment shader: ", 0), 0u)
        << report;
    EXPECT_NE(report.find("error"), std::string::npos) << "with the driver's log: " << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
}

}  // namespace
