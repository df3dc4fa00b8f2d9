// Writes 32-bit 0x00RRGGBB pixel buffers as PNG files, for looking at frames.
#pragma once
#include <cstdint>

// Rows top first, stride = width. Returns false when the file cannot be written.
bool png_write(const char* path, const uint32_t* pixels, int width, int height);
