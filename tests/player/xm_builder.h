// Builds XM files in memory for the player tests through the XM writer, and
// a byte stream over the result that mp_load reads through.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include "app/mem_stream.h"
#include "player/module.h"
#include "player/mp.h"
#include "tools/xm_writer/xm_writer.h"

// A song of one pattern of `rows` empty rows and one instrument with `sample`.
inline XmSong xm_simple_song(const XmSample& sample, int channel_count = 4, int rows = 64) {
    XmSong song;
    song.channels = static_cast<uint16_t>(channel_count);
    XmPattern p;
    p.rows = rows;
    song.patterns.push_back(p);
    XmInstrument in;
    in.samples.push_back(sample);
    song.instruments.push_back(in);
    return song;
}

// ---- a stream over bytes in memory ----
// The memory stream, opened over a vector of bytes as the name.

inline int xm_open_streams = 0;  // open minus closed, to see that every stream is closed

inline void* xm_stream_open(const void* name) {
    if (!name) return nullptr;
    const std::vector<uint8_t>* bytes = static_cast<const std::vector<uint8_t>*>(name);
    xm_open_streams++;
    return mem_open_bytes(bytes->data(), static_cast<int32_t>(bytes->size()));
}
inline void xm_stream_close(void* handle) {
    xm_open_streams--;
    mem_close(handle);
}
constexpr StreamReadFn xm_stream_read = mem_read;
constexpr StreamSeekFn xm_stream_seek = mem_seek;
constexpr StreamTellFn xm_stream_tell = mem_tell;

// Loads a module from bytes through the test stream.
inline Module* xm_load(const std::vector<uint8_t>& bytes, SampleDataFn on_sample_data = nullptr) {
    mp_set_stream(xm_stream_open, xm_stream_close, xm_stream_read, xm_stream_seek, xm_stream_tell);
    return mp_load(&bytes, on_sample_data);
}
