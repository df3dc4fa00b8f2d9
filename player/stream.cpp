// The module stream: the five registered callbacks and the bounded reads and
// seeks through which the loader reaches them.
#include <cstdlib>
#include <cstring>
#include "player/mp.h"
#include "player/stream.h"

static StreamOpenFn stream_open = nullptr;
static StreamCloseFn stream_close = nullptr;
static StreamReadFn stream_read = nullptr;
static StreamSeekFn stream_seek = nullptr;
static StreamTellFn stream_tell = nullptr;

void mp_set_stream(StreamOpenFn open, StreamCloseFn close, StreamReadFn read,
                   StreamSeekFn seek, StreamTellFn tell) {
    if (!open || !close || !read || !seek || !tell) {
        open = nullptr;
        close = nullptr;
        read = nullptr;
        seek = nullptr;
        tell = nullptr;
    }
    stream_open = open;
    stream_close = close;
    stream_read = read;
    stream_seek = seek;
    stream_tell = tell;
}

bool stream_ready() { return stream_open != nullptr; }

StreamRecord* stream_begin(const void* name) {
    if (!stream_ready()) return nullptr;
    void* handle = stream_open(name);
    if (!handle) return nullptr;
    StreamRecord* stream = static_cast<StreamRecord*>(std::calloc(1, sizeof(StreamRecord)));
    if (!stream) {
        stream_close(handle);
        return nullptr;
    }
    stream->handle = handle;
    stream_seek(handle, 0, 2);
    const int32_t size = stream_tell(handle);
    stream->size = size > 0 ? size : 0;
    stream_seek(handle, 0, 0);
    return stream;
}

void stream_end(StreamRecord* stream) {
    if (!stream) return;
    stream_close(stream->handle);
    std::free(stream);
}

int32_t stream_position(StreamRecord* stream) {
    const int32_t position = stream_tell(stream->handle);
    // A stream that reports a place outside itself is taken at its nearest end.
    if (position < 0) return 0;
    return position > stream->size ? stream->size : position;
}

int64_t stream_left(StreamRecord* stream) { return stream->size - stream_position(stream); }

void stream_seek_to(StreamRecord* stream, int64_t position) {
    if (position < 0) position = 0;
    if (position > stream->size) position = stream->size;
    stream_seek(stream->handle, static_cast<int32_t>(position), 0);
}

int32_t stream_get(StreamRecord* stream, void* destination, int64_t count) {
    if (count <= 0) return 0;
    const int64_t left = stream_left(stream);
    const int32_t wanted = static_cast<int32_t>(count < left ? count : left);
    int32_t got = wanted > 0 ? stream_read(destination, wanted, stream->handle) : 0;
    if (got < 0 || got > wanted) got = 0;  // a misbehaving stream delivers nothing usable
    std::memset(static_cast<uint8_t*>(destination) + got, 0, static_cast<size_t>(count - got));
    return got;
}
