#include "tests/game/game_fixture.h"

#include "graphics/graphics.h"

void GameTest::SetUp() {
    workDir = std::make_unique<ScopedWorkDir>();
    host = MakeHost();
    qo_runtime_Init();
    qo_Game_Init();
    qo_input_SetInputDevice(qo_input_NewDevice());
    app = (new c_MyApp)->m_new();
}

void GameTest::TearDown() {
    gc_assign(qo_app__app, static_cast<c_App*>(nullptr));
    qo_input_SetInputDevice(nullptr);
    // Each application holds a 20 MB grid: free it now. A whole collection does not
    // clear the collector's count of new bytes, which only a paced cycle end resets,
    // so a long run of tests would overflow it.
    gc_collect_all();
    gc_release_garbage();
    gc_new_bytes = 0;
    host.reset();
    workDir.reset();
}

std::string GlyphsOf(const float* records, int floats) {
    std::string text;
    for (const float* r = records; r + c_MyApp::kRecordFloats <= records + floats;
         r += c_MyApp::kRecordFloats) {
        if (r[0] == 90) text += static_cast<char>(static_cast<int>(r[6]) + 32);
    }
    return text;
}

void GameTest::SetStick(int port, float x, float y) {
    c_JoyState* joy = qo_input_device->m__joyStates[port];
    joy->m_joyx[0] = x;
    joy->m_joyy[0] = y;
}

void GameTest::UseFontMetrics(int width, int height) {
    app->m_Font = 90;
    app->m_ImgSize[270] = width;
    app->m_ImgSize[271] = height;
    app->m_ImgSize[272] = 128;
}
