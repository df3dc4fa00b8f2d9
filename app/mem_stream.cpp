// The module stream over bytes in memory: every read and seek stays inside
// the bytes, whatever count or offset the loader asks for.
#include <cstdlib>
#include <cstring>
#include "app/mem_stream.h"

MemoryStream* mem_open_bytes(const uint8_t* data, int32_t size) {
    MemoryStream* stream = static_cast<MemoryStream*>(std::calloc(1, sizeof(MemoryStream)));
    if (!stream) return nullptr;
    stream->size = size < 0 ? 0 : size;
    stream->position = 0;
    stream->data = data;
    return stream;
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
