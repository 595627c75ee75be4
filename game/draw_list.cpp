// The draw list: screens append fixed 15-float records during the update, and every
// render replays the last complete list onto the device, fitted with one uniform scale
// and the overscan margin. Recording is a bounds test and a few stores.
#include <algorithm>

#include "game/my_app.h"
#include "graphics/graphics.h"
#include "graphics/image.h"

namespace {

// A record may name any frame; one the image does not have is skipped, not read
// past the frame table.
bool HasFrame(c_Image* image, int frame) {
    return frame >= 0 && frame < image->m_frames.Length();
}

}  // namespace

int c_MyApp::p_ResetDraw() {
    m_SizeX = 1.0f;
    m_SizeY = 1.0f;
    m_Rot = 0;
    m_Red = m_Green = m_Blue = 255.0f;
    m_Alpha = 1.0f;
    m_Blend = 1;
    return 0;
}

int c_MyApp::p_CLS2D(float r, float g, float b, float a) {
    if (r > kOmitted) {
        m_ClsR = r;
        m_ClsG = g;
        m_ClsB = b;
        m_ClsA = a;
    }
    p_ResetDraw();
    m_DrawCount = 0;
    return 0;
}

int c_MyApp::p_SetSize(float x, float y) {
    m_SizeX = x;
    m_SizeY = y == kOmitted ? x : y;
    return 0;
}

int c_MyApp::p_SetCol(float r, float g, float b, float a) {
    m_Red = r;
    m_Green = g;
    m_Blue = b;
    if (a != kOmitted) m_Alpha = a;
    return 0;
}

int c_MyApp::p_Alpha(float a) {
    m_Alpha = a;
    return 0;
}

int c_MyApp::p_SetRot(float r) {
    m_Rot = -r;
    return 0;
}

int c_MyApp::p_Ink(int index, float brightness) {
    static const float kPalette[10][3] = {
        {0.3f, 0.3f, 0.3f}, {1.0f, 0.1f, 0.1f}, {1.0f, 0.5f, 0.1f}, {1.0f, 1.0f, 0.1f},
        {0.1f, 1.0f, 0.1f}, {0.1f, 1.0f, 1.0f}, {0.1f, 0.1f, 1.0f}, {0.5f, 0.1f, 1.0f},
        {1.0f, 0.1f, 0.5f}, {1.0f, 1.0f, 1.0f},
    };
    const float* ink = index >= 1 && index <= 9 ? kPalette[index] : kPalette[0];
    auto channel = [&](float factor) {
        return std::clamp(factor * brightness * 255.0f, 0.0f, 255.0f);
    };
    m_Red = channel(ink[0]);
    m_Green = channel(ink[1]);
    m_Blue = channel(ink[2]);
    return 0;
}

int c_MyApp::AppendRecord(float kind, float o1, float o2, float o3, float o4, float o5, float o6) {
    if (m_DrawCount > kDrawLimit) return 0;
    float* record = m_DrawList.Data() + m_DrawCount;
    record[0] = kind;
    record[1] = o1;
    record[2] = o2;
    record[3] = o3;
    record[4] = o4;
    record[5] = o5;
    record[6] = o6;
    record[7] = m_Alpha;
    record[10] = m_Red;
    record[11] = m_Green;
    record[12] = m_Blue;
    record[13] = static_cast<float>(m_Blend);
    m_DrawCount += kRecordFloats;
    return 0;
}

int c_MyApp::p_DrawImg(int slot, float x, float y, float frame) {
    return AppendRecord(static_cast<float>(slot), x, y, m_Rot, m_SizeX, m_SizeY, frame);
}

int c_MyApp::p_Rect(float x, float y, float w, float h) {
    return AppendRecord(kDrawRect, x, y, m_Rot, w, h, 0);
}
int c_MyApp::p_Oval(float x, float y, float rx, float ry) {
    return AppendRecord(kDrawOval, x, y, m_Rot, rx, ry, 0);
}
int c_MyApp::p_Line(float x1, float y1, float x2, float y2) {
    return AppendRecord(kDrawLine, x1, y1, m_Rot, x2, y2, 0);
}

int c_MyApp::p_Tri(float x1, float y1, float x2, float y2, float x3, float y3) {
    // Kept in the order the renderer's fill expects: reversed when the middle vertex
    // is not the rightmost.
    if (x1 > x2 || x3 > x2) return AppendRecord(kDrawTri, x3, y3, x2, y2, x1, y1);
    return AppendRecord(kDrawTri, x1, y1, x2, y2, x3, y3);
}

int c_MyApp::p_OnRender() {
    int now = qo_app_Millisecs();
    if (now - m_LastRenderMs > 0) m_RenderFps = 1000 / (now - m_LastRenderMs);
    m_RenderFpsAvg = static_cast<int>((m_RenderFps + 9.0f * m_RenderFpsAvg) / 10.0f);
    m_LastRenderMs = qo_app_Millisecs();

    int width = qo_app_DeviceWidth();
    int height = qo_app_DeviceHeight();
    auto devW = static_cast<float>(width);
    auto devH = static_cast<float>(height);
    // Covering the old frame with a rectangle lets an opacity below 1 leave trails.
    qo_graphics_SetColor(m_ClsR, m_ClsG, m_ClsB);
    qo_graphics_SetAlpha(m_ClsA);
    qo_graphics_DrawRect(-1, -1, devW + 2, devH + 2);
    qo_graphics_SetColor(255, 255, 255);
    qo_graphics_SetAlpha(1);

    if (width != m_StartDevWidth || height != m_StartDevHeight) {
        m_StartDevWidth = width;
        m_StartDevHeight = height;
        m_LoadStep = 1;
    }

    // Portrait devices get a 1.5 times larger virtual screen, so the picture is not tiny.
    float f = width >= height ? 1.0f : 1.5f;
    float o = qo_Game_overscan;
    float sx = (devW - 2 * o) / (qo_Game_rawscrw * f);
    float sy = (devH - 2 * o) / (qo_Game_rawscrh * f);
    float k;
    if (sy > sx) {
        m_ScaleX = m_ScaleY = sy;
        k = devH / (qo_Game_rawscrh * f);
    } else {
        m_ScaleX = m_ScaleY = sx;
        k = devW / (qo_Game_rawscrw * f);
    }
    // A device of no size (a minimised window) keeps the last virtual screen rather
    // than dividing by zero.
    if (k > 0) {
        qo_Game_jscrw = devW / k;
        qo_Game_jscrh = devH / k;
    }

    float offX = o;
    float offY = width != 0 ? o * devH / devW : 0;
    auto mapX = [&](float x) { return x * m_ScaleX + offX; };
    auto mapY = [&](float y) { return y * m_ScaleY + offY; };

    // While the program waits to end on a save, no update draws: the notice goes over the
    // last picture for this render only.
    const int drawn = m_DrawCount;
    if (qo_app_Ending()) p_EndingNotice();
    const float* list = m_DrawList.Data();
    for (int at = 0; at + kRecordFloats <= m_DrawCount; at += kRecordFloats) {
        const float* rec = list + at;
        qo_graphics_SetAlpha(rec[7]);
        qo_graphics_SetColor(rec[10], rec[11], rec[12]);
        qo_graphics_SetBlend(rec[13] == 3 ? 1 : 0);
        float kind = rec[0];
        if (kind == kDrawRect) {
            qo_graphics_DrawRect(mapX(rec[1]), mapY(rec[2]), rec[4] * m_ScaleX, rec[5] * m_ScaleY);
        } else if (kind == kDrawOval) {
            qo_graphics_DrawEllipse(mapX(rec[1]), mapY(rec[2]), rec[4] * m_ScaleX,
                                    rec[5] * m_ScaleY);
        } else if (kind == kDrawLine) {
            qo_graphics_DrawLine(mapX(rec[1]), mapY(rec[2]), mapX(rec[4]), mapY(rec[5]));
        } else if (kind == kDrawTri) {
            Array<float> verts(6);
            for (int i = 0; i < 3; ++i) {
                verts[2 * i] = mapX(rec[1 + 2 * i]);
                verts[2 * i + 1] = mapY(rec[2 + 2 * i]);
            }
            qo_graphics_DrawPoly(verts);
        } else if (kind > -1) {
            int slot = static_cast<int>(kind);
            c_Image* image = slot < kImageSlots ? static_cast<c_Image*>(m_Images[slot]) : nullptr;
            int frame = static_cast<int>(rec[6]);
            if (image && HasFrame(image, frame)) {
                qo_graphics_DrawImage2(image, mapX(rec[1]), mapY(rec[2]), rec[3],
                                       rec[4] * m_ScaleX * m_ImgScale,
                                       rec[5] * m_ScaleY * m_ImgScale, frame);
            }
        }
    }
    m_DrawCount = drawn;
    qo_graphics_SetAlpha(0.5f);
    qo_graphics_SetColor(255, 255, 255);
    return 0;
}
