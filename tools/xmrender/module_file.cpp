// A module file read into memory and loaded through the memory stream
// over its bytes; whatever stands in the way is said in one line.
#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include "app/mem_stream.h"
#include "player/mp.h"
#include "tools/xmrender/xmrender.h"

// The name given to mp_load is the vector of bytes.
static void* file_open(const void* name) {
    if (!name) return nullptr;
    const std::vector<uint8_t>* bytes = static_cast<const std::vector<uint8_t>*>(name);
    return mem_open_bytes(bytes->data(), static_cast<int32_t>(bytes->size()));
}

static bool read_all(const char* path, std::vector<uint8_t>* bytes, std::string* error) {
    // The loader counts in 32-bit sizes; no real module comes near this.
    const size_t limit = 64u << 20;
    struct stat st;
    if (stat(path, &st) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = "is a directory";
        return false;
    }
    if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > limit) {
        *error = "larger than 64 MiB: not a module";
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    bytes->clear();
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 && bytes->size() <= limit)
        bytes->insert(bytes->end(), chunk, chunk + n);
    const bool failed = std::ferror(file);
    const int saved = errno;
    std::fclose(file);
    if (failed) *error = std::string("cannot read: ") + std::strerror(saved);
    else if (bytes->size() > limit) *error = "larger than 64 MiB: not a module";
    else if (bytes->empty()) *error = "empty file";
    return error->empty();
}

bool module_file_load(const char* path, ModuleFile* file, std::string* error) {
    file->path = path;
    file->module = nullptr;
    file->missing_bytes = 0;
    error->clear();
    if (!read_all(path, &file->bytes, error)) return false;
    mp_set_stream(file_open, mem_close, mem_read, mem_seek, mem_tell);
    file->module = mp_load(&file->bytes, nullptr);
    if (!file->module) {
        *error = std::string("not a module this player can load: ") + mp_load_refusal()->reason;
        return false;
    }
    file->missing_bytes = mp_load_missing_bytes();
    return true;
}

void module_file_free(ModuleFile* file) {
    mp_free(file->module);
    file->module = nullptr;
}
