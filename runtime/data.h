// The data module's rewrite of the names the game gives its image, sound and font
// loaders: a bare relative name means a file in the data folder beside the program.
#pragma once

#include <string>
#include <vector>

#include "runtime/string.h"

String qo_data_FixDataPath(String path);

// Files in the data folder (names as the program gives them to its loaders) without
// which the program is no use: the desktop host checks them before it opens a window.
void qo_data_Require(const std::string& name);
const std::vector<std::string>& qo_data_Required();
