// The runtime's ways out of normal flow, and its logging. Every fatal path prints on
// the standard streams, offers a line-based hand-off to an attached debugger, and ends
// the process: status 0 for the normal end (an empty error message, or 'q' from the
// debugger) and -1 (255 on POSIX) for everything else.
#pragma once

#include "runtime/string.h"

// UTF-8 text and a line feed on standard output, flushed.
void qoPrint(const String& text);
void qoDebugLog(const String& text);

// The translated program's error statement; the empty message ends the program with 0.
[[noreturn]] void qoError(const String& message);

[[noreturn]] void dbg_error(const char* message);
// Shown a runtime error's text before the process ends, where nobody may read the
// standard streams (a Windows program started from its icon); null elsewhere.
extern void (*qoShowRuntimeError)(const String& text);
// Debugger hand-off; returns only when the debugger says run/step.
void dbg_stop();
void dbg_print(const String& text);
String dbg_stacktrace();
void qoDebugStop();

// An uncaught ThrowableObject: report and exit with -1.
[[noreturn]] void qoDieUncaught();

// Runs `hook` when the process ends through exit or a return from main: the normal end,
// a runtime error, an uncaught exception. Hooks close what the system would otherwise
// report as left open; they run last registered first, and not after a processor fault
// (what they would touch may be what broke) nor in a forked child (what they close
// belongs to the parent).
void qoAtExit(void (*hook)());

void sighandler(int signal);
// Installs sighandler for SIGSEGV, SIGILL and SIGFPE.
void qoInstallSignalHandlers();
