// The loader's side of the module stream: the registered callbacks and the
// record of one open stream.
#pragma once
#include <cstdint>

// True when all five stream callbacks are registered.
bool stream_ready();

// The loader's record of one open stream: the handle and the stream's size,
// taken once at opening so that every read and seek can be bounded by it.
struct StreamRecord {
    void* handle;
    int32_t size;
};

// Opens a stream through the registered callbacks; null when none are
// registered or the stream cannot be opened.
StreamRecord* stream_begin(const void* name);
// Closes the stream and releases the record.
void stream_end(StreamRecord* stream);
// Reads up to `count` bytes, never past the end; the part of `destination`
// that the stream could not deliver is zero-filled. Returns the bytes read.
int32_t stream_get(StreamRecord* stream, void* destination, int64_t count);
// Moves to `position`, held within 0..size.
void stream_seek_to(StreamRecord* stream, int64_t position);
int32_t stream_position(StreamRecord* stream);
// Bytes between the current position and the end.
int64_t stream_left(StreamRecord* stream);
