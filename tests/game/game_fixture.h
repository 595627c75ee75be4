// A c_MyApp on a scripted host with an input device and the game's globals freshly
// initialised, for the tests of game logic that need no window: draw-list recording,
// text layout, controls, effects.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/my_app.h"
#include "input/input_device.h"
#include "tests/game/game_host.h"
#include "tests/support/work_dir.h"

// The glyphs of the text font (slot 90) among `floats` floats of draw records, in the
// order drawn, as characters; spaces are not drawn.
std::string GlyphsOf(const float* records, int floats);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The host the test runs on; a test may give it one with more to answer.
    virtual std::unique_ptr<GameHost> MakeHost() { return std::make_unique<GameHost>(); }

    // Record i of the draw list (15 floats).
    const float* Record(int i) const { return app->m_DrawList.Data() + i * c_MyApp::kRecordFloats; }
    int Records() const { return app->m_DrawCount / c_MyApp::kRecordFloats; }
    std::string Glyphs() const { return GlyphsOf(app->m_DrawList.Data(), app->m_DrawCount); }

    void KeyDown(int code) { qo_input_device->p_KeyEvent(kEventKeyDown, code); }
    void KeyUp(int code) { qo_input_device->p_KeyEvent(kEventKeyUp, code); }
    void SetStick(int port, float x, float y);
    // A font in slot 90 with 7 x 10 metrics, as the loader leaves it (no image needed to
    // record text).
    void UseFontMetrics(int width = 7, int height = 10);

    std::unique_ptr<ScopedWorkDir> workDir;  // no state file from an earlier test
    std::unique_ptr<GameHost> host;
    c_MyApp* app = nullptr;
};
