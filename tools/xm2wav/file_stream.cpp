// A module file read into memory and served through the player's five stream
// callbacks by the demo's memory stream; every read and seek stays inside the bytes.
#include <cstdlib>
#include <cstring>
#include "app/demo.h"
#include "player/mp.h"
#include "tools/xm2wav/xm2wav.h"

bool file_read_all(const char* path, std::vector<uint8_t>* bytes) {
    const size_t limit = 64u << 20;  // the loader counts in 32-bit sizes; no real module comes near
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 && bytes->size() <= limit)
        bytes->insert(bytes->end(), chunk, chunk + n);
    const bool ok = !std::ferror(file) && bytes->size() <= limit;
    std::fclose(file);
    return ok;
}

// The name is the vector of bytes; the demo's memory stream serves them.
static void* file_open(const void* name) {
    if (!name) return nullptr;
    const std::vector<uint8_t>* bytes = static_cast<const std::vector<uint8_t>*>(name);
    return mem_open_bytes(bytes->data(), static_cast<int32_t>(bytes->size()));
}

void file_stream_register() { mp_set_stream(file_open, mem_close, mem_read, mem_seek, mem_tell); }
