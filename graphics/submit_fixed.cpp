// The desktop's submission: OpenGL 1.1 fixed function. The projection and model-view
// matrices do the pixel mapping, and the three client arrays point straight into the
// renderer's batch buffer, so a batch is drawn without copying it.
#include <GL/gl.h>
// GL 1.2 names (clamp to edge, BGRA), which some systems' gl.h leaves out.
#include <GL/glext.h>

#include "graphics/renderer.h"
#include "graphics/submit.h"
#include "graphics/surface.h"

void gxtkSubmit::BeginFrame(int width, int height, const gxtkVertex* vertices) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(gxtkVertex), &vertices[0].x);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(gxtkVertex), &vertices[0].u);
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(gxtkVertex), &vertices[0].color);
    glDisable(GL_TEXTURE_2D);
}

void gxtkSubmit::BeginBatch(const gxtkVertex*, int, gxtkSurface* surface) {
    if (!surface) return;
    glEnable(GL_TEXTURE_2D);
    surface->Bind();
}

void gxtkSubmit::DrawArrays(Primitive kind, int first, int count) {
    glDrawArrays(static_cast<GLenum>(kind), first, count);
}

void gxtkSubmit::DrawQuads(const uint16_t* quadIndices, int quads) {
    glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, quadIndices);
}

void gxtkSubmit::EndBatch(gxtkSurface* surface) {
    if (surface) glDisable(GL_TEXTURE_2D);
}

void gxtkSubmit::ReadPixels(int x, int y, int w, int h, uint32_t* argb) {
    // BGRA bytes read as little-endian words are 0xAARRGGBB already.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, argb);
}
