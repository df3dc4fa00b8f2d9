// Loading a module: mp_load, the module header and the patterns, and the
// release of a module (mp_free, beside the output, stops its playback first).
// Instruments and sample data are read in loader_instruments.cpp.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include "player/loader_internal.h"
#include "player/seq.h"

Sample empty_sample = {};

static const char SIGNATURE[] = "Extended Module: ";
constexpr int32_t MAX_CHANNELS = 32;   // the player's channel slots and mixed voices
constexpr int32_t MAX_PATTERNS = 256;  // order entries are bytes
constexpr int32_t MAX_ROWS = 256;

// ---- why a module was refused ----

static LoadRefusal refusal;
int32_t load_instrument_at[MAX_INSTRUMENTS];
int64_t load_missing_bytes = 0;

const LoadRefusal* mp_load_refusal() { return &refusal; }

int64_t mp_load_missing_bytes() { return load_missing_bytes; }

int32_t mp_load_instrument_at(int32_t instrument) {
    return instrument >= 0 && instrument < MAX_INSTRUMENTS ? load_instrument_at[instrument] : -1;
}

bool load_refuse_text(const char* field, const char* reason) {
    std::snprintf(refusal.field, sizeof refusal.field, "%s", field);
    std::snprintf(refusal.reason, sizeof refusal.reason, "%s", reason);
    refusal.value = 0;
    refusal.limit = 0;
    return false;
}

bool load_refuse(int64_t value, const char* relation, int64_t limit, const char* field_format, ...) {
    va_list args;
    va_start(args, field_format);
    std::vsnprintf(refusal.field, sizeof refusal.field, field_format, args);
    va_end(args);
    refusal.value = value;
    refusal.limit = limit;
    std::snprintf(refusal.reason, sizeof refusal.reason, "%s is %lld, %s %lld", refusal.field,
                  static_cast<long long>(value), relation, static_cast<long long>(limit));
    return false;
}

// ---- loading and releasing ----

Module* mp_load(const void* name, SampleDataFn on_sample_data) {
    refusal = LoadRefusal{};
    for (int32_t& at : load_instrument_at) at = -1;
    load_missing_bytes = 0;
    Module* module = static_cast<Module*>(std::calloc(1, sizeof(Module)));
    if (!module) {
        load_refuse_text("memory", "not enough memory for the module");
        return nullptr;
    }
    StreamRecord* stream = stream_begin(name);
    if (!stream) {
        std::free(module);
        load_refuse_text("stream", "the module stream cannot be opened");
        return nullptr;
    }
    module->on_sample_data = on_sample_data;
    const bool loaded = load_xm(module, stream);
    stream_end(stream);
    if (!loaded) {
        // Every refusal of the file's contents names itself; what is left is an allocation.
        if (!refusal.field[0]) load_refuse_text("memory", "not enough memory for the module");
        // The refused module never played: releasing it must not stop
        // whatever module is playing now.
        release_module(module);
        return nullptr;
    }
    return module;
}

void release_module(Module* module) {
    if (module->instruments) {
        for (int32_t i = 0; i < module->instrument_count; i++) {
            Instrument* instrument = &module->instruments[i];
            for (int32_t j = 0; j < instrument->sample_count; j++) {
                Sample* sample = instrument->samples[j];
                if (!sample || sample == &empty_sample) continue;
                std::free(sample->data);
                std::free(sample);
            }
        }
        std::free(module->instruments);
    }
    if (module->patterns) {
        for (int32_t p = 0; p < module->pattern_count; p++) std::free(module->patterns[p].cells);
        std::free(module->patterns);
    }
    std::free(module);
}

// ---- patterns ----

// Unpacks `count` cells from `packed`; false when the bytes run out first.
static bool unpack_cells(Cell* cells, int32_t count, const uint8_t* packed, int32_t size) {
    int32_t at = 0;
    for (int32_t c = 0; c < count; c++) {
        if (at >= size) return false;
        uint8_t fields[5] = {0, 0, 0, 0, 0};
        const uint8_t b = packed[at++];
        if (b & 0x80) {
            for (int32_t bit = 0; bit < 5; bit++) {
                if (!(b & (1 << bit))) continue;
                if (at >= size) return false;
                fields[bit] = packed[at++];
            }
        } else {
            if (at + 4 > size) return false;
            fields[0] = b;
            std::memcpy(fields + 1, packed + at, 4);
            at += 4;
        }
        Cell* cell = &cells[c];
        cell->note = fields[0] == 97 ? NOTE_KEY_OFF : fields[0];
        cell->instrument = fields[1] > 128 ? 0 : fields[1];
        cell->volume = fields[2];
        cell->effect = fields[3];
        cell->param = fields[4];
    }
    return true;
}

// Reads the file's `count` patterns. Old files (`short_header`) keep the row
// count in one byte, less one, and have an 8-byte pattern header.
static bool load_patterns(Module* module, StreamRecord* stream, int32_t count, bool short_header) {
    const int32_t channel_count = module->channel_count;
    for (int32_t p = 0; p < count; p++) {
        uint8_t header[9];
        const int32_t header_size = short_header ? 8 : 9;
        if (stream_left(stream) < header_size)
            return load_refuse(stream_position(stream) + header_size, "beyond the end of the file at", stream->size,
                               "pattern %d header end", p);
        stream_get(stream, header, header_size);
        const int32_t rows = short_header ? header[5] + 1 : le_read16(header + 5);
        const int32_t packed_size = le_read16(header + (short_header ? 6 : 7));
        if (rows > MAX_ROWS) return load_refuse(rows, "above the limit of", MAX_ROWS, "pattern %d row count", p);
        Pattern* pattern = &module->patterns[p];
        pattern->rows = rows;
        if (rows > 0) {
            pattern->cells = static_cast<Cell*>(std::calloc(static_cast<size_t>(rows) * channel_count, sizeof(Cell)));
            if (!pattern->cells) return false;
        }
        if (packed_size == 0) continue;
        uint8_t* packed = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(packed_size)));
        if (!packed) return false;
        // The packed size bounds the cells: data that would need more bytes
        // than the file says it has is damaged, and extra bytes are passed over.
        const int64_t left = stream_left(stream);
        const bool read = stream_get(stream, packed, packed_size) == packed_size;
        const bool complete = read && unpack_cells(pattern->cells, rows * channel_count, packed, packed_size);
        std::free(packed);
        if (!read) return load_refuse(packed_size, "beyond the bytes left in the file:", left, "pattern %d packed size", p);
        if (!complete)
            return load_refuse(packed_size, "too few bytes for its cells (rows x channels):",
                               int64_t{rows} * channel_count, "pattern %d packed size", p);
    }
    // Patterns the order table names but the file lacks play as 64 empty rows.
    for (int32_t p = count; p < module->used_pattern_count; p++) {
        module->patterns[p].rows = 64;
        module->patterns[p].cells =
            static_cast<Cell*>(std::calloc(static_cast<size_t>(64) * channel_count, sizeof(Cell)));
        if (!module->patterns[p].cells) return false;
    }
    return true;
}

// ---- header ----

// The header's counts within what the player holds, and the header within
// the file; false, with the reason, to refuse the module.
static bool header_within_limits(int32_t channel_count, int32_t patterns, int32_t instruments, uint32_t header_size,
                                 int64_t file_size) {
    // Shorter, and the channel count itself is missing.
    if (file_size < 70) return load_refuse(file_size, "below the least of", 70, "file size");
    if (channel_count < 1) return load_refuse(channel_count, "below the least of", 1, "channel count");
    if (channel_count > MAX_CHANNELS)
        return load_refuse(channel_count, "above the limit of", MAX_CHANNELS, "channel count");
    if (patterns > MAX_PATTERNS) return load_refuse(patterns, "above the limit of", MAX_PATTERNS, "pattern count");
    if (instruments > MAX_INSTRUMENTS)
        return load_refuse(instruments, "above the limit of", MAX_INSTRUMENTS, "instrument count");
    if (60 + static_cast<int64_t>(header_size) > file_size)
        return load_refuse(header_size, "beyond the bytes left in the file:", file_size - 60, "header size");
    return true;
}

// Reads the fields at offset 60 on; the order table is always at 80. Returns
// the file's pattern count, or -1 to refuse the module.
static int32_t load_header(Module* module, StreamRecord* stream) {
    uint8_t header[276];
    stream_seek_to(stream, 60);
    stream_get(stream, header, sizeof header);
    const uint32_t header_size = le_read32(header);
    const int32_t song_length = le_read16(header + 4);
    const int32_t channel_count = le_read16(header + 8);
    const int32_t pattern_count = le_read16(header + 10);
    const int32_t instrument_count = le_read16(header + 12);
    if (!header_within_limits(channel_count, pattern_count, instrument_count, header_size, stream->size)) return -1;

    // The order table has 256 entries; a longer song can only mean all of them.
    module->song_length = static_cast<int16_t>(song_length > 256 ? 256 : song_length);
    module->restart_position = static_cast<int16_t>(le_read16(header + 6));
    module->channel_count = static_cast<int16_t>(channel_count);
    module->flags = static_cast<int16_t>(le_read16(header + 14));
    module->default_speed = static_cast<int16_t>(le_read16(header + 16));
    module->default_bpm = static_cast<int16_t>(le_read16(header + 18));
    std::memcpy(module->orders, header + 20, 256);

    module->used_pattern_count = 0;
    for (int32_t i = 0; i < module->song_length; i++)
        if (module->orders[i] >= module->used_pattern_count) module->used_pattern_count = module->orders[i] + 1;
    const int32_t records = pattern_count > module->used_pattern_count ? pattern_count : module->used_pattern_count;
    if (records > 0) {
        module->patterns = static_cast<Pattern*>(std::calloc(static_cast<size_t>(records), sizeof(Pattern)));
        if (!module->patterns) return -1;
    }
    module->pattern_count = records;
    if (instrument_count > 0) {
        module->instruments = static_cast<Instrument*>(
            std::calloc(static_cast<size_t>(instrument_count), sizeof(Instrument)));
        if (!module->instruments) return -1;
    }
    module->instrument_count = static_cast<int16_t>(instrument_count);
    stream_seek_to(stream, 60 + static_cast<int64_t>(header_size));
    return pattern_count;
}

bool load_xm(Module* module, StreamRecord* stream) {
    char signature[17];
    stream_seek_to(stream, 0);
    stream_get(stream, signature, 17);
    if (std::memcmp(signature, SIGNATURE, 17) != 0)
        return load_refuse_text("signature", "no \"Extended Module: \" signature at its start: not an XM module");
    module->on_tick = seq_tick;
    module->initial_global_volume = 64;

    uint8_t version_bytes[2];
    stream_seek_to(stream, 58);
    stream_get(stream, version_bytes, 2);
    const uint16_t version = le_read16(version_bytes);
    const int32_t pattern_count = load_header(module, stream);
    if (pattern_count < 0) return false;

    LoadState* load = new (std::nothrow) LoadState{};
    if (!load) return false;
    load->module = module;
    load->stream = stream;
    bool ok;
    if (version == 0x0102 || version == 0x0103) {
        // Older files keep the instruments before the patterns and all sample
        // data after them, in instrument order.
        ok = load_instruments(load, false) &&
             load_patterns(module, stream, pattern_count, version == 0x0102);
        for (int32_t i = 0; ok && i < module->instrument_count; i++) ok = load_sample_data(load, i);
    } else {
        ok = load_patterns(module, stream, pattern_count, false) && load_instruments(load, true);
    }
    delete load;
    return ok;
}
