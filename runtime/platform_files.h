// What the portable file code in platform.cpp asks of the system, one source file per
// system: platform_files_posix.cpp (also the browser's in-memory file system) and
// platform_files_windows.cpp. Descriptors are the C runtime's on both.
#pragma once

#include <string>
#include <vector>

#include "runtime/platform.h"

namespace qofs {

extern const QoFileOps kSystemOps;
// The flags qoFileOps.open gets for a save's temporary file: write-only, created
// exclusively, never through a link.
extern const int kCreateExclusive;
// What ends a folder's name in a path.
extern const char kSeparators[];

// fopen for writing or appending.
FILE* OpenStream(const std::string& path, const char* mode);

// The open descriptor of a regular file for reading, or -1 with the reason in `why`
// (left empty for a file that is not there). Never waits on a FIFO or a device.
int OpenRegular(const std::string& path, std::string* why);
// A stream reading `fd`, which it then owns; null with the reason otherwise.
FILE* StreamOf(int fd, std::string* why);
// read(2): the count read, 0 at the end, -1 with errno set.
long Read(int fd, char* into, size_t count);
void Close(int fd);
void Remove(const std::string& path);

// After a rename into `directory`, so that the rename itself survives a power cut.
void SyncDirectory(const std::string& directory);
// The names of the entries in `directory`, or none.
std::vector<std::string> Entries(const std::string& directory);
unsigned long ProcessId();
// Whether no process `pid` runs any more.
bool ProcessGone(unsigned long pid);

}  // namespace qofs
