// The browser's side of the platform layer. The page lays the program out in its
// in-memory file system as on the desktop: the data under /tessory/data beside a
// notional /tessory/tessory, the working folder on the page's IndexedDB (IDBFS), which
// only holds what has been written back to it.
#include <emscripten.h>

#include "runtime/platform.h"

namespace {

EM_JS(void, WebOpenUrl, (const char* url), {
    window.open(UTF8ToString(url), "_blank", "noopener");
});

// The page writes its file system back to IndexedDB, one write-back at a time.
EM_JS(void, WebFileSaved, (), {
    if (Module["tessoryFileSaved"]) Module["tessoryFileSaved"]();
});

}  // namespace

String qoExecutablePath() { return String("/tessory/tessory"); }

bool qoOpenUrlExternally(const String& url) {
    std::string text = url.ToUtf8();
    if (text.find('\0') != std::string::npos) return false;
    WebOpenUrl(text.c_str());
    return true;
}

void qoFileSaved(const std::string&) { WebFileSaved(); }
