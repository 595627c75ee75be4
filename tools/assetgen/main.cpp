// tessory_assetgen: draws and synthesises the game's data/ folder.
//   tessory_assetgen --out DIR [--fonts DIR] [--contact-sheets DIR] [--only NAME]...
//                    [--icons DIR] [--installer DIR]
// With --installer DIR alone, only the Windows installer's pictures are drawn.
// TESSORY_CONTACT_SHEETS=DIR in the environment also asks for contact sheets.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/assetgen/generator.h"

int main(int argc, char** argv) {
    assetgen::Options o;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!std::strcmp(a, "--out") && v) {
            o.outDir = v, ++i;
        } else if (!std::strcmp(a, "--fonts") && v) {
            o.fontDir = v, ++i;
        } else if (!std::strcmp(a, "--contact-sheets") && v) {
            o.contactDir = v, ++i;
        } else if (!std::strcmp(a, "--icons") && v) {
            o.iconDir = v, ++i;
        } else if (!std::strcmp(a, "--installer") && v) {
            o.installerDir = v, ++i;
        } else if (!std::strcmp(a, "--only") && v) {
            o.only.push_back(v), ++i;
        } else if (!std::strcmp(a, "--threads") && v) {
            o.threads = std::atoi(v), ++i;
        } else {
            std::fprintf(stderr,
                         "usage: %s --out DIR [--fonts DIR] [--contact-sheets DIR] "
                         "[--only NAME]... [--threads N] [--icons DIR] [--installer DIR]\n",
                         argv[0]);
            return 2;
        }
    }
    if (o.outDir.empty() && o.installerDir.empty()) {
        std::fprintf(stderr, "%s: --out DIR or --installer DIR is required\n", argv[0]);
        return 2;
    }
    if (o.contactDir.empty()) {
        if (const char* env = std::getenv("TESSORY_CONTACT_SHEETS")) o.contactDir = env;
    }
    return assetgen::GenerateAll(o) ? 0 : 1;
}
