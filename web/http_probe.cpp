// A page-sized check of the browser's HTTP transport: one c_HttpRequest GETs a file of
// the page's own server and prints what came back, from the event pump as in the game.
// tests/web/web_play.py opens http_probe.html and reads the console.
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "net/async_event.h"
#include "net/http_request.h"
#include "runtime/errors.h"

namespace {

struct Report : Object, c_IOnHttpRequestComplete {
    int p_OnHttpRequestComplete(c_HttpRequest* request) override {
        std::string text = request->p_ResponseText().ToUtf8();
        std::printf("http probe: status %d, %zu bytes, begins %s\n", request->p_Status(),
                    text.size(), text.substr(0, 12).c_str());
        emscripten_cancel_main_loop();
        return 0;
    }
};

Object* g_request = nullptr;
Object* g_report = nullptr;
GC_ROOT(g_request);
GC_ROOT(g_report);

// JavaScript: the formatter would break its operators.
// clang-format off
EM_JS(char*, PageUrl, (const char* file), {
    return allocateUTF8(location.origin + "/" + UTF8ToString(file));
});
// clang-format on

void Update() {
    qo_asyncevent_UpdateAsyncEvents();
    gc_collect();
}

}  // namespace

int main() {
    gc_init1();
    gc_init2();
    auto* report = new Report;
    gc_assign(g_report, static_cast<Object*>(report));
    char* url = PageUrl("packages.json");
    auto* request = (new c_HttpRequest)->m_new2(String("GET"), String(url), report);
    std::free(url);
    gc_assign(g_request, static_cast<Object*>(request));
    request->p_Send();
    emscripten_set_main_loop(Update, 0, true);
}
