// Loading instruments: instrument and sample headers, and the sample data,
// which always ends up as 16-bit frames with a guard frame at the loop end.
#include <cstdlib>
#include <cstring>
#include "player/loader_internal.h"
#include "player/mixer.h"

static const uint8_t PACKED_MARK = 0xAD;  // reserved byte of a 4-bit delta-table sample
// Bits of the sample header's type byte.
enum : uint8_t { TYPE_FORWARD_LOOP = 1, TYPE_PINGPONG_LOOP = 2, TYPE_16_BIT = 16 };

// Keeps the loop inside the sample: a loop that starts beyond the end is
// dropped, one that runs past it is cut at the end; no loop spans the sample.
static void fit_loop(Sample* sample) {
    if (sample->loop_kind != LOOP_NONE) {
        if (sample->loop_start >= sample->length) sample->loop_kind = LOOP_NONE;
        else if (static_cast<uint64_t>(sample->loop_start) + sample->loop_length > sample->length)
            sample->loop_length = sample->length - sample->loop_start;
    }
    if (sample->loop_kind == LOOP_NONE || sample->loop_length == 0) {
        sample->loop_kind = LOOP_NONE;
        sample->loop_start = 0;
        sample->loop_length = sample->length;
    }
}

static void read_sample_header(LoadState* load, int32_t i, int32_t j, Sample* sample) {
    uint8_t h[40];
    load_missing_bytes += 40 - stream_get(load->stream, h, 40);
    sample->length = le_read32(h);
    sample->loop_start = le_read32(h + 4);
    sample->loop_length = le_read32(h + 8);
    // Volumes above the format's 64 would overflow the voice volume bytes.
    sample->volume = h[12] > 64 ? 64 : h[12];
    sample->finetune = static_cast<int8_t>(h[13]);
    const uint8_t type = h[14];
    sample->panning = h[15];
    sample->relative_note = static_cast<int8_t>(h[16]);

    sample->loop_kind = LOOP_NONE;
    sample->bits = 8;
    if (type & TYPE_FORWARD_LOOP) sample->loop_kind = LOOP_FORWARD;
    if (type & TYPE_PINGPONG_LOOP) sample->loop_kind = LOOP_PINGPONG;
    if (type & TYPE_16_BIT) sample->bits = 16;
    const uint32_t stored = sample->length;
    if (sample->bits == 16) {
        sample->length /= 2;
        sample->loop_start /= 2;
        sample->loop_length /= 2;
    }
    fit_loop(sample);
    const bool packed = sample->bits == 8 && h[17] == PACKED_MARK;
    load->packed[i][j] = packed;
    // A packed sample stores a 16-byte delta table and one nibble per frame.
    load->stored_bytes[i][j] = packed ? 16 + (stored / 2 + stored % 2) : stored;
}

static void read_envelope(const uint8_t* p, EnvelopePoint* points) {
    for (int32_t k = 0; k < 12; k++) {
        points[k].x = le_read16(p + 4 * k);
        points[k].y = le_read16(p + 4 * k + 2);
    }
}

// The instrument fields after the sample count: 4 bytes not used, the sample
// map, both envelopes and 16 bytes of envelope and vibrato settings.
static void read_instrument_fields(StreamRecord* stream, Instrument* instrument) {
    uint8_t b[212];
    load_missing_bytes += static_cast<int64_t>(sizeof b) - stream_get(stream, b, sizeof b);
    std::memcpy(instrument->sample_map, b + 4, 96);
    read_envelope(b + 100, instrument->volume_envelope);
    read_envelope(b + 148, instrument->panning_envelope);
    const uint8_t* f = b + 196;
    instrument->volume_point_count = f[0];
    instrument->panning_point_count = f[1];
    instrument->volume_sustain_point = f[2];
    instrument->volume_loop_start = f[3];
    instrument->volume_loop_end = f[4];
    instrument->panning_sustain_point = f[5];
    instrument->panning_loop_start = f[6];
    instrument->panning_loop_end = f[7];
    instrument->volume_type = f[8];
    instrument->panning_type = f[9];
    instrument->vibrato_type = f[10];
    instrument->vibrato_sweep = f[11];
    instrument->vibrato_depth = f[12];
    instrument->vibrato_rate = f[13];
    // Doubled, wrapping at 16 bits like the field.
    instrument->fadeout = static_cast<uint16_t>(le_read16(f + 14) * 2);
    if (instrument->volume_point_count < 2) instrument->volume_type = 0;
    if (instrument->panning_point_count < 2) instrument->panning_type = 0;
}

bool load_instruments(LoadState* load, bool with_data) {
    Module* module = load->module;
    StreamRecord* stream = load->stream;
    for (int32_t i = 0; i < module->instrument_count; i++) {
        Instrument* instrument = &module->instruments[i];
        for (int32_t j = 0; j < MAX_SAMPLES; j++) instrument->samples[j] = &empty_sample;
        const int64_t start = stream_position(stream);
        load_instrument_at[i] = static_cast<int32_t>(start);
        uint8_t size_bytes[4], count_bytes[2];
        stream_get(stream, size_bytes, 4);
        stream_seek_to(stream, start + 4 + 23);
        stream_get(stream, count_bytes, 2);
        const int64_t end = start + le_read32(size_bytes);
        const int32_t count = le_read16(count_bytes);
        if (count > MAX_SAMPLES)
            return load_refuse(count, "above the limit of", MAX_SAMPLES, "instrument %d sample count", i + 1);
        if (count > 0) read_instrument_fields(stream, instrument);
        stream_seek_to(stream, end);
        for (int32_t j = 0; j < count; j++) {
            Sample* sample = static_cast<Sample*>(std::calloc(1, sizeof(Sample)));
            if (!sample) return false;
            instrument->samples[j] = sample;
            instrument->sample_count = j + 1;
            read_sample_header(load, i, j, sample);
        }
        if (with_data && !load_sample_data(load, i)) return false;
    }
    return true;
}

// ---- sample data ----

// Frames the remaining stream can still supply for a sample.
static uint64_t frames_available(int64_t left, bool packed, int32_t bits) {
    if (packed) return left > 16 ? static_cast<uint64_t>(left - 16) * 2 : 0;
    return static_cast<uint64_t>(left) * 8 / bits;
}

static void widen(int16_t* data, const uint8_t* bytes, uint32_t length, int32_t bits) {
    for (uint32_t k = 0; k < length; k++) {
        if (bits == 16) data[k] = static_cast<int16_t>(le_read16(bytes + 2 * k));
        else data[k] = static_cast<int16_t>(static_cast<int8_t>(bytes[k]) * 256);
    }
}

// Each stored nibble picks a delta from the table; the sum is the 8-bit frame.
static void unpack_nibbles(int16_t* data, const uint8_t* bytes, uint32_t length) {
    const uint8_t* table = bytes;
    const uint8_t* nibbles = bytes + 16;
    uint8_t value = 0;
    for (uint32_t k = 0; k < length; k++) {
        const uint8_t b = nibbles[k / 2];
        value = static_cast<uint8_t>(value + table[k & 1 ? b >> 4 : b & 15]);
        data[k] = static_cast<int16_t>(static_cast<int8_t>(value) * 256);
    }
}

static void add_deltas(int16_t* data, uint32_t length) {
    for (uint32_t k = 1; k < length; k++)
        data[k] = static_cast<int16_t>(static_cast<uint16_t>(data[k]) + static_cast<uint16_t>(data[k - 1]));
}

// The frame at the loop end repeats the one interpolation must reach there.
static void set_guard(Sample* sample) {
    const uint32_t end = sample->loop_start + sample->loop_length;
    if (sample->loop_kind == LOOP_PINGPONG) sample->data[end] = sample->data[end - 1];
    else if (sample->loop_kind == LOOP_FORWARD) sample->data[end] = sample->data[sample->loop_start];
}

static bool load_one_sample(LoadState* load, int32_t i, int32_t j, Sample* sample) {
    StreamRecord* stream = load->stream;
    const int64_t start = stream_position(stream);
    const bool packed = load->packed[i][j];
    int64_t stored = load->stored_bytes[i][j];
    // A sample that claims more bytes than the stream holds keeps what is there.
    const int64_t left = stream_left(stream);
    if (stored > left) {
        load_missing_bytes += stored - left;
        const uint64_t frames = frames_available(left, packed, sample->bits);
        if (frames < sample->length) sample->length = static_cast<uint32_t>(frames);
        fit_loop(sample);
        stored = left;
    }
    if (sample->length == 0) {
        stream_seek_to(stream, start + stored);
        sample->bits = 16;
        return true;
    }
    const uint32_t length = sample->length;
    sample->data = static_cast<int16_t*>(std::calloc(mix_data_frames(sample), sizeof(int16_t)));
    const size_t buffer_size = 2 * static_cast<size_t>(length) + 16;
    uint8_t* buffer = static_cast<uint8_t*>(std::calloc(buffer_size, 1));
    if (!sample->data || !buffer) {
        std::free(buffer);
        return false;
    }
    const int32_t bytes = static_cast<int32_t>(static_cast<int64_t>(sample->bits) * length / 8);
    if (load->module->on_sample_data) {
        load->module->on_sample_data(buffer, bytes, sample->bits, i, j);
        widen(sample->data, buffer, length, sample->bits);
    } else if (packed) {
        stream_get(stream, buffer, 16 + (length / 2 + length % 2));
        unpack_nibbles(sample->data, buffer, length);
    } else {
        stream_get(stream, buffer, bytes);
        widen(sample->data, buffer, length, sample->bits);
        add_deltas(sample->data, length);
    }
    std::free(buffer);
    sample->bits = 16;
    set_guard(sample);
    mix_copy_loop(sample);
    // Past the stored bytes, including the odd byte of a 16-bit sample.
    stream_seek_to(stream, start + stored);
    return true;
}

bool load_sample_data(LoadState* load, int32_t instrument) {
    Instrument* in = &load->module->instruments[instrument];
    for (int32_t j = 0; j < in->sample_count; j++)
        if (!load_one_sample(load, instrument, j, in->samples[j])) return false;
    return true;
}
