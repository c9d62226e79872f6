// The one translation unit that holds the PNG decoder's implementation.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
