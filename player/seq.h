// The sequencer's state and its helpers: the channel table, the tick handler,
// the effect passes, pitch tables, envelopes and auto-vibrato. Player-internal.
#pragma once
#include <cstdint>
#include "player/mixer.h"
#include "player/module.h"

struct EnvelopeState {
    int32_t tick;         // envelope time in ticks
    int32_t point;        // next point to reach
    int32_t value_fixed;  // 16.16
    int32_t value;        // whole value: volume 0..64, panning 0..64 (32 centre)
    int32_t slope;        // change of value_fixed per tick, 16.16
    uint8_t finished;     // 1 once the last point has been reached
};

// Bits of Channel::changes, collected during one tick for the voice update.
enum : uint8_t {
    CHANGE_PITCH = 1,
    CHANGE_VOLUME = 2,
    CHANGE_PANNING = 4,
    CHANGE_TRIGGER = 8,
    CHANGE_STOP = 32,
    // the four that a note delay holds back until its tick
    CHANGES_OF_NOTE = CHANGE_PITCH | CHANGE_VOLUME | CHANGE_PANNING | CHANGE_TRIGGER,
};

// The pitch and the side volumes the voice update worked out last, with what
// they were worked out from: most ticks give a voice those of the tick before.
// A law of 0 stands for nothing kept yet.
struct VoiceMemo {
    int32_t period;           // period and this tick's offset
    int32_t period_offset;
    uint32_t rate;            // output rate
    uint8_t pitch_law;        // table and lowest frequency, 1..4
    uint8_t pan_law;          // 1 linear, 2 square root
    uint8_t left_volume;
    uint8_t right_volume;
    int32_t frequency;
    uint32_t step;
    uint32_t step_fraction;
    int32_t volume;           // voice volume and panning
    int32_t panning;
};

struct Channel {
    uint8_t note;            // 0-based; indexes the instrument's sample_map
    uint8_t changes;
    Voice* voice;
    // What `instrument` and `note` select (seq_select), kept from the row
    // tick that last set them for the other ticks of the row.
    Instrument* selected_instrument;
    Sample* selected_sample;
    int32_t period;
    int32_t volume;          // 0..64
    int32_t panning;         // 0..255, slides may leave the range
    int32_t volume_offset;   // this tick only (tremor)
    int32_t period_offset;   // this tick only (vibrato, arpeggio, auto-vibrato)
    EnvelopeState volume_env;
    EnvelopeState panning_env;
    int32_t fadeout_volume;  // 65536 after an instrument start
    int32_t autovib_position;
    int32_t autovib_sweep;
    uint8_t key_off;
    uint8_t instrument;      // 0-based
    uint8_t real_note;
    int32_t note_period;
    int32_t sample_offset_memory;
    uint8_t porta_down_memory;
    uint8_t porta_up_memory;
    uint8_t extra_fine_down_memory;
    uint8_t extra_fine_up_memory;
    uint8_t volume_slide_memory;
    uint8_t panning_slide_memory;
    uint8_t retrig_volume_change;
    uint8_t retrig_interval;
    int32_t porta_target;
    uint8_t porta_speed;
    int8_t vibrato_position;  // -32..31
    uint8_t vibrato_speed;
    uint8_t vibrato_depth;
    uint8_t tremor_counter;
    uint8_t tremor_on;
    uint8_t tremor_off;
    int32_t loop_row;
    int32_t loop_count;
    uint8_t wave_control;
    uint8_t fine_volume_slide_memory;
    uint8_t fine_porta_up_memory;
    uint8_t fine_porta_down_memory;
    // Kept by the compatible profile only.
    int8_t tremolo_position;  // -32..31, as the vibrato's
    uint8_t tremolo_speed;
    uint8_t tremolo_depth;
    uint8_t tremor_muted;     // 1 from a muted tremor tick until the volume is set again
    uint8_t retrig_count;     // ticks counted towards the next multi-retrigger
    VoiceMemo memo;
};

constexpr int CHANNEL_COUNT = 32;
extern Channel channels[CHANNEL_COUNT];
extern Instrument empty_instrument;
// The playing module's profile is the compatible one; seq_tick sets it at every tick.
extern bool seq_compatible;

// Volume, period and panning as they were before a row's cell was applied;
// the note delay puts them back.
struct SavedNoteState {
    int32_t volume;
    int32_t period;
    int32_t panning;
};
extern SavedNoteState seq_saved[CHANNEL_COUNT];

// ---- sequencer (seq.cpp, seq_voice.cpp) ----
void seq_set_bpm(Module* module, int32_t bpm);
// Puts the song at its start: playback fields from the module's defaults, and
// the first channel_count channels (at most 32) cleared and bound to their voices.
void seq_rewind(Module* module);
void seq_tick(Module* module);
// The row the next pattern starts at in the compatible profile: where the
// last pattern-loop jump of this order position went, else 0.
int32_t seq_next_pattern_row();
void seq_process_row(Module* module);
void seq_process_tick(Module* module);
void seq_start_instrument(Channel* channel, Sample* sample);
// The part of an instrument start that sets the sample's volume and panning again.
void seq_reset_volume(Channel* channel, const Sample* sample);
void seq_update_voice(Channel* channel, Sample* sample, Module* module);
// The instrument and sample a channel's `instrument` and `note` select.
void seq_select(const Module* module, const Channel* channel,
                Instrument** instrument, Sample** sample);
// The cell of a channel in the current row, or null when there is none.
const Cell* seq_current_cell(const Module* module, int32_t channel);

// Song-position effects (row tick only).
void seq_position_jump(Module* module, uint8_t param);
void seq_pattern_break(Module* module, uint8_t param);
void seq_pattern_loop(Module* module, Channel* channel, uint8_t y);
void seq_pattern_delay(Module* module, uint8_t y);
void seq_set_speed(Module* module, uint8_t param);

// ---- effects (effects.cpp) ----
void fx_row_volume(Channel* channel, uint8_t volume);
void fx_tick_volume(Channel* channel, uint8_t volume);
void fx_row_effect(Module* module, Channel* channel, const Cell* cell,
                   Instrument* instrument, Sample* sample);
void fx_tick_effect(Module* module, Channel* channel, const Cell* cell,
                    Instrument* instrument, Sample* sample);
// The multi-retrigger's restart: the volume change of the last R, then the trigger.
void fx_retrigger_note(Channel* channel);

// ---- pitch (period.cpp) ----
int32_t period_linear(int32_t note, int32_t finetune);
int32_t period_amiga(int32_t note, int32_t finetune);
int32_t period_frequency(int32_t period, int32_t offset, bool linear);

// ---- envelopes (envelope.cpp) ----
void env_step(Channel* channel, EnvelopeState* state, const EnvelopePoint* points,
              uint8_t count, uint8_t sustain, uint8_t loop_start,
              uint8_t loop_end, uint8_t type, uint8_t change_bit);
// A tick of both envelopes and of the fadeout after a key-off.
// `cut_on_key_off`: the defined profile silences a key-off note without volume
// envelope on every row tick; the compatible one once, where the key-off comes.
void env_tick(Channel* channel, const Instrument* instrument, bool cut_on_key_off);
void env_set_position(Channel* channel, const Instrument* instrument, int32_t t);
// The same for the panning envelope, when it is on.
void env_set_panning_position(Channel* channel, const Instrument* instrument, int32_t t);

// ---- the compatible profile's own steps (effects_compat.cpp) ----
// The waveform of a vibrato or tremolo at phase p (-32..31) as 0..255, from the
// tracker's quarter sine table.
int32_t fx_tracker_wave(uint8_t waveform, int32_t p);
// Which arpeggio note a tick plays: 0 the base, 1 the x, 2 the y.
int32_t fx_arpeggio_note(const Module* module);
// Tremolo: on the row tick only `row`, which applies the phase without moving it.
void fx_tremolo(Channel* channel, bool row);
void fx_tremor(Channel* channel);
// One tick of the multi-retrigger, row tick included; `note` when the row starts a note.
void fx_multi_retrigger(Channel* channel, bool row, bool note);

// ---- auto-vibrato (autovib.cpp) ----
void autovib_step(Channel* channel, const Instrument* instrument);
