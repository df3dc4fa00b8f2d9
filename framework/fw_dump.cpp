// On request ($BSA_FRAME_DUMP names a file) the last presented frame is kept
// on disk as a binary PPM, so a test can hold a screenshot against it. The
// file is rewritten only when the frame changed, and replaced atomically.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "framework/fw_internal.h"
#ifdef _WIN32
#include <windows.h>  // after the framework's own message names
#endif

static std::vector<uint32_t> fw_dumped;

// Puts the finished file in place of the old one in one step. The C
// library's rename on Windows refuses to replace a file.
static bool fw_replace_file(const std::string& from, const char* to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to) == 0;
#endif
}

static bool fw_write_ppm(const char* path, const uint32_t* image, int32_t width, int32_t height) {
    const std::string partial = std::string(path) + ".part";
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return false;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int32_t y = 0; y < height; y++) {
        for (int32_t x = 0; x < width; x++) {
            const uint32_t p = image[static_cast<size_t>(y) * width + x];
            row[x * 3 + 0] = static_cast<uint8_t>(p >> 16);
            row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(p);
        }
        std::fwrite(row.data(), 1, row.size(), file);
    }
    const bool written = std::fclose(file) == 0;
    return written && fw_replace_file(partial, path);
}

void fw_dump_frame(const uint32_t* image, int32_t width, int32_t height) {
    const char* path = std::getenv("BSA_FRAME_DUMP");
    if (!path || !*path || !image || width <= 0 || height <= 0) return;
    const size_t count = static_cast<size_t>(width) * height;
    if (fw_dumped.size() == count && std::memcmp(fw_dumped.data(), image, count * 4) == 0) return;
    if (fw_write_ppm(path, image, width, height)) fw_dumped.assign(image, image + count);
}
