// The asynchronous event pump: every registered source (each socket) delivers its
// finished operations when the application polls, on the main thread.
#pragma once

#include "runtime/async_event_source.h"
#include "runtime/gc/stack.h"

extern c_Stack3* qo_asyncevent__sources;
extern c_IAsyncEventSource* qo_asyncevent__current;

// A new, empty list of sources and no source being updated; part of the runtime's
// initialiser, so a second initialisation starts clean.
void qo_asyncevent_Init();
// Sources stay registered for the rest of the run; registering one twice is a runtime error.
int qo_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source);
// Updates each source in registration order; a call from inside an update returns at once.
int qo_asyncevent_UpdateAsyncEvents();
