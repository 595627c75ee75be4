// libFuzzer target: the URL splitter on arbitrary text (one character per input byte).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "net/url.h"

namespace {

bool HasAny(const String& text, const char* chars) {
    for (const char* c = chars; *c; ++c) {
        if (text.Find(String::FromChar(*c)) >= 0) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (gc_init1(), true);
    (void)ready;
    std::vector<Char> chars(data, data + size);
    String text(chars.data(), static_cast<int>(size));

    c_Url* url = (new c_Url)->m_new(text, String("http"), 80);
    // The path always starts with "/", the full path with the path, and the domain
    // holds none of the separators that end it.
    if (url->m__path.Length() == 0 || url->m__path[0] != '/') std::abort();
    if (!url->p_FullPath().StartsWith(url->m__path)) std::abort();
    if (HasAny(url->p_Domain(), ":/?#")) std::abort();
    if (url->m__url != text) std::abort();

    gc_collect_all();
    gc_release_garbage();
    return 0;
}
