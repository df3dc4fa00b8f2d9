// The module stream over bytes in memory: the five callbacks the player's
// loader reads through. The demo opens it over its embedded module; tools and
// tests open it over bytes of their own.
#include <cstdlib>
#include <cstring>
#include "app/demo.h"
#include "assets/assets.h"

MemoryStream* mem_open_bytes(const uint8_t* data, int32_t size) {
    MemoryStream* stream = static_cast<MemoryStream*>(std::calloc(1, sizeof(MemoryStream)));
    if (!stream) return nullptr;
    stream->size = size < 0 ? 0 : size;
    stream->position = 0;
    stream->data = data;
    return stream;
}

void* mem_open(const void* /*name: the module is always the embedded one*/) {
    return mem_open_bytes(asset_module, static_cast<int32_t>(asset_module_size));
}

void mem_close(void* handle) { std::free(handle); }

int32_t mem_read(void* destination, int32_t count, void* handle) {
    MemoryStream* stream = static_cast<MemoryStream*>(handle);
    if (count <= 0) return 0;  // a negative count would otherwise copy backwards from memory
    // Widened so that a huge count cannot overflow the sum.
    if (static_cast<int64_t>(stream->position) + count >= stream->size)
        count = stream->size - stream->position;
    std::memcpy(destination, stream->data + stream->position, static_cast<size_t>(count));
    stream->position += count;
    return count;
}

void mem_seek(void* handle, int32_t offset, uint8_t mode) {
    MemoryStream* stream = static_cast<MemoryStream*>(handle);
    int64_t position = stream->position;
    if (mode == 0) position = offset;
    else if (mode == 1) position += offset;
    else if (mode == 2) position = static_cast<int64_t>(stream->size) + offset;
    if (position > stream->size) position = stream->size;
    if (position < 0) position = 0;  // reading before the module would leave its memory
    stream->position = static_cast<int32_t>(position);
}

int32_t mem_tell(void* handle) { return static_cast<MemoryStream*>(handle)->position; }
