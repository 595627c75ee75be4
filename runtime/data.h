// The data module's rewrite of the names the game gives its image, sound and font
// loaders: a bare relative name means a file in the data folder beside the program.
#pragma once

#include "runtime/string.h"

String qo_data_FixDataPath(String path);
