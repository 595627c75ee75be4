// How the renderer's batches reach OpenGL: one implementation per backend, picked by
// the build. submit_fixed.cpp is the desktop's fixed-function pipeline with client
// arrays; submit_shader.cpp is one GLSL ES 1.00 program over buffer objects, for WebGL.
// The batcher (renderer.cpp) decides what is drawn and how often and counts it, so both
// backends see the same calls. Clearing, blending and the scissor are the same calls in
// OpenGL 1.1 and GLES 2 and stay in the batcher. Main thread only.
#pragma once

#include <cstdint>

class gxtkSurface;
struct gxtkVertex;

namespace gxtkSubmit {

// Valued as OpenGL's primitive modes, which GL 1.1 and GLES 2 share.
enum class Primitive : unsigned { Points = 0x0, Lines = 0x1, Triangles = 0x4, TriangleFan = 0x6 };

// Start of a frame in a window of width x height pixels: an orthographic projection in
// pixels with the origin at the top left, the vertex layout over `vertices` (the batch
// buffer), texturing off.
void BeginFrame(int width, int height, const gxtkVertex* vertices);
// Makes the first `count` vertices drawable, textured by `surface` (binding it may make
// its texture) or untextured when it is null.
void BeginBatch(const gxtkVertex* vertices, int count, gxtkSurface* surface);
void DrawArrays(Primitive kind, int first, int count);
// `quads` quads as two triangles each through the renderer's fixed index list.
void DrawQuads(const uint16_t* quadIndices, int quads);
void EndBatch(gxtkSurface* surface);
// The rectangle in OpenGL window coordinates (bottom row first) as 0xAARRGGBB values.
void ReadPixels(int x, int y, int w, int h, uint32_t* argb);

}  // namespace gxtkSubmit
