// The picture library's JPEG decoder as the Linux and Windows programs have it: with
// its SSE2 paths on x86. Its twin, jpeg_decode_plain.cpp, has the plain paths the web
// module has; the two must give the same pixels.
#include "jpeg_decode.hpp"

#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#if (defined(__x86_64__) || defined(_M_X64)) && !defined(STBI_SSE2)
#error "the SSE2 paths are not compiled: the comparison would prove nothing"
#endif

#define FIT_JPEG_DECODE decode_jpeg_simd
#include "jpeg_decode_body.inc"
