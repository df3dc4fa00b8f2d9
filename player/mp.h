// The module player's public face: the module stream, loading, output and
// the song position of what is audible now.
#pragma once
#include <cstdint>

struct Module;

// The five module-stream callbacks through which the loader reads a module.
typedef void* (*StreamOpenFn)(const void* name);
typedef void (*StreamCloseFn)(void* handle);
typedef int32_t (*StreamReadFn)(void* destination, int32_t count, void* handle);
typedef void (*StreamSeekFn)(void* handle, int32_t offset, uint8_t mode);
typedef int32_t (*StreamTellFn)(void* handle);

// Fills `buffer` with `bytes` bytes of plain signed PCM of width `bits` for
// sample `sample` of instrument `instrument` (both counted from 0).
typedef void (*SampleDataFn)(void* buffer, int32_t bytes, int32_t bits,
                             int32_t instrument, int32_t sample);

// Registers the stream; a null callback clears all five.
void mp_set_stream(StreamOpenFn open, StreamCloseFn close, StreamReadFn read,
                   StreamSeekFn seek, StreamTellFn tell);

// Reads a module through the stream; null when it cannot be opened or is refused.
Module* mp_load(const void* name, SampleDataFn on_sample_data);

// How a module plays: `defined` is this player's own exact rules, which the
// demo's module is written for; `compatible` plays modules made by others as
// the tracker they were made in does. A loaded module starts as `defined`.
enum MpProfile : uint8_t { MP_PROFILE_DEFINED = 0, MP_PROFILE_COMPATIBLE = 1 };
// Sets the profile the module plays with from its next start. False for null,
// an unknown profile, or the module that is playing now.
bool mp_set_profile(Module* module, MpProfile profile);

// Why the last mp_load returned null: the field refused, the value found and
// the limit it breaks, and all of it in words. `field` is empty after a load
// that succeeded. Instruments count from 1, patterns from 0.
struct LoadRefusal {
    char field[48];
    int64_t value;
    int64_t limit;
    char reason[160];
};
const LoadRefusal* mp_load_refusal();
// Where instrument `instrument` (from 0) of the last module loaded starts in
// its stream - its header, name and sample headers follow - for tools that
// show them; -1 when there is none.
int32_t mp_load_instrument_at(int32_t instrument);
// Bytes of sample headers and sample data the last module loaded lacks
// because its stream ended first: a file cut off there loads with what is
// there. (Files that end early inside the headers of empty instruments at
// the end are common and lose nothing; they do not count.)
int64_t mp_load_missing_bytes();
// Stops playback and releases the module; false for null.
bool mp_free(Module* module);

// Opening and closing a sound device: in the player_devices library, which
// offline users of the player (mp_render.h) do without.
bool mp_open_output(int32_t rate);
void mp_close_output();
bool mp_start(Module* module);
bool mp_stop(Module* module);

// Song position of the output block that is audible now; 0 for null.
int32_t mp_get_order(const Module* module);
int32_t mp_get_row(const Module* module);
int32_t mp_get_time(const Module* module);
