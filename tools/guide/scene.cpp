#include "tools/guide/scene.h"

#include <cmath>
#include <cstdlib>

#include "game/my_app.h"
#include "game/vocabulary.h"
#include "input/key_codes.h"
#include "tools/guide/scripted_game.h"

// Found by searching start times and roll paths over the level generator (tools/levelview
// draws such a level from its seed accumulator): the first Medium level of a game started
// at 100616 ms, where eight rolls bring the cube between the exit and a field of trap
// tiles, turning blue beside a blue gem, with a red gem in its way.
const Plan kGuidePlan = {100616, 2, "UUUURURU", 10};

namespace {

// Cube elements and cell layers, as the play screen keeps them.
using namespace cube;
using grid::kFloor;
using grid::kObject;
using grid::kTrail;
constexpr int kLevelImage = slots::kImgLevel;
constexpr int kTrailFrame = slots::kFrameTrail;
constexpr int kExitFrame = slots::kFrameExit;

// The dispatcher's modes: the menu, starting a game, playing.
constexpr int kModeMenu = mode::kMenu, kModeStarting = mode::kStarting, kModePlay = mode::kPlay;

// Updates the loader and the menu's slide-in take before the menu answers keys, and
// that the wheel takes to turn one step.
constexpr int kMenuReady = 25;
constexpr int kWheelTurn = 8;
// Upper bounds on waits that normally take far fewer updates.
constexpr int kLoadLimit = 10;
constexpr int kLandingLimit = 300;
constexpr int kRollLimit = 40;
constexpr int kPiecesLimit = 300;

struct Move {
    int key, dx, dy;
};

bool MoveOf(char roll, Move* move) {
    switch (roll) {
        case 'U':
            *move = {keys::kUp, 0, -1};
            return true;
        case 'D':
            *move = {keys::kDown, 0, 1};
            return true;
        case 'L':
            *move = {keys::kLeft, -1, 0};
            return true;
        case 'R':
            *move = {keys::kRight, 1, 0};
            return true;
        default:
            return false;
    }
}

bool Fail(std::string* why, const std::string& text) {
    *why = text;
    return false;
}

std::string Where(int x, int y) {
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

bool PiecesFlying(const c_MyApp& app) {
    for (int i = 0; i < app.m_Objs.Length(); i += 10) {
        if (app.m_Objs[i] > 0) return true;
    }
    return false;
}

struct CellRef {
    int x = 0, y = 0;
    bool operator==(const CellRef& o) const { return x == o.x && y == o.y; }
};

// The cell the cube rests on, or the one its roll ends on (an upward roll has moved the
// row already), and the one a roll left.
CellRef Destination(const float* cube) {
    CellRef cell{static_cast<int>(cube[kCol]), static_cast<int>(cube[kRow])};
    switch (static_cast<int>(cube[kDir])) {
        case kRollDown:
            ++cell.y;
            break;
        case kRollRight:
            ++cell.x;
            break;
        case kRollLeft:
            --cell.x;
            break;
        default:
            break;
    }
    return cell;
}
CellRef Departure(const float* cube) {
    CellRef cell{static_cast<int>(cube[kCol]), static_cast<int>(cube[kRow])};
    if (cube[kDir] == kRollUp) ++cell.y;
    return cell;
}

}  // namespace

bool PlayTo(ScriptedGame& game, const Plan& plan, std::string* why) {
    c_MyApp& app = game.App();
    float* cube = app.m_Cube.Data();
    game.RunUpdates(kMenuReady);
    if (app.m_Mode != kModeMenu) return Fail(why, "the menu did not come up");
    for (int turn = 1; turn < plan.levelSize; ++turn) {
        game.Tap(keys::kDown);
        game.RunUpdates(kWheelTurn);
    }
    if (app.m_WheelSel != plan.levelSize - 1)
        return Fail(why, "the wheel did not turn to the level size");
    // Space asks for a game; the update after it starts one, reading the clock once to
    // seed the level, so that update runs at the planned time.
    game.KeyDown(keys::kSpace);
    const bool asked = game.RunUntil([&] { return app.m_Mode == kModeStarting; }, kLoadLimit);
    if (!asked) return Fail(why, "the menu did not start a game");
    if (!game.NextUpdateAt((plan.startMs + 0.5) / 1000.0))
        return Fail(why, "the game is past " + std::to_string(plan.startMs) + " ms already");
    game.RunUpdates(1);
    game.KeyUp(keys::kSpace);
    if (app.m_Mode != kModePlay) return Fail(why, "no game started");
    if (!game.RunUntil([&] { return cube[kDrop] == 0; }, kLandingLimit))
        return Fail(why, "the cube did not land");

    CellRef planned = Destination(cube);
    for (size_t i = 0; i < plan.rolls.size(); ++i) {
        Move move;
        if (!MoveOf(plan.rolls[i], &move))
            return Fail(why, std::string("no such roll: ") + plan.rolls[i]);
        planned.x += move.dx;
        planned.y += move.dy;
        // Before the last roll the pieces of collected gems fly off, so that none floats
        // past the cube in the picture.
        if (i + 1 == plan.rolls.size() &&
            !game.RunUntil([&] { return !PiecesFlying(app); }, kPiecesLimit))
            return Fail(why, "collected gems are still flying");
        game.Tap(move.key);
        if (i + 1 < plan.rolls.size()) {
            game.RunUntil([&] { return cube[kDir] == kResting; }, kRollLimit);
        } else if (!game.RunUntil([&] { return cube[kStep] >= static_cast<float>(plan.rollStep); },
                                  kRollLimit)) {
            return Fail(why, "the last roll did not start");
        }
        if (!(Destination(cube) == planned)) {
            return Fail(why, "roll " + std::to_string(i + 1) + " did not go to " +
                                 Where(planned.x, planned.y));
        }
        if (cube[kDrop] != 0 || app.m_GameOver != 0)
            return Fail(why, "the cube fell at " + Where(planned.x, planned.y));
    }
    return true;
}

namespace {

struct Point {
    float x, y;
};

// Colour 1..3 as a word.
std::string ColourName(int colour, bool capital) {
    static const char* const kNames[] = {"red", "green", "blue"};
    std::string name = kNames[(colour + 2) % 3];
    if (capital) name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

// Rough sizes of the pictures on the virtual screen, for keeping labels off them.
constexpr float kCubeRadius = 26, kGemRadius = 9, kTrailRadius = 10, kTileRadius = 14;
constexpr float kExitRadius = 30, kBarRadius = 3;

// The level at the moment of the picture, seen through the play screen's projection.
class Scene {
public:
    Scene(c_MyApp& app, int width, int height) : app_(app), width_(width), height_(height) {
        cube_ = app.m_Cube.Data();
        const int col = static_cast<int>(cube_[kCol]), row = static_cast<int>(cube_[kRow]);
        // The window of cells the play screen draws around the cube.
        x0_ = col - 12, x1_ = col + 12, y0_ = row - 13, y1_ = row + 12;
    }

    const float* cube() const { return cube_; }

    float* Cell(CellRef c) const {
        if (c.x < 0 || c.x >= grid::kStride || c.y < 0 ||
            c.y >= app_.m_Grid.Length() / (grid::kStride * grid::kCellFloats))
            return nullptr;
        return app_.m_Grid.Data() + grid::CellIndex(c.x, c.y);
    }

    // Where the play screen draws a layer (0 floor, 1 object) of a cell, virtual units.
    Point Virtual(CellRef c, int layer) const {
        const float* part = Cell(c) + layer * grid::kLayerFloats;
        const auto x = static_cast<float>(c.x), y = static_cast<float>(c.y);
        return {iso::WorldX(x, y) + part[grid::kOffsetX] - app_.m_CamX,
                iso::WorldY(x, y, static_cast<float>(layer)) + part[grid::kOffsetY] - app_.m_CamY};
    }
    Point CubeVirtual() const {
        const float r = cube_[kRow] + cube_[kRollY], c = cube_[kCol] + cube_[kRollX];
        return {iso::WorldX(c, r) - app_.m_CamX,
                iso::WorldY(c, r, cube_[kHeight]) - cube_[kRise] - app_.m_CamY + cube_[kDrop] - 2};
    }

    // The render's mapping of the virtual screen onto the window.
    Point Device(Point v) const {
        const float o = qo_Game_overscan;
        return {v.x * app_.m_ScaleX + o,
                v.y * app_.m_ScaleY + o * static_cast<float>(height_) / static_cast<float>(width_)};
    }
    bool OnPicture(Point v, float radius) const {
        const Point d = Device(v);
        const float r = radius * app_.m_ScaleX;
        return d.x > r && d.x < static_cast<float>(width_) - r && d.y > r &&
               d.y < static_cast<float>(height_) - r;
    }

    // Whether the draw list holds an image of `slot` and `frame` at `v`, or a rectangle
    // (kind kDrawRect, frame 0) with its corner at `v`.
    bool Drawn(float kind, int frame, Point v) const {
        const float* list = app_.m_DrawList.Data();
        for (int i = 0; i + c_MyApp::kRecordFloats <= app_.m_DrawCount;
             i += c_MyApp::kRecordFloats) {
            const float* r = list + i;
            if (r[0] == kind && r[6] == static_cast<float>(frame) && std::fabs(r[1] - v.x) < 0.5f &&
                std::fabs(r[2] - v.y) < 0.5f)
                return true;
        }
        return false;
    }

    // Every cell of the window the play screen draws.
    template <class Visit>
    void EachCell(Visit visit) const {
        for (int y = y0_; y <= y1_; ++y)
            for (int x = x0_; x <= x1_; ++x) {
                if (const float* cell = Cell({x, y})) visit(CellRef{x, y}, cell);
            }
    }

    // The cell nearest the cube on the screen that `accept` takes.
    template <class Accept>
    bool Nearest(Accept accept, CellRef* best) const {
        const Point at = CubeVirtual();
        float bestDistance = -1;
        EachCell([&](CellRef c, const float* cell) {
            if (!accept(c, cell)) return;
            const Point p = Virtual(c, 0);
            const float d = std::hypot(p.x - at.x, p.y - at.y);
            if (bestDistance < 0 || d < bestDistance) *best = c, bestDistance = d;
        });
        return bestDistance >= 0;
    }

    Subject Make(Point v, float radius, int colour, std::string title, std::string detail) const {
        const Point d = Device(v);
        return {std::move(title), std::move(detail), d.x, d.y, radius * app_.m_ScaleX, colour};
    }

private:
    c_MyApp& app_;
    int width_, height_;
    float* cube_;
    int x0_, x1_, y0_, y1_;
};

bool Adjacent(CellRef a, CellRef b) {
    return std::abs(a.x - b.x) + std::abs(a.y - b.y) == 1;
}

}  // namespace

bool FindSubjects(c_MyApp& app, int width, int height, std::vector<Subject>* subjects,
                  std::vector<Box>* display, std::string* why) {
    Scene scene(app, width, height);
    const float* cube = scene.cube();
    if (cube[kDir] < 0) return Fail(why, "the cube is not rolling");
    const CellRef from = Departure(cube), to = Destination(cube);
    const int now = static_cast<int>(cube[kColour]) % 3 + 1;
    const int next = now % 3 + 1;
    subjects->clear();

    // Each subject: that the screen drew it (`kind`, `frame` at `drawn`), and that the
    // point its arrow aims at is on the picture.
    auto add = [&](const char* what, float kind, int frame, Point drawn, Point aim, float radius,
                   int colour, std::string title, std::string detail) {
        if (!scene.Drawn(kind, frame, drawn))
            return Fail(why, std::string("the ") + what + " is not drawn where expected");
        if (!scene.OnPicture(aim, radius))
            return Fail(why, std::string("the ") + what + " is off the picture");
        subjects->push_back(scene.Make(aim, radius, colour, std::move(title), std::move(detail)));
        return true;
    };
    auto addDrawn = [&](const char* what, float kind, int frame, Point at, float radius, int colour,
                        std::string title, std::string detail) {
        return add(what, kind, frame, at, at, radius, colour, std::move(title), std::move(detail));
    };
    auto gemColour = [](const float* cell) {
        const int code = static_cast<int>(cell[kObject]);
        return code >= 1 && code <= 3 ? code : 0;
    };
    CellRef c;

    const int cubeFrame = 16 * static_cast<int>(cube[kDir]) + static_cast<int>(cube[kStep]);
    if (!addDrawn("cube", static_cast<float>(now), cubeFrame, scene.CubeVirtual(), kCubeRadius, 0,
                  "The cube, " + ColourName(now, false) + " turning " + ColourName(next, false),
                  "every roll gives it the next colour"))
        return false;

    auto besideCollect = [&](CellRef at, const float* cell) {
        return Adjacent(at, to) && !(at == from) && gemColour(cell) == next;
    };
    if (!scene.Nearest(besideCollect, &c))
        return Fail(why, "no " + ColourName(next, false) + " gem beside " + Where(to.x, to.y));
    if (!addDrawn("gem to collect", kLevelImage, next + slots::kFrameGemOffset, scene.Virtual(c, 1),
                  kGemRadius, next, ColourName(next, true) + " gem",
                  "a " + ColourName(next, false) + " cube that stops beside it collects it"))
        return false;

    // Of the gems in the way, rather one that no stone or gem in the next row hides.
    auto besideBlock = [&](CellRef at, const float* cell) {
        return (Adjacent(at, to) || Adjacent(at, from)) && gemColour(cell) != 0 &&
               gemColour(cell) != next;
    };
    auto inView = [&](CellRef at, const float* cell) {
        const float* front = scene.Cell({at.x, at.y + 1});
        return besideBlock(at, cell) && (front == nullptr || front[kObject] == 0);
    };
    if (!scene.Nearest(inView, &c) && !scene.Nearest(besideBlock, &c))
        return Fail(why, "no gem of another colour beside the cube");
    const int blocker = gemColour(scene.Cell(c));
    if (!addDrawn("blocking gem", kLevelImage, blocker + slots::kFrameGemOffset,
                  scene.Virtual(c, 1), kGemRadius, blocker, ColourName(blocker, true) + " gem",
                  "in the way; only a " + ColourName(blocker, false) + " cube collects it"))
        return false;

    // The freshest trail mark clear of the rolling cube.
    float freshest = 0;
    scene.EachCell([&](CellRef at, const float* cell) {
        if (!(at == from) && !(at == to) && cell[kTrail] > freshest)
            freshest = cell[kTrail], c = at;
    });
    if (freshest == 0) return Fail(why, "no trail behind the cube");
    if (!addDrawn("trail", kLevelImage, kTrailFrame, scene.Virtual(c, 1), kTrailRadius, 0,
                  "Fresh trail", "blocks the cube for 15 rolls"))
        return false;

    auto trap = [](CellRef, const float* cell) {
        return cell[kFloor] >= tile::kRed && cell[kFloor] <= tile::kBlue && cell[kObject] == 0;
    };
    if (!scene.Nearest(trap, &c)) return Fail(why, "no trap tile near the cube");
    const int trapColour = static_cast<int>(scene.Cell(c)[kFloor]);
    if (!addDrawn("trap tile", kLevelImage, trapColour - 1, scene.Virtual(c, 0), kTileRadius,
                  trapColour, ColourName(trapColour, true) + " trap tile",
                  "crumbles under a " + ColourName(trapColour, false) + " cube, which falls"))
        return false;

    // The exit's four cells, blinking or not; the arrow points at their middle.
    Point middle{0, 0};
    int exitCells = 0;
    scene.EachCell([&](CellRef at, const float* cell) {
        if (cell[kFloor] != tile::kExit) return;
        const Point p = scene.Virtual(at, 0);
        middle.x += p.x, middle.y += p.y, c = at, ++exitCells;
    });
    if (exitCells == 0) return Fail(why, "no exit near the cube");
    middle = {middle.x / static_cast<float>(exitCells), middle.y / static_cast<float>(exitCells)};
    const int frame =
        scene.Drawn(kLevelImage, kExitFrame, scene.Virtual(c, 0)) ? kExitFrame : kExitFrame + 1;
    if (!add("exit", kLevelImage, frame, scene.Virtual(c, 0), middle, kExitRadius, 0, "Exit",
             "opens when all three counts are 0"))
        return false;

    // The counters' white bar hangs from the top edge; the arrow points at its foot. The
    // score is eight digits at twice the font's size, centred at three quarters across.
    const float w = qo_Game_jscrw;
    auto box = [&](Point corner, Point size) {
        const Point a = scene.Device(corner),
                    b = scene.Device({corner.x + size.x, corner.y + size.y});
        display->push_back({a.x, a.y, b.x - a.x, b.y - a.y});
    };
    display->clear();
    box({w / 2 - 96, 0}, {192, 44});
    box({0.75f * w - 64, 14}, {128, 28});
    return add("counters", kDrawRect, 0, {w / 2 - 96, 0}, {w / 2, 44}, kBarRadius, 0,
               "Gems still wanted", "of each colour, to open the exit");
}
