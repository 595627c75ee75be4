// Takes one of the networking's fatal error paths, chosen by its argument, so the
// tests can check the exact report and exit status from outside.
#include <cstring>

#include "net/async_event.h"
#include "net/async_socket.h"
#include "net/data_buffer.h"
#include "runtime/errors.h"

namespace {

// An operation the worker runs in no time and that nobody delivers.
struct NoOp : c_AsyncOp {
    int p_Complete(c_Socket*) override { return 0; }
    int p_Execute__UNSAFE__(c_Socket*) override { return 0; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* path = argv[1];
    gc_init1();
    if (!std::strcmp(path, "encoding")) {
        c_DataBuffer* buffer = (new c_DataBuffer)->m_new(8);
        buffer->p_PokeString(0, String("x"), String("utf8"));
        buffer->p_PeekString(0, 1, String("latin1"));
    }
    if (!std::strcmp(path, "allocate")) {
        c_DataBuffer* buffer = (new c_DataBuffer)->m_new(8);
        buffer->m_new(8);
    }
    if (!std::strcmp(path, "overflow")) {
        c_Socket* socket = (new c_Socket)->m_new(String("stream"));
        int accepted = 0;
        for (; accepted < 255; ++accepted) socket->m__rthread->p_Enqueue(new NoOp);
        qoPrint(String("accepted ") + String(accepted));
        socket->m__rthread->p_Enqueue(new NoOp);
        qoPrint(String("accepted the 256th"));
    }
    if (!std::strcmp(path, "protocol")) (new c_Socket)->m_new(String("tcp"));
    if (!std::strcmp(path, "twice")) {
        c_Socket* socket = (new c_Socket)->m_new(String("stream"));
        qoPrint(String("registered once"));
        qo_asyncevent_AddAsyncEventSource(socket);
    }
    return 0;
}
