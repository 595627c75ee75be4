// A tiny application on the real host: it asks for 60 updates per second, counts its
// updates and renders for one real second after the first update, prints the counts
// and ends. With --until-closed it runs until its window is closed instead.
#include <cstdlib>

#include "runtime/errors.h"
#include "runtime/host/app.h"
#include "runtime/host/glfw_game.h"

namespace {

bool g_untilClosed = false;

class SmokeApp : public c_App {
public:
    int m_updates = 0;
    int m_renders = 0;
    int m_start = -1;

    SmokeApp* m_new() {
        c_App::m_new();
        return this;
    }
    int p_OnCreate() override {
        qo_app_SetUpdateRate(60);
        return 0;
    }
    int p_OnUpdate() override {
        int now = qo_app_Millisecs();
        if (m_start < 0) m_start = now;
        if (now - m_start >= 1000 && !g_untilClosed) {
            qoPrint(String("updates ") + String(m_updates) + String(" renders ") +
                    String(m_renders));
            qo_app_EndApp();
        }
        ++m_updates;
        return 0;
    }
    int p_OnRender() override {
        if (m_start >= 0) ++m_renders;
        return 0;
    }
};

}  // namespace

void qoInit() {
    qo_runtime_Init();
    g_untilClosed = std::getenv("SMOKE_UNTIL_CLOSED") != nullptr;
}

void qoMain() {
    (new SmokeApp)->m_new();
}
