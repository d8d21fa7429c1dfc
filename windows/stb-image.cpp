// stb's PNG writing and reading, compiled once for the Windows build, where no stb library is installed;
// on Linux Debian's libstb holds the same.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
