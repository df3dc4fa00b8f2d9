// Fuzz target: arbitrary bytes as a module. A module that loads is played for
// a few blocks, so the sequencer and the mixer meet what the loader let through.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "app/mem_stream.h"
#include "player/mp_render.h"

namespace {

struct Bytes {
    const uint8_t* data;
    int32_t size;
};

// The demo's memory stream, opened over the fuzzer's bytes.
void* bytes_open(const void* name) {
    const Bytes* source = static_cast<const Bytes*>(name);
    return mem_open_bytes(source->data, source->size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 24)) return 0;
    Bytes source{data, static_cast<int32_t>(size)};
    mp_set_stream(bytes_open, mem_close, mem_read, mem_seek, mem_tell);
    Module* module = mp_load(&source, nullptr);
    if (!module) return 0;
    if (render_begin(module, 44100)) {
        static int16_t out[2 * 4096];
        render_frames(out, 4096, nullptr, nullptr);
    }
    mp_free(module);
    return 0;
}
