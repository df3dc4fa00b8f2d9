// The module stream over bytes in memory: the five callbacks the player's
// loader reads through, as a small library of its own. The demo opens it over
// its embedded module; tools, tests and the fuzz target over bytes of their own.
#pragma once
#include <cstdint>

struct MemoryStream {
    int32_t size;
    int32_t position;
    const uint8_t* data;
};
// A stream over `size` bytes at `data`, which stay the caller's; null
// without memory. mem_close releases it like any other.
MemoryStream* mem_open_bytes(const uint8_t* data, int32_t size);
void mem_close(void* handle);
int32_t mem_read(void* destination, int32_t count, void* handle);
void mem_seek(void* handle, int32_t offset, uint8_t mode);
int32_t mem_tell(void* handle);
