// Reads a whole stream in 4096-byte blocks until a read comes back short.
#pragma once

#include <cstdio>
#include <vector>

// The bytes read so far are kept even on a read error; the answer says whether one happened.
inline bool qoReadAll(FILE* file, std::vector<unsigned char>& bytes) {
    unsigned char block[4096];
    for (;;) {
        size_t n = std::fread(block, 1, sizeof block, file);
        bytes.insert(bytes.end(), block, block + n);
        if (n < sizeof block) break;
    }
    return std::ferror(file) == 0;
}
