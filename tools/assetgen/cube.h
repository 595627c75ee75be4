// The rolling cube: where a cube tipping about its leading bottom edge really
// is, relative to the straight-line position the play screen draws it at.
#pragma once

#include "tools/assetgen/solid.h"

namespace assetgen {

struct CubePose {
    V3 centre;          // world centre of the tipped cube
    V3 straightLine;    // the play screen's interpolated centre (the frame's anchor)
    Rotation rotation;  // orientation of the tipped cube
};

// Roll direction 0 row + 1, 1 row - 1, 2 column + 1, 3 column - 1; step 0..15 of
// 16. The cube starts centred at (0, 0, 1), resting on the floor top z = 0.5.
CubePose RollPose(int direction, int step);
V3 RollDirection(int direction);

}  // namespace assetgen
