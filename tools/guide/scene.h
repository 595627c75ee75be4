// The moment the picture shows: how the game is played to reach it, and where each thing
// the picture explains stands on the window at that moment.
#pragma once

#include <string>
#include <vector>

class ScriptedGame;
class c_MyApp;

struct Plan {
    int startMs;        // the clock when the game starts, in milliseconds: it seeds the level
    int levelSize;      // 1 Small, 2 Medium, 3 Large, turned to on the menu's wheel
    std::string rolls;  // U D L R, an arrow key per roll; the last roll is caught on its way
    int rollStep;       // 1..15: how far into the last roll the picture is taken
};

// The README's moment: a level whose exit, trap tiles and gems all lie near the cube.
extern const Plan kGuidePlan;

// From the start of the program through the menu into a game and along the rolls.
// False, with the reason, when the game does not go as planned (a changed level
// generator makes another level of the same seed).
bool PlayTo(ScriptedGame& game, const Plan& plan, std::string* why);

struct Subject {
    std::string title;   // first line of its label
    std::string detail;  // second line
    double x, y;         // device pixels: where its arrow points
    double radius;       // device pixels around (x, y) that labels and arrows keep clear of
    int colour;          // 1..3, the play colour it is about; 0 for none
};

// A rectangle in device pixels.
struct Box {
    double x, y, w, h;
};

// The cube, a gem it collects where this roll ends, a gem of another colour in its way,
// its trail, a trap tile, the counters and the exit, from the game's state and through
// the play screen's projection, each checked against the draw list the screen made.
// `display` gets the head-up display's boxes (the counters and the score), which labels
// must not cover. False, with the reason, when a subject is missing or off the picture.
bool FindSubjects(c_MyApp& app, int width, int height, std::vector<Subject>* subjects,
                  std::vector<Box>* display, std::string* why);
