// Builds XM files in memory for the player tests: header fields, patterns
// from cells, instruments with samples and envelopes, and a byte stream over
// the result that mp_load reads through.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include "player/module.h"
#include "app/demo.h"
#include "player/mp.h"

struct XmSample {
    uint32_t length = 0;       // as stored: bytes (a 16-bit sample has 2 per frame)
    uint32_t loop_start = 0;   // bytes
    uint32_t loop_length = 0;  // bytes
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;          // bit 0 forward, bit 1 ping-pong, bit 4 16-bit
    uint8_t panning = 128;
    int8_t relative_note = 0;
    uint8_t reserved = 0;
    std::vector<uint8_t> data;  // the stored bytes, exactly as in the file
};

struct XmInstrument {
    std::vector<XmSample> samples;
    int32_t sample_count = -1;    // written sample count; -1: samples.size()
    uint32_t header_size = 0;     // 0: 263 with samples, 29 without
    uint8_t sample_map[96] = {};
    EnvelopePoint volume_envelope[12] = {};
    EnvelopePoint panning_envelope[12] = {};
    uint8_t volume_points = 0, panning_points = 0;
    uint8_t volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0;
    uint8_t panning_sustain = 0, panning_loop_start = 0, panning_loop_end = 0;
    uint8_t volume_type = 0, panning_type = 0;
    uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
    uint16_t fadeout = 0;
};

struct XmPattern {
    int32_t rows = 64;
    std::vector<Cell> cells;     // rows x channels, row by row; empty: all empty
    std::vector<uint8_t> raw;    // when set, written as the packed data verbatim
    bool use_raw = false;
    int32_t packed_size = -1;    // written packed size; -1: the real one
};

struct XmSong {
    std::string signature = "Extended Module: ";
    uint16_t version = 0x0104;
    uint32_t header_size = 276;
    uint16_t song_length = 1;
    uint16_t restart = 0;
    uint16_t channels = 4;
    int32_t pattern_count = -1;  // written pattern count; -1: patterns.size()
    uint16_t flags = 1;
    uint16_t speed = 6;
    uint16_t bpm = 125;
    uint8_t orders[256] = {};
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

inline void xm_put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void xm_put32(std::vector<uint8_t>& out, uint32_t v) {
    xm_put16(out, v & 0xFFFF);
    xm_put16(out, v >> 16);
}

// One cell in the packed form when that is shorter, else all five bytes.
inline void xm_put_cell(std::vector<uint8_t>& out, const Cell& c) {
    const uint8_t fields[5] = {c.note == 0xFF ? uint8_t(97) : c.note, c.instrument, c.volume, c.effect, c.param};
    uint8_t mask = 0x80;
    int used = 0;
    for (int b = 0; b < 5; b++)
        if (fields[b]) { mask |= uint8_t(1 << b); used++; }
    if (used == 5) {
        out.insert(out.end(), fields, fields + 5);
        return;
    }
    out.push_back(mask);
    for (int b = 0; b < 5; b++)
        if (fields[b]) out.push_back(fields[b]);
}

inline std::vector<uint8_t> xm_pattern_data(const XmPattern& p, int channels) {
    if (p.use_raw) return p.raw;
    std::vector<uint8_t> out;
    const size_t count = static_cast<size_t>(p.rows) * channels;
    for (size_t i = 0; i < count; i++) xm_put_cell(out, i < p.cells.size() ? p.cells[i] : Cell{0, 0, 0, 0, 0});
    return out;
}

inline void xm_put_pattern(std::vector<uint8_t>& out, const XmPattern& p, const XmSong& song) {
    const std::vector<uint8_t> data = xm_pattern_data(p, song.channels);
    const uint32_t packed = p.packed_size >= 0 ? static_cast<uint32_t>(p.packed_size) : static_cast<uint32_t>(data.size());
    if (song.version == 0x0102) {
        xm_put32(out, 8);
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(p.rows - 1));
    } else {
        xm_put32(out, 9);
        out.push_back(0);
        xm_put16(out, static_cast<uint32_t>(p.rows));
    }
    xm_put16(out, packed);
    out.insert(out.end(), data.begin(), data.end());
}

inline void xm_put_envelope(std::vector<uint8_t>& out, const EnvelopePoint* points) {
    for (int k = 0; k < 12; k++) {
        xm_put16(out, points[k].x);
        xm_put16(out, points[k].y);
    }
}

inline void xm_put_sample_data(std::vector<uint8_t>& out, const XmInstrument& in) {
    for (const XmSample& s : in.samples) out.insert(out.end(), s.data.begin(), s.data.end());
}

inline void xm_put_instrument(std::vector<uint8_t>& out, const XmInstrument& in, bool with_data) {
    const size_t start = out.size();
    const uint32_t count = in.sample_count >= 0 ? static_cast<uint32_t>(in.sample_count)
                                                : static_cast<uint32_t>(in.samples.size());
    const uint32_t header = in.header_size ? in.header_size : (in.samples.empty() ? 29 : 263);
    xm_put32(out, header);
    out.resize(out.size() + 22, 0);  // name
    out.push_back(0);                // type
    xm_put16(out, count);
    if (!in.samples.empty()) {
        xm_put32(out, 40);
        out.insert(out.end(), in.sample_map, in.sample_map + 96);
        xm_put_envelope(out, in.volume_envelope);
        xm_put_envelope(out, in.panning_envelope);
        const uint8_t f[14] = {in.volume_points, in.panning_points, in.volume_sustain, in.volume_loop_start,
                               in.volume_loop_end, in.panning_sustain, in.panning_loop_start, in.panning_loop_end,
                               in.volume_type, in.panning_type, in.vibrato_type, in.vibrato_sweep,
                               in.vibrato_depth, in.vibrato_rate};
        out.insert(out.end(), f, f + 14);
        xm_put16(out, in.fadeout);
    }
    out.resize(start + header, 0);  // reserved bytes, or cut to the header size
    for (const XmSample& s : in.samples) {
        xm_put32(out, s.length);
        xm_put32(out, s.loop_start);
        xm_put32(out, s.loop_length);
        out.push_back(s.volume);
        out.push_back(static_cast<uint8_t>(s.finetune));
        out.push_back(s.type);
        out.push_back(s.panning);
        out.push_back(static_cast<uint8_t>(s.relative_note));
        out.push_back(s.reserved);
        out.resize(out.size() + 22, 0);  // name
    }
    if (with_data) xm_put_sample_data(out, in);
}

inline std::vector<uint8_t> xm_build(const XmSong& song) {
    std::vector<uint8_t> out(song.signature.begin(), song.signature.end());
    out.resize(58, 0);
    xm_put16(out, song.version);
    xm_put32(out, song.header_size);
    xm_put16(out, song.song_length);
    xm_put16(out, song.restart);
    xm_put16(out, song.channels);
    xm_put16(out, static_cast<uint32_t>(song.pattern_count >= 0 ? song.pattern_count : int32_t(song.patterns.size())));
    xm_put16(out, static_cast<uint32_t>(song.instruments.size()));
    xm_put16(out, song.flags);
    xm_put16(out, song.speed);
    xm_put16(out, song.bpm);
    out.insert(out.end(), song.orders, song.orders + 256);
    out.resize(60 + static_cast<size_t>(song.header_size), 0);
    const bool old = song.version == 0x0102 || song.version == 0x0103;
    if (!old)
        for (const XmPattern& p : song.patterns) xm_put_pattern(out, p, song);
    for (const XmInstrument& in : song.instruments) xm_put_instrument(out, in, !old);
    if (old) {
        for (const XmPattern& p : song.patterns) xm_put_pattern(out, p, song);
        for (const XmInstrument& in : song.instruments) xm_put_sample_data(out, in);
    }
    return out;
}

// Plain 8-bit frames as the file stores them: each byte the difference to the last.
inline std::vector<uint8_t> xm_delta8(const std::vector<int8_t>& frames) {
    std::vector<uint8_t> out;
    int8_t last = 0;
    for (int8_t f : frames) {
        out.push_back(static_cast<uint8_t>(f - last));
        last = f;
    }
    return out;
}

inline std::vector<uint8_t> xm_delta16(const std::vector<int16_t>& frames) {
    std::vector<uint8_t> out;
    int16_t last = 0;
    for (int16_t f : frames) {
        xm_put16(out, static_cast<uint16_t>(f - last));
        last = f;
    }
    return out;
}

// An 8-bit sample of the given frames.
inline XmSample xm_sample8(const std::vector<int8_t>& frames, uint8_t type = 0, uint32_t loop_start = 0,
                           uint32_t loop_length = 0) {
    XmSample s;
    s.length = static_cast<uint32_t>(frames.size());
    s.type = type;
    s.loop_start = loop_start;
    s.loop_length = loop_length;
    s.data = xm_delta8(frames);
    return s;
}

// A song of one pattern of `rows` empty rows and one instrument with `sample`.
inline XmSong xm_simple_song(const XmSample& sample, int channels = 4, int rows = 64) {
    XmSong song;
    song.channels = static_cast<uint16_t>(channels);
    XmPattern p;
    p.rows = rows;
    song.patterns.push_back(p);
    XmInstrument in;
    in.samples.push_back(sample);
    song.instruments.push_back(in);
    return song;
}

// ---- a stream over bytes in memory ----
// The demo's own memory stream, opened over a vector of bytes as the name.

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
