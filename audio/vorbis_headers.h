// A look at a Vorbis stream's headers before stb_vorbis opens it: the fields stb_vorbis
// trusts in ways that crash it or leak memory are checked first.
#pragma once

#include <cstdio>

// False when the comment header is cut short or its lengths or count run past its packet
// (stb_vorbis sizes allocations by them, then frees list entries it never filled); when
// the setup header's codebooks declare far more entries or lookup values than any
// encoder writes (stb_vorbis allocates for them first, and overflows int sizing the
// lookup tables); or when a codebook is one that stb_vorbis rejects only after
// allocating its code lengths (a sparse codebook's are then lost, up to 16 MB at each
// load). Other streams pass, and stb_vorbis refuses what it cannot read without harm.
// The stream is put back where it was.
bool VorbisHeadersAreSound(FILE* file);
