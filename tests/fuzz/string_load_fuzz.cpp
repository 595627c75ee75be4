// libFuzzer target: text files of any bytes through String::Load's decoder, and the
// state-file encoding round trip for whatever text comes out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "runtime/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (size == 0) f = std::tmpfile();
    if (!f) return 0;
    String text = String::Load(f);
    std::fclose(f);
    // Every decoded text must survive the state file's UTF-8 container unchanged, except
    // one that starts with U+FEFF: its encoding reads back as a byte-order mark.
    bool leadingMark = text.Length() > 0 && text[0] == 0xFEFF;
    if (!leadingMark && !(String::FromUtf8(text.ToUtf8()) == text)) std::abort();
    // Character counts are bounded by the byte count.
    if (static_cast<size_t>(text.Length()) > size) std::abort();
    return 0;
}
