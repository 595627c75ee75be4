// A renderer that records what it is asked to draw and load instead of using OpenGL,
// for tests of the replay and of image loading without a window.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "graphics/renderer.h"
#include "graphics/surface.h"

class RecordingGraphics : public gxtkGraphics {
public:
    struct Call {
        std::string what;
        std::vector<float> args;
        float r, g, b, alpha;
        int blend;
    };
    std::vector<Call> calls;
    float cr = 0, cg = 0, cb = 0, ca = 0;
    int blend = -1;
    float tx = 0, ty = 0, ix = 1, jy = 1;

    int BeginRender() override { return 1; }
    int SetColor(float r, float g, float b) override {
        cr = r, cg = g, cb = b;
        return 0;
    }
    int SetAlpha(float a) override {
        ca = a;
        return 0;
    }
    int SetBlend(int mode) override {
        blend = mode;
        return 0;
    }
    int SetScissor(int, int, int, int) override { return 0; }
    int SetMatrix(float a, float b, float c, float d, float e, float f) override {
        ix = a, jy = d, tx = e, ty = f;
        (void)b, (void)c;
        return 0;
    }
    int DrawRect(float x, float y, float w, float h) override { return Add("rect", {x, y, w, h}); }
    int DrawOval(float x, float y, float w, float h) override { return Add("oval", {x, y, w, h}); }
    int DrawLine(float x1, float y1, float x2, float y2) override {
        return Add("line", {x1, y1, x2, y2});
    }
    int DrawPoly(Array<float> v) override {
        return Add("poly", std::vector<float>(v.begin(), v.end()));
    }
    int DrawSurface(gxtkSurface*, float x, float y) override {
        return Add("image", {x, y, tx, ty, ix, jy});
    }
    int DrawSurface2(gxtkSurface*, float x, float y, int srcx, int srcy, int, int) override {
        return Add("image",
                   {x, y, tx, ty, ix, jy, static_cast<float>(srcx), static_cast<float>(srcy)});
    }

    // Image files: each load is recorded and answered with an empty surface of the size
    // given for that path (none when the size is 0 x 0).
    std::vector<std::string> loads;
    std::map<std::string, std::pair<int, int>> sizes;
    bool refuseCreate = false;
    gxtkSurface* LoadSurface(const String& path) override {
        loads.push_back(path.ToUtf8());
        auto it = sizes.find(path.ToUtf8());
        return it == sizes.end() ? nullptr : Surface(it->second.first, it->second.second);
    }
    gxtkSurface* CreateSurface(int width, int height) override {
        return refuseCreate ? nullptr : Surface(width, height);
    }

private:
    static gxtkSurface* Surface(int width, int height) {
        auto* surface = new gxtkSurface;
        surface->width = width;
        surface->height = height;
        return surface;
    }
    int Add(const char* what, std::vector<float> args) {
        calls.push_back({what, std::move(args), cr, cg, cb, ca, blend});
        return 0;
    }
};
