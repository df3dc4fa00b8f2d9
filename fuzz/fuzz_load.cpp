// Fuzz target: arbitrary bytes as a module. A module that loads is played for
// a few blocks, so the sequencer and the mixer meet what the loader let through.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "player/mp.h"
#include "player/render.h"

namespace {

struct Bytes {
    const uint8_t* data;
    int32_t size;
    int32_t position;
};

void* bytes_open(const void* name) {
    const Bytes* source = static_cast<const Bytes*>(name);
    return new Bytes{source->data, source->size, 0};
}
void bytes_close(void* handle) { delete static_cast<Bytes*>(handle); }
int32_t bytes_read(void* destination, int32_t count, void* handle) {
    Bytes* b = static_cast<Bytes*>(handle);
    if (count <= 0) return 0;
    if (count > b->size - b->position) count = b->size - b->position;
    if (count > 0) std::memcpy(destination, b->data + b->position, static_cast<size_t>(count));
    b->position += count;
    return count;
}
void bytes_seek(void* handle, int32_t offset, uint8_t mode) {
    Bytes* b = static_cast<Bytes*>(handle);
    int64_t p = b->position;
    if (mode == 0) p = offset;
    else if (mode == 1) p += offset;
    else if (mode == 2) p = static_cast<int64_t>(b->size) + offset;
    if (p > b->size) p = b->size;
    if (p < 0) p = 0;
    b->position = static_cast<int32_t>(p);
}
int32_t bytes_tell(void* handle) { return static_cast<Bytes*>(handle)->position; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    Bytes source{data, static_cast<int32_t>(size), 0};
    mp_set_stream(bytes_open, bytes_close, bytes_read, bytes_seek, bytes_tell);
    Module* module = mp_load(&source, nullptr);
    if (!module) return 0;
    if (render_begin(module, 44100)) {
        static int16_t out[2 * 4096];
        render_frames(out, 4096, nullptr, nullptr);
    }
    mp_free(module);
    return 0;
}
