/* The stb decoders, compiled from Debian's headers for the Windows build: the Linux
   desktop links Debian's libstb instead. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_vorbis.h>
