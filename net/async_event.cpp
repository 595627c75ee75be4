#include "net/async_event.h"

#include "runtime/errors.h"

c_Stack3* qo_asyncevent__sources = nullptr;
c_IAsyncEventSource* qo_asyncevent__current = nullptr;

GC_ROOT(qo_asyncevent__sources);
GC_ROOT(qo_asyncevent__current);

void qo_asyncevent_Init() {
    gc_assign(qo_asyncevent__sources, (new c_Stack3)->m_new());
    gc_assign(qo_asyncevent__current, static_cast<c_IAsyncEventSource*>(nullptr));
}

int qo_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source) {
    // Programs that use sockets without the runtime's initialiser (tools, tests).
    if (!qo_asyncevent__sources) qo_asyncevent_Init();
    if (qo_asyncevent__sources->p_Contains2(source))
        qoError(String("Async event source is already active"));
    qo_asyncevent__sources->p_Push7(source);
    return 0;
}

int qo_asyncevent_UpdateAsyncEvents() {
    if (qo_asyncevent__current || !qo_asyncevent__sources) return 0;
    // Re-read the length each step: a callback may register a new source.
    for (int i = 0; i < qo_asyncevent__sources->p_Length2(); ++i) {
        c_IAsyncEventSource* source = qo_asyncevent__sources->p_Get(i);
        gc_assign(qo_asyncevent__current, source);
        source->p_UpdateAsyncEvents();
    }
    gc_assign(qo_asyncevent__current, static_cast<c_IAsyncEventSource*>(nullptr));
    return 0;
}
