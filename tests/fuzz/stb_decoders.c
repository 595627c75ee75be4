/* stb_image and stb_vorbis compiled into the fuzz targets from the same Debian headers
 * the game's libstb is built from, so that libFuzzer sees their branches and
 * AddressSanitizer their memory accesses. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_vorbis.h>
