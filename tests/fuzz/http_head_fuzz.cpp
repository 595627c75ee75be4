// libFuzzer target: the HTTP client's response reading, fed arbitrary bytes as a series
// of received chunks. Input: [length byte][that many bytes] repeated; a 0 length or
// the end of the input is the server closing the connection.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/http_request.h"

namespace {

struct Completion : Object, c_IOnHttpRequestComplete {
    int calls = 0;
    int p_OnHttpRequestComplete(c_HttpRequest*) override {
        ++calls;
        return 0;
    }
};

Object* g_request = nullptr;
GC_ROOT(g_request);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = (gc_init1(), true);
    (void)ready;
    Completion* done = new Completion;
    c_HttpRequest* request = (new c_HttpRequest)->m_new2(String("GET"), String("http://h/"), done);
    gc_assign(g_request, static_cast<Object*>(request));
    request->m__header->p_Clear2();  // as after the request head went out

    int at = 0;
    size_t i = 0;
    while (at >= 0) {
        int n = 0;
        if (i < size) {
            n = data[i++];
            if (static_cast<size_t>(n) > size - i) n = static_cast<int>(size - i);
            if (n > c_HttpRequest::kReceiveBytes - at) n = c_HttpRequest::kReceiveBytes - at;
            std::memcpy(request->m__rbuf->data + at, data + i, static_cast<size_t>(n));
            i += static_cast<size_t>(n);
        }
        int next = request->p_TakeReceived(at, n);
        if (next > c_HttpRequest::kReceiveBytes) std::abort();
        at = next;
    }

    // Exactly one callback; without a complete, valid head: status -1 and no text.
    if (done->calls != 1) std::abort();
    if (!request->m__response &&
        (request->p_Status() != -1 || request->p_ResponseText().Length() != 0))
        std::abort();
    if (request->m__rbytes < 0 || static_cast<size_t>(request->m__rbytes) > size) std::abort();

    gc_assign(g_request, static_cast<Object*>(nullptr));
    gc_collect_all();
    gc_release_garbage();
    return 0;
}
