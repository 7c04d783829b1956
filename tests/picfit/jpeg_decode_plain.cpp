// The picture library's JPEG decoder with its plain paths only, as the web module has
// it (see jpeg_decode_simd.cpp).
#include "jpeg_decode.hpp"

#define STBI_NO_SIMD
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#ifdef STBI_SSE2
#error "the SSE2 paths are compiled in the plain decoder"
#endif

#define FIT_JPEG_DECODE decode_jpeg_plain
#include "jpeg_decode_body.inc"
