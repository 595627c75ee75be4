/* The stb decoders the browser build needs, compiled from Debian's headers: the desktop
   links Debian's libstb instead. */
#define STB_IMAGE_IMPLEMENTATION
/* Every image the game ships is a PNG; the other decoders would only add download size. */
#define STBI_ONLY_PNG
#include <stb_image.h>
#include <stb_vorbis.h>
