// Labels with arrows over the picture: each subject gets a two-line label placed where it
// covers no other subject, label, arrow or the head-up display, as close as that allows.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/guide/scene.h"

// What the labels go over.
struct Backdrop {
    int width = 0, height = 0;
    std::vector<Box> keepClear;  // never covered
    std::vector<uint8_t> busy;   // per pixel, row by row: 1 where the level shows, 0 on the sky
};

// `fontDir` holds the DejaVu fonts. Labels prefer the sky to the level. In titles the
// words red, green and blue are written in their colour. False when some subject found
// no free place.
bool Annotate(cairo_t* cr, const Backdrop& backdrop, const std::vector<Subject>& subjects,
              const std::string& fontDir);
