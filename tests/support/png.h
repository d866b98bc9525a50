// A minimal PNG writer for test screenshots: 8-bit RGB, stored (uncompressed) DEFLATE blocks.
#pragma once
#include <stdint.h>
#include <vector>

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t> &rgb);
