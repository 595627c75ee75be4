// Pictures decoded on worker threads ahead of their use, so that a loader which fills
// its image slots one per update finds each one's pixels ready instead of decoding it on
// the main thread. Builds without threads (the browser) have no workers: every picture
// is then decoded where it is asked for, as before.
#pragma once

#include <string>
#include <vector>

// Starts decoding the files at `paths` (file-system paths, in the order they will be
// asked for) with `maxSide` as the side limit. A batch whose pictures have not all been
// taken is dropped first, with any pixels decoded for it, unless it still waits for
// exactly these paths, in which case it goes on. Main thread only.
void qoDecodeAhead(const std::vector<std::string>& paths, int maxSide);

// Hands over the pixels of the first picture of the batch decoded for `path`, waiting
// for them while a worker decodes them (the caller decodes a picture no worker has
// started itself). False when the batch has no such picture; true with null pixels when
// it could not be decoded. The block belongs to the caller (free). Main thread only.
bool qoTakeDecodedAhead(const std::string& path, unsigned char** pixels, int* width, int* height,
                        int* depth);

// The number of worker threads the decoder uses at most: the core count (at least 1),
// at most 4; 0 where the build has no threads.
unsigned qoDecodeAheadWorkers();
