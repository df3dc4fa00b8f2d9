// The XM writer: the file's layout, field by field, little-endian.
#include "platform/le_bytes.h"
#include "tools/xm_writer/xm_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put_text(Bytes& out, const std::string& text, size_t width, char pad) {
    for (size_t i = 0; i < width; i++) out.push_back(static_cast<uint8_t>(i < text.size() ? text[i] : pad));
}

// One cell in the packed form when that is shorter, else all five bytes.
void put_cell(Bytes& out, const Cell& c) {
    const uint8_t fields[5] = {c.note == 0xFF ? uint8_t(97) : c.note, c.instrument, c.volume, c.effect, c.param};
    uint8_t mask = 0x80;
    int used = 0;
    for (int b = 0; b < 5; b++)
        if (fields[b]) {
            mask |= uint8_t(1 << b);
            used++;
        }
    if (used == 5) {
        out.insert(out.end(), fields, fields + 5);
        return;
    }
    out.push_back(mask);
    for (int b = 0; b < 5; b++)
        if (fields[b]) out.push_back(fields[b]);
}

Bytes pattern_data(const XmPattern& p, int channels) {
    if (p.use_raw) return p.raw;
    Bytes out;
    const size_t count = static_cast<size_t>(p.rows) * channels;
    for (size_t i = 0; i < count; i++) put_cell(out, i < p.cells.size() ? p.cells[i] : Cell{0, 0, 0, 0, 0});
    return out;
}

// Version 0x0102 stores the row count less one in a single byte.
void put_pattern(Bytes& out, const XmPattern& p, const XmSong& song) {
    const Bytes data = pattern_data(p, song.channels);
    const uint32_t packed = p.packed_size >= 0 ? static_cast<uint32_t>(p.packed_size) : static_cast<uint32_t>(data.size());
    if (song.version == 0x0102) {
        le_put32(out, 8);
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(p.rows - 1));
    } else {
        le_put32(out, 9);
        out.push_back(0);
        le_put16(out, static_cast<uint32_t>(p.rows));
    }
    le_put16(out, packed);
    out.insert(out.end(), data.begin(), data.end());
}

void put_envelope(Bytes& out, const EnvelopePoint* points) {
    for (int k = 0; k < 12; k++) {
        le_put16(out, points[k].x);
        le_put16(out, points[k].y);
    }
}

void put_sample_data(Bytes& out, const XmInstrument& in) {
    for (const XmSample& s : in.samples) out.insert(out.end(), s.data.begin(), s.data.end());
}

void put_sample_header(Bytes& out, const XmSample& s) {
    le_put32(out, s.length);
    le_put32(out, s.loop_start);
    le_put32(out, s.loop_length);
    out.push_back(s.volume);
    out.push_back(static_cast<uint8_t>(s.finetune));
    out.push_back(s.type);
    out.push_back(s.panning);
    out.push_back(static_cast<uint8_t>(s.relative_note));
    out.push_back(s.reserved);
    put_text(out, s.name, 22, 0);
}

// The header is cut or padded to `header_size`, so tests can write short or long ones.
void put_instrument(Bytes& out, const XmInstrument& in, bool with_data) {
    const size_t start = out.size();
    const uint32_t count = in.sample_count >= 0 ? static_cast<uint32_t>(in.sample_count)
                                                : static_cast<uint32_t>(in.samples.size());
    const uint32_t header = in.header_size ? in.header_size : (in.samples.empty() ? 29 : 263);
    le_put32(out, header);
    put_text(out, in.name, 22, 0);
    out.push_back(0);  // type
    le_put16(out, count);
    if (!in.samples.empty()) {
        le_put32(out, 40);
        out.insert(out.end(), in.sample_map, in.sample_map + 96);
        put_envelope(out, in.volume_envelope);
        put_envelope(out, in.panning_envelope);
        const uint8_t f[14] = {in.volume_points, in.panning_points, in.volume_sustain, in.volume_loop_start,
                               in.volume_loop_end, in.panning_sustain, in.panning_loop_start, in.panning_loop_end,
                               in.volume_type, in.panning_type, in.vibrato_type, in.vibrato_sweep,
                               in.vibrato_depth, in.vibrato_rate};
        out.insert(out.end(), f, f + 14);
        le_put16(out, in.fadeout);
    }
    out.resize(start + header, 0);
    for (const XmSample& s : in.samples) put_sample_header(out, s);
    if (with_data) put_sample_data(out, in);
}

}  // namespace

std::vector<uint8_t> xm_build(const XmSong& song) {
    Bytes out(song.signature.begin(), song.signature.end());
    out.resize(17, 0);
    put_text(out, song.name, 20, 0);
    out.push_back(0x1A);
    put_text(out, song.tracker, 20, song.tracker.empty() ? 0 : ' ');
    le_put16(out, song.version);
    le_put32(out, song.header_size);
    le_put16(out, song.song_length);
    le_put16(out, song.restart);
    le_put16(out, song.channels);
    le_put16(out, static_cast<uint32_t>(song.pattern_count >= 0 ? song.pattern_count : int32_t(song.patterns.size())));
    le_put16(out, static_cast<uint32_t>(song.instruments.size()));
    le_put16(out, song.flags);
    le_put16(out, song.speed);
    le_put16(out, song.bpm);
    out.insert(out.end(), song.orders, song.orders + 256);
    out.resize(60 + static_cast<size_t>(song.header_size), 0);
    // The older layouts put every instrument header before the patterns.
    const bool old = song.version == 0x0102 || song.version == 0x0103;
    if (!old)
        for (const XmPattern& p : song.patterns) put_pattern(out, p, song);
    for (const XmInstrument& in : song.instruments) put_instrument(out, in, !old);
    if (old) {
        for (const XmPattern& p : song.patterns) put_pattern(out, p, song);
        for (const XmInstrument& in : song.instruments) put_sample_data(out, in);
    }
    return out;
}

std::vector<uint8_t> xm_delta8(const std::vector<int8_t>& frames) {
    Bytes out;
    int8_t last = 0;
    for (int8_t f : frames) {
        out.push_back(static_cast<uint8_t>(f - last));
        last = f;
    }
    return out;
}

std::vector<uint8_t> xm_delta16(const std::vector<int16_t>& frames) {
    Bytes out;
    int16_t last = 0;
    for (int16_t f : frames) {
        le_put16(out, static_cast<uint16_t>(f - last));
        last = f;
    }
    return out;
}

XmSample xm_sample8(const std::vector<int8_t>& frames, uint8_t type, uint32_t loop_start, uint32_t loop_length) {
    XmSample s;
    s.length = static_cast<uint32_t>(frames.size());
    s.type = type;
    s.loop_start = loop_start;
    s.loop_length = loop_length;
    s.data = xm_delta8(frames);
    return s;
}

XmSample xm_sample16(const std::vector<int16_t>& frames, uint8_t type, uint32_t loop_start, uint32_t loop_length) {
    XmSample s;
    s.length = 2 * static_cast<uint32_t>(frames.size());
    s.type = static_cast<uint8_t>(type | 0x10);
    s.loop_start = 2 * loop_start;
    s.loop_length = 2 * loop_length;
    s.data = xm_delta16(frames);
    return s;
}
