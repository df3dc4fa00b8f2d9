// What the loader's two files share: the state of one load and the reading
// of instruments and sample data. Player-internal.
#pragma once
#include <cstdint>
#include "platform/le_bytes.h"
#include "player/module.h"
#include "player/stream.h"

constexpr int32_t MAX_INSTRUMENTS = 128;
constexpr int32_t MAX_SAMPLES = INSTRUMENT_SAMPLES;

// Facts about each sample's stored bytes that the Sample record does not keep.
struct LoadState {
    Module* module;
    StreamRecord* stream;
    uint32_t stored_bytes[MAX_INSTRUMENTS][MAX_SAMPLES];  // bytes the file holds for it
    uint8_t packed[MAX_INSTRUMENTS][MAX_SAMPLES];         // 4-bit delta-table packing
};

// Reads the instrument and sample headers; with `with_data`, each
// instrument's sample data right after its headers. False to refuse.
bool load_instruments(LoadState* load, bool with_data);
// Reads the sample data of one instrument from the current position.
bool load_sample_data(LoadState* load, int32_t instrument);
// Releases everything a module holds, without touching playback.
void release_module(Module* module);

// Record why the module is refused and return false, for the caller to pass
// on. The reason reads "<field> is <value>, <relation> <limit>".
bool load_refuse(int64_t value, const char* relation, int64_t limit, const char* field_format, ...)
    __attribute__((format(printf, 4, 5)));
// The same for what has no number to it.
bool load_refuse_text(const char* field, const char* reason);
// Where each instrument of the module being loaded starts; -1 for none.
extern int32_t load_instrument_at[MAX_INSTRUMENTS];
// Bytes of the instruments' sample headers and sample data that the stream
// ended before: what a file cut off has lost of its sound.
extern int64_t load_missing_bytes;

