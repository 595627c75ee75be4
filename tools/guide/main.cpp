// tessory_guide: the README's picture of the rules. Plays the real game to a planned
// moment (tools/guide/scene.h), reads the frame back and labels what it shows.
// Usage:
//   tessory_guide --out FILE.png [--size WxH]
//                 [--start-ms MS --level 1|2|3 --rolls UDLR... --step N]
// The plan options replace the built-in plan, to try another when the level generator
// changes. Needs a display (scripts/guide-picture runs it under Xvfb).
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "tools/guide/annotate.h"
#include "tools/guide/scene.h"
#include "tools/guide/scripted_game.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: tessory_guide --out FILE.png [--size WxH]\n"
                 "                     [--start-ms MS --level 1|2|3 --rolls UDLR... --step N]\n");
    return 2;
}

int Fail(const std::string& why) {
    std::fprintf(stderr, "tessory_guide: %s\n", why.c_str());
    return 1;
}

// A private working folder: the game reads and writes its state file in the current one.
struct WorkFolder {
    std::filesystem::path path, previous;
    WorkFolder() {
        previous = std::filesystem::current_path();
        std::string name =
            (std::filesystem::temp_directory_path() / "tessory_guide_XXXXXX").string();
        if (mkdtemp(name.data()) != nullptr) path = name, std::filesystem::current_path(path);
    }
    ~WorkFolder() {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

// 1 for each pixel that differs from the sky, the play screen's backdrop colour: the level
// (and the odd star).
std::vector<uint8_t> Busy(const std::vector<uint32_t>& argb, const c_MyApp& app) {
    const int sky[3] = {static_cast<int>(app.m_BGR), static_cast<int>(app.m_BGG),
                        static_cast<int>(app.m_BGB)};
    std::vector<uint8_t> busy;
    busy.reserve(argb.size());
    for (uint32_t p : argb) {
        int distance = 0;
        for (int c = 0; c < 3; ++c)
            distance += std::abs(static_cast<int>(p >> (16 - 8 * c) & 0xff) - sky[c]);
        busy.push_back(distance > 60);
    }
    return busy;
}

// The frame with its labels, as a PNG file.
bool WriteLabelled(const std::vector<uint32_t>& argb, const Backdrop& backdrop,
                   const std::vector<Subject>& subjects, const std::string& path,
                   std::string* why) {
    std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, backdrop.width, backdrop.height),
        cairo_surface_destroy);
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    cairo_surface_flush(surface.get());
    for (int y = 0; y < backdrop.height; ++y)
        std::memcpy(data + y * stride, &argb[static_cast<size_t>(y) * backdrop.width],
                    backdrop.width * 4);
    cairo_surface_mark_dirty(surface.get());
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()),
                                                          cairo_destroy);
    if (!Annotate(cr.get(), backdrop, subjects, TESSORY_DEJAVU_DIR)) {
        *why = "no room for every label";
        return false;
    }
    if (cairo_surface_write_to_png(surface.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        *why = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    // 16:10 widens the virtual screen, leaving sky at the sides for the labels.
    int width = 960, height = 600;
    Plan plan = kGuidePlan;
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* flag = argv[i];
        const char* value = argv[i + 1];
        if (std::strcmp(flag, "--out") == 0) {
            out = std::filesystem::absolute(value).string();
        } else if (std::strcmp(flag, "--size") == 0) {
            if (std::sscanf(value, "%dx%d", &width, &height) != 2 || width < 320 || height < 240)
                return Usage();
        } else if (std::strcmp(flag, "--start-ms") == 0) {
            plan.startMs = std::atoi(value);
        } else if (std::strcmp(flag, "--level") == 0) {
            plan.levelSize = std::atoi(value);
        } else if (std::strcmp(flag, "--rolls") == 0) {
            plan.rolls = value;
        } else if (std::strcmp(flag, "--step") == 0) {
            plan.rollStep = std::atoi(value);
        } else {
            return Usage();
        }
    }
    if (argc % 2 != 1 || out.empty() || plan.levelSize < 1 || plan.levelSize > 3 ||
        plan.rolls.empty() || plan.rollStep < 1 || plan.rollStep > 15)
        return Usage();

    WorkFolder folder;
    ScriptedGame game(width, height, TESSORY_DATA_DIR);
    if (!game.Ready()) return Fail(game.Why());
    std::string why;
    const bool played = PlayTo(game, plan, &why);
    std::printf("level: seed accumulator %.0f, size %d\n", game.App().m_Cube[cube::kSeed],
                game.App().m_LevelSize);
    if (!played) return Fail(why);

    std::vector<Subject> subjects;
    Backdrop backdrop;
    backdrop.width = width, backdrop.height = height;
    if (!FindSubjects(game.App(), width, height, &subjects, &backdrop.keepClear, &why))
        return Fail(why);
    const std::vector<uint32_t> argb = game.ReadBack();
    backdrop.busy = Busy(argb, game.App());
    if (!WriteLabelled(argb, backdrop, subjects, out, &why)) return Fail(why);
    std::printf("picture: %s (%d x %d)\n", out.c_str(), width, height);
    return 0;
}
