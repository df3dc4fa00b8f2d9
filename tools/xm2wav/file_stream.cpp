// A module file read into memory and served through the player's five stream
// callbacks; every read and seek stays inside the bytes.
#include <cstdlib>
#include <cstring>
#include "player/mp.h"
#include "tools/xm2wav/xm2wav.h"

struct FileStream {
    const std::vector<uint8_t>* bytes;
    int64_t position;
};

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

static void* file_open(const void* name) {
    if (!name) return nullptr;
    FileStream* stream = static_cast<FileStream*>(std::calloc(1, sizeof(FileStream)));
    if (stream) stream->bytes = static_cast<const std::vector<uint8_t>*>(name);
    return stream;
}

static void file_close(void* handle) { std::free(handle); }

static int32_t file_read(void* destination, int32_t count, void* handle) {
    FileStream* stream = static_cast<FileStream*>(handle);
    const int64_t left = static_cast<int64_t>(stream->bytes->size()) - stream->position;
    if (count <= 0 || left <= 0) return 0;
    if (count > left) count = static_cast<int32_t>(left);
    std::memcpy(destination, stream->bytes->data() + stream->position, static_cast<size_t>(count));
    stream->position += count;
    return count;
}

static void file_seek(void* handle, int32_t offset, uint8_t mode) {
    FileStream* stream = static_cast<FileStream*>(handle);
    const int64_t size = static_cast<int64_t>(stream->bytes->size());
    int64_t position = stream->position;
    if (mode == 0) position = offset;
    else if (mode == 1) position += offset;
    else if (mode == 2) position = size + offset;
    stream->position = position < 0 ? 0 : position > size ? size : position;
}

static int32_t file_tell(void* handle) { return static_cast<int32_t>(static_cast<FileStream*>(handle)->position); }

void file_stream_register() { mp_set_stream(file_open, file_close, file_read, file_seek, file_tell); }
