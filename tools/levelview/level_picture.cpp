#include "tools/levelview/level_picture.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <climits>

#include "game/vocabulary.h"

namespace {

constexpr int kFrame = 64;  // frame size of the "-hd" sheets: size 2 at scale 1
constexpr int kMargin = 64;

struct Sheet {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
    bool Load(const std::string& path) {
        int channels = 0;
        unsigned char* data = stbi_load(path.c_str(), &width, &height, &channels, 4);
        if (data == nullptr) return false;
        rgba.assign(data, data + static_cast<size_t>(width) * height * 4);
        stbi_image_free(data);
        return true;
    }
};

float WorldX(int col, int row) {
    return iso::WorldX(static_cast<float>(col), static_cast<float>(row));
}
float WorldY(int col, int row, int layer) {
    return iso::WorldY(static_cast<float>(col), static_cast<float>(row), static_cast<float>(layer));
}

// Blends frame `frame` of `sheet`, centred on (cx, cy), over the picture.
void Blit(LevelPicture& picture, const Sheet& sheet, int frame, float cx, float cy, float opacity) {
    const int perRow = sheet.width / kFrame;
    if (frame < 0 || perRow == 0 || frame >= perRow * (sheet.height / kFrame)) return;
    const int fx = (frame % perRow) * kFrame, fy = (frame / perRow) * kFrame;
    const int left = static_cast<int>(cx) - kFrame / 2, top = static_cast<int>(cy) - kFrame / 2;
    for (int y = 0; y < kFrame; ++y) {
        const int py = top + y;
        if (py < 0 || py >= picture.height) continue;
        for (int x = 0; x < kFrame; ++x) {
            const int px = left + x;
            if (px < 0 || px >= picture.width) continue;
            const unsigned char* src =
                &sheet.rgba[(static_cast<size_t>(fy + y) * sheet.width + fx + x) * 4];
            unsigned char* dst = &picture.rgba[(static_cast<size_t>(py) * picture.width + px) * 4];
            const float a = src[3] / 255.0f * opacity;
            for (int c = 0; c < 3; ++c)
                dst[c] = static_cast<unsigned char>(src[c] * a + dst[c] * (1 - a) + 0.5f);
        }
    }
}

}  // namespace

LevelPicture DrawLevel(const std::vector<LevelCell>& cells, int size, int cubeX, int cubeY,
                       const std::string& dataDir, std::string* error) {
    Sheet pieces, cube;
    if (!pieces.Load(dataDir + "/" + std::to_string(slots::kImgLevel) + "-hd.png") ||
        !cube.Load(dataDir + "/0-hd.png")) {
        *error = "cannot read the level art in " + dataDir;
        return {};
    }
    const int stride = size + 1;
    auto at = [&](int x, int y) -> const LevelCell& {
        return cells[static_cast<size_t>(y) * stride + x];
    };

    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (int y = 0; y <= size; ++y)
        for (int x = 0; x <= size; ++x) {
            if (at(x, y).floor == 0) continue;
            minX = std::min(minX, WorldX(x, y));
            maxX = std::max(maxX, WorldX(x, y));
            minY = std::min(minY, WorldY(x, y, 1));
            maxY = std::max(maxY, WorldY(x, y, 0));
        }
    if (minX > maxX) minX = maxX = minY = maxY = 0;
    const float originX = minX - kMargin, originY = minY - kMargin;

    LevelPicture picture;
    picture.width = static_cast<int>(maxX - minX) + 2 * kMargin;
    picture.height = static_cast<int>(maxY - minY) + 2 * kMargin;
    picture.rgba.assign(static_cast<size_t>(picture.width) * picture.height * 4, 0);
    for (size_t i = 0; i < picture.rgba.size(); i += 4) {
        picture.rgba[i + 0] = 0;
        picture.rgba[i + 1] = 0;
        picture.rgba[i + 2] = 80;
        picture.rgba[i + 3] = 255;
    }

    for (int layer = 0; layer <= 1; ++layer)
        for (int y = 0; y <= size; ++y)
            for (int x = size; x >= 0; --x) {
                const LevelCell& cell = at(x, y);
                const int t = layer == 0 ? cell.floor : cell.object;
                int frame = t - 1;
                if (layer == 1 && tile::IsColour(t)) frame = t + slots::kFrameGemOffset;
                if (t == tile::kExit) frame = slots::kFrameExit;
                const float sx = WorldX(x, y) - originX, sy = WorldY(x, y, layer) - originY;
                if (t > 0) Blit(picture, pieces, frame, sx, sy, 1);
                if (x == cubeX && y == cubeY)
                    Blit(picture, cube, 0, sx, WorldY(x, y, 1) - originY - 2, 1);
            }
    return picture;
}

bool SavePng(const LevelPicture& picture, const std::string& path) {
    return stbi_write_png(path.c_str(), picture.width, picture.height, 4, picture.rgba.data(),
                          picture.width * 4) != 0;
}
