// The browser's submission: WebGL has no fixed function, so one GLSL ES 1.00 program
// does the fixed pipeline's work for the renderer: positions through a pixel projection,
// texel times vertex colour (both premultiplied). Untextured batches sample a 1x1 white
// texture, so the one program serves every batch. Each flush copies the pending vertices
// into a stream buffer; quads draw from a static index buffer.
// The desktop build of this file uses the GLES 2 header as well, so it compiles only
// calls that WebGL offers; Mesa's libGL exports them.
#include "graphics/submit_shader.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <string>

#include "graphics/renderer.h"
#include "graphics/submit.h"
#include "graphics/surface.h"
#include "runtime/device_host.h"

namespace {

// Bound before linking, so the vertex layout needs no look-up.
enum Attribute : GLuint { kPosition = 0, kUv = 1, kColor = 2 };

const char kVertexSource[] = R"(#version 100
uniform mat4 projection;
attribute vec2 position;
attribute vec2 uv;
attribute vec4 color;
varying vec2 texelUv;
varying vec4 vertexColor;
void main() {
    gl_Position = projection * vec4(position, 0.0, 1.0);
    gl_PointSize = 1.0;
    texelUv = uv;
    vertexColor = color;
}
)";

// mediump may be half floats: too coarse to address single texels of large textures.
const char kFragmentSource[] = R"(#version 100
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D image;
varying vec2 texelUv;
varying vec4 vertexColor;
void main() {
    gl_FragColor = texture2D(image, texelUv) * vertexColor;
}
)";

// The objects of one OpenGL context. A new context (glfwGraphicsSeq moved on) builds
// them afresh; those of the old one went with it. A program that cannot be built is
// tried, and reported, once per context; nothing is drawn in that context.
struct ContextObjects {
    int seq = 0;
    GLuint program = 0;
    GLint projection = -1;
    GLuint vertexBuffer = 0;
    GLuint quadBuffer = 0;
    bool quadIndicesLoaded = false;
    GLuint whiteTexture = 0;
};
ContextObjects context;

std::string InfoLog(GLuint object, bool isProgram) {
    GLint length = 0;
    if (isProgram) {
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    } else {
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    }
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    if (isProgram) {
        glGetProgramInfoLog(object, length, nullptr, log.data());
    } else {
        glGetShaderInfoLog(object, length, nullptr, log.data());
    }
    log.resize(log.find_last_not_of(std::string("\n\r\t ") + '\0') + 1);
    return log;
}

GLuint Compile(GLenum stage, const char* source) {
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

// "" when both shaders compiled and the program linked, otherwise the first failure.
std::string Failure(GLuint vertex, GLuint fragment, GLuint program) {
    GLint ok = GL_FALSE;
    glGetShaderiv(vertex, GL_COMPILE_STATUS, &ok);
    if (!ok) return "vertex shader: " + InfoLog(vertex, false);
    glGetShaderiv(fragment, GL_COMPILE_STATUS, &ok);
    if (!ok) return "fragment shader: " + InfoLog(fragment, false);
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) return "link: " + InfoLog(program, true);
    return "";
}

GLuint MakeWhiteTexture() {
    static const unsigned char kWhite[4] = {255, 255, 255, 255};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    // The default minification filter wants mipmaps; without them the texture samples black.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, kWhite);
    return texture;
}

void MakeContextObjects() {
    context = ContextObjects();
    context.seq = glfwGraphicsSeq;
    context.program = gxtkBuildProgram(kVertexSource, kFragmentSource);
    if (!context.program) return;
    context.projection = glGetUniformLocation(context.program, "projection");
    glGenBuffers(1, &context.vertexBuffer);
    glGenBuffers(1, &context.quadBuffer);
    context.whiteTexture = MakeWhiteTexture();
}

void SetAttribute(Attribute attribute, GLint size, GLenum type, size_t offset) {
    glVertexAttribPointer(attribute, size, type, type == GL_UNSIGNED_BYTE ? GL_TRUE : GL_FALSE,
                          sizeof(gxtkVertex), reinterpret_cast<const void*>(offset));
    glEnableVertexAttribArray(attribute);
}

}  // namespace

unsigned gxtkBuildProgram(const char* vertexSource, const char* fragmentSource) {
    GLuint program = glCreateProgram();
    GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentSource);
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glBindAttribLocation(program, kPosition, "position");
    glBindAttribLocation(program, kUv, "uv");
    glBindAttribLocation(program, kColor, "color");
    glLinkProgram(program);
    std::string failure = Failure(vertex, fragment, program);
    // Attached shaders live on with the program; these only drop our names for them.
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    if (failure.empty()) return program;
    std::fprintf(stderr, "[graphics] cannot build the shader program: %s\n", failure.c_str());
    glDeleteProgram(program);
    return 0;
}

void gxtkSubmit::BeginFrame(int width, int height, const gxtkVertex*) {
    if (context.seq != glfwGraphicsSeq) MakeContextObjects();
    if (!context.program) return;
    glUseProgram(context.program);
    // glOrtho(0, width, height, 0, -1, 1), column by column.
    float w = static_cast<float>(std::max(width, 1));
    float h = static_cast<float>(std::max(height, 1));
    const GLfloat projection[16] = {2 / w, 0, 0, 0, 0, -2 / h, 0, 0, 0, 0, -1, 0, -1, 1, 0, 1};
    glUniformMatrix4fv(context.projection, 1, GL_FALSE, projection);

    glBindBuffer(GL_ARRAY_BUFFER, context.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, context.quadBuffer);
    SetAttribute(kPosition, 2, GL_FLOAT, offsetof(gxtkVertex, x));
    SetAttribute(kUv, 2, GL_FLOAT, offsetof(gxtkVertex, u));
    SetAttribute(kColor, 4, GL_UNSIGNED_BYTE, offsetof(gxtkVertex, color));
}

void gxtkSubmit::BeginBatch(const gxtkVertex* vertices, int count, gxtkSurface* surface) {
    if (!context.program) return;
    if (surface) {
        surface->Bind();
    } else {
        glBindTexture(GL_TEXTURE_2D, context.whiteTexture);
    }
    // A new store per flush, so the driver need not wait for draws still reading the last.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(gxtkVertex)), vertices,
                 GL_STREAM_DRAW);
}

void gxtkSubmit::DrawArrays(Primitive kind, int first, int count) {
    if (!context.program) return;
    glDrawArrays(static_cast<GLenum>(kind), first, count);
}

void gxtkSubmit::DrawQuads(const uint16_t* quadIndices, int quads) {
    if (!context.program) return;
    if (!context.quadIndicesLoaded) {
        // The list never changes: loaded at the context's first quad batch, kept for good.
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(gxtkGraphics::kMaxQuads * 6 * sizeof(uint16_t)),
                     quadIndices, GL_STATIC_DRAW);
        context.quadIndicesLoaded = true;
    }
    glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, nullptr);
}

void gxtkSubmit::EndBatch(gxtkSurface*) {}

void gxtkSubmit::ReadPixels(int x, int y, int w, int h, uint32_t* argb) {
    // GLES reads only RGBA for certain: swap red and blue into 0xAARRGGBB.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, argb);
    for (uint32_t* p = argb; p != argb + static_cast<size_t>(w) * h; ++p) {
        *p = (*p & 0xff00ff00u) | (*p >> 16 & 0xffu) | (*p & 0xffu) << 16;
    }
}
