// The records of a loaded module: Module, Pattern, Instrument, Sample.
// Shared by the loader, the sequencer, the mixer and the output.
#pragma once
#include <cstdint>
#include "player/mp.h"

// One pattern cell, five bytes as in the file (note 0xFF is key-off).
struct Cell {
    uint8_t note;        // 0 none, 1..96 a note, NOTE_KEY_OFF
    uint8_t instrument;  // 0 none, 1..128
    uint8_t volume;      // volume-column byte
    uint8_t effect;      // effect type 0..35
    uint8_t param;       // effect parameter
};
static_assert(sizeof(Cell) == 5, "a cell is five bytes");

constexpr uint8_t NOTE_KEY_OFF = 0xFF;  // the file's note 97

struct Pattern {
    int32_t rows;
    Cell* cells;  // rows * channel_count, row by row, channel 0 first
};

struct EnvelopePoint {
    uint16_t x;  // tick
    uint16_t y;  // value
};

struct Sample {
    int16_t* data;          // length + 8 frames; null when length is 0
    uint32_t length;        // frames
    uint32_t loop_start;    // frames
    uint32_t loop_length;   // frames; never 0 after loading
    uint8_t volume;         // 0..64
    int8_t finetune;
    uint32_t panning;       // 0..255
    uint8_t bits;           // 16 after loading
    uint8_t loop_kind;      // LOOP_NONE, LOOP_FORWARD or LOOP_PINGPONG
    int8_t relative_note;
    uint32_t loop_copies_end;  // a short forward loop repeats in data up to here (0: no copies)
};

// Sample::loop_kind.
enum : uint8_t { LOOP_NONE = 1, LOOP_FORWARD = 2, LOOP_PINGPONG = 4 };

// Bits of Instrument::volume_type and panning_type.
enum : uint8_t { ENV_ON = 1, ENV_SUSTAIN = 2, ENV_LOOP = 4 };

// Instrument::vibrato_type, the auto-vibrato's waveform.
enum : uint8_t { AUTOVIB_SINE = 0, AUTOVIB_SQUARE = 1, AUTOVIB_RAMP_DOWN = 2, AUTOVIB_RAMP_UP = 3 };

// Samples an instrument may hold: as many as a sample-map byte can name. The
// defined profile plays the first 16 slots only.
constexpr int32_t INSTRUMENT_SAMPLES = 256;

struct Instrument {
    int32_t sample_count;  // 0..INSTRUMENT_SAMPLES
    Sample* samples[INSTRUMENT_SAMPLES];  // slots from sample_count on point at empty_sample
    uint8_t sample_map[96];
    EnvelopePoint volume_envelope[12];
    EnvelopePoint panning_envelope[12];
    uint8_t volume_point_count;
    uint8_t panning_point_count;
    uint8_t volume_sustain_point;
    uint8_t volume_loop_start;
    uint8_t volume_loop_end;
    uint8_t panning_sustain_point;
    uint8_t panning_loop_start;
    uint8_t panning_loop_end;
    uint8_t volume_type;   // ENV_ON, ENV_SUSTAIN, ENV_LOOP
    uint8_t panning_type;
    uint8_t vibrato_type;  // AUTOVIB_SINE ..
    uint8_t vibrato_sweep;
    uint8_t vibrato_depth;
    uint8_t vibrato_rate;
    uint16_t fadeout;      // the file's value doubled
};

struct Module {
    Pattern* patterns;
    Instrument* instruments;
    int32_t tick_samples_left;
    int32_t samples_per_tick;
    int16_t song_length;
    int16_t restart_position;
    int16_t channel_count;
    int32_t used_pattern_count;
    int32_t pattern_count;
    int16_t instrument_count;
    int16_t flags;          // MODULE_LINEAR_TABLE
    int16_t default_speed;
    int16_t default_bpm;
    uint8_t orders[256];
    uint8_t initial_global_volume;
    int32_t global_volume;
    uint8_t global_volume_slide_memory;
    int32_t tick;
    int32_t speed;
    int32_t bpm;
    int32_t row;
    int32_t order;
    int32_t pattern_delay_ticks;
    int32_t next_row;
    int32_t next_order;
    int32_t elapsed_ms;
    void (*on_tick)(Module* module);
    SampleDataFn on_sample_data;
    uint8_t profile;        // MpProfile, read by the sequencer
};

// Bits of Module::flags.
enum : int16_t { MODULE_LINEAR_TABLE = 1 };  // linear periods, else the Amiga table

// The shared all-zero sample that stands for a missing one; never released.
extern Sample empty_sample;

// Loader internals, reachable for tests.
struct StreamRecord;
bool load_xm(Module* module, StreamRecord* stream);
