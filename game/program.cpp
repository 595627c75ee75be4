// The program: every module's globals to their initial values, then the one application.
#include "game/my_app.h"

void qoInit() {
    qo_runtime_Init();
    qo_Game_Init();
}

void qoMain() {
    c_MyApp::RequireFontAndLevelArt();
    (new c_MyApp)->m_new();
}
