// The numbers inside the game's state, each named once: what the elements of the cube
// table hold, how the level grid is laid out, the codes in its cells, the screen modes,
// the game's buttons, the sound and image slots, and the isometric projection. The game,
// its tools, benchmarks and tests all read the state through these names. Nothing here
// depends on the rest of the game, so the asset tools can include it on their own.
#pragma once

// m_Cube, 512 floats: the cube in play, the level seed, and the menu's key auto-repeat.
namespace cube {
constexpr int kCol = 1;  // grid cell under the cube
constexpr int kRow = 2;
constexpr int kRollX = 3;  // offset of a roll in progress, -1..1 cells
constexpr int kRollY = 4;
constexpr int kDir = 11;      // a Direction
constexpr int kStep = 12;     // step of the roll, 0..16
constexpr int kColour = 13;   // colour index 0..2; the colour is index + 1
constexpr int kColours = 14;  // number of colours, rewritten every update
// Elements 21 and 22 also hold the menu's key auto-repeat (timer, delay). Element 22
// is the cube's height in play as well: a game start sets it to 1, and the menu sets
// both afresh whenever neither up nor down is held.
constexpr int kRepeatTimer = 21;
constexpr int kRepeatDelay = 22;
constexpr int kHeight = 22;    // in layers
constexpr int kWanted = 30;    // kWanted + c: gems of colour c (1..3) still to collect
constexpr int kDrop = 42;      // negative while dropping in, positive while falling
constexpr int kRise = 43;      // grows while the cube leaves through the exit
constexpr int kDone = 44;      // 1 once the level is finished
constexpr int kDelay = 45;     // updates before a held direction rolls again
constexpr int kStuck = 47;     // resting updates with every way blocked
constexpr int kSlow = 67;      // 1 while slow motion runs
constexpr int kSeed = 95;      // the run's level seed accumulator
constexpr int kProgress = 96;  // levels passed, weighted by size

// A game start clears the elements below this.
constexpr int kResetElements = 500;
enum Direction : int { kResting = -1, kRollDown = 0, kRollUp = 1, kRollRight = 2, kRollLeft = 3 };
}  // namespace cube

// m_Grid: one float array of cells, kStride cells to a stored row whatever the level
// size. A cell is two layers of 10 floats, the floor's then the object's; each layer
// starts with its code and its drawing offset in x and y. The floor layer's last float
// counts down the cube's trail.
namespace grid {
constexpr int kFloats = 5000000;
constexpr int kStride = 160;
constexpr int kCellFloats = 20;
constexpr int kRows = kFloats / (kStride * kCellFloats);
// Every level is this many cells across and down.
constexpr int kLevelSize = 128;
constexpr int kLayerFloats = 10;
constexpr int kFloor = 0;
constexpr int kObject = 10;
constexpr int kOffsetX = 1;  // within a layer
constexpr int kOffsetY = 2;
constexpr int kTrail = 9;  // within the cell

constexpr int CellIndex(int x, int y) {
    return (y * kStride + x) * kCellFloats;
}
// The cell at (x, y), or null outside the stored grid.
inline float* CellAt(float* grid, int x, int y) {
    if (x < 0 || x >= kStride || y < 0 || y >= kRows) return nullptr;
    return grid + CellIndex(x, y);
}
inline float* Layer(float* cell, int layer) {
    return cell + layer * kLayerFloats;
}
}  // namespace grid

// Codes in the grid's layers. A colour c (1..3) is a trap tile on the floor and a gem
// as an object; 0 is nothing (no floor: the cube falls).
namespace tile {
constexpr int kNone = 0;
constexpr int kRed = 1, kGreen = 2, kBlue = 3;
constexpr int kPlainA = 5, kPlainB = 6;  // plain floor, two looks
constexpr int kStoneA = 7, kStoneB = 8;  // objects
constexpr int kExit = 10;                // floor
// The generator asks for gem c as kGemRequest + c.
constexpr int kGemRequest = 15;
constexpr bool IsColour(int code) {
    return code >= kRed && code <= kBlue;
}
}  // namespace tile

// m_Mode: which screen the dispatcher runs.
namespace mode {
constexpr int kMenu = 1;
constexpr int kToMenu = 2;  // back from a game: reload the menu, then run it
constexpr int kQuitAsk = 4;
constexpr int kStartScreen = 5;
constexpr int kPlay = 10;
constexpr int kStarting = 11;
}  // namespace mode

// The game's buttons as p_PlayKey reads them. Indices 0..19 are also m_VButton's.
namespace button {
constexpr int kUp = 0, kLeft = 3, kRight = 5, kDown = 8;
constexpr int kAction = 10;  // action buttons 10..17; 10..15 answer to keys and pad buttons 0..5
constexpr int kSlowMotion = 13;
constexpr int kLastAction = 17;
constexpr int kLastPress = 18;  // m_VButton entries up to here last one update
constexpr int kBackVirtual = 19;
constexpr int kConsoleBack = 98;
constexpr int kBack = 99;  // the menu/back key
// The n-th action button (n = 0..5), the one pad button n presses.
constexpr int Action(int n) {
    return kAction + n;
}
}  // namespace button

// Sound effect slots (p_PlaySFX) and image slots (p_DrawImg).
namespace slots {
constexpr int kSfxLevel = 1;  // a new level is made
constexpr int kSfxLand = 2;
constexpr int kSfxExit = 3;
constexpr int kSfxFall = 4;
constexpr int kSfxRoll = 5;
constexpr int kSfxGem = 6;
constexpr int kSfxMenu = 96;
constexpr int kSfxConfirm = 98;
constexpr int kSfxBlip = 99;

constexpr int kImgCube = 1;  // slots 1..4: the cube in each colour, then a fourth set
constexpr int kImgLevel = 9;
constexpr int kImgBadges = 80;
constexpr int kImgCircle = 85;
constexpr int kImgLight = 86;
constexpr int kFontShadow = 90;  // the bitmap font
constexpr int kImgMakerLogo = 93;
constexpr int kImgDpad = 94;
constexpr int kImgButtons = 95;
constexpr int kImgParts = 96;  // star and particle shapes, 256 frames
constexpr int kImgIcons = 97;
constexpr int kImgTitle = 98;
constexpr int kImgMenu = 99;

// Frames of kImgLevel besides the tile codes' own (code − 1).
constexpr int kFrameTrail = 8;
constexpr int kFrameExit = 9;        // and 10 while it flashes
constexpr int kFrameGemOffset = 11;  // gem c is frame c + 11
}  // namespace slots

// The isometric view: a cell's layer l at column c and row r sits in the world at
// x = 32c + 8r, y = 22r − 5.5c − 18l (before the layer's drawing offsets).
namespace iso {
constexpr float kColX = 32.0f, kRowX = 8.0f;
constexpr float kColY = 5.5f, kRowY = 22.0f, kLayerY = 18.0f;
constexpr float WorldX(float col, float row) {
    return row * kRowX + col * kColX;
}
constexpr float WorldY(float col, float row, float layer) {
    return row * kRowY - col * kColY - layer * kLayerY;
}
}  // namespace iso
