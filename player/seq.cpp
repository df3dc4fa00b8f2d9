// The tick handler: tempo, the row and tick passes over the channel table,
// instrument start and the song-position effects.
#include <cstring>
#include "player/commands.h"
#include "player/output_settings.h"
#include "player/seq.h"

Channel channels[CHANNEL_COUNT];
Instrument empty_instrument;
SavedNoteState seq_saved[CHANNEL_COUNT];
bool seq_compatible = false;

// Per-row markers of the song-position effects.
static bool jump_seen = false;
static int32_t loop_channel = -1;  // channel that asked for a pattern-loop jump
// The compatible profile's next pattern starts at the row the last
// pattern-loop jump went to, as the tracker's does; 0 without one.
static int32_t loop_carry_row = 0;

static const Cell no_cell = {0, 0, 0, 0, 0};

int32_t seq_next_pattern_row() { return loop_carry_row; }

// ---- tempo ----

void seq_set_bpm(Module* module, int32_t bpm) {
    module->bpm = bpm;
    // A BPM of 0 or below has no tempo; it plays as BPM 1, the slowest there is.
    const double b = bpm < 1 ? 1.0 : static_cast<double>(bpm);
    // 0.4f and 0.001f lie slightly above their decimal values; the result
    // then equals trunc(2.5 * rate / bpm) for every BPM 1..255 at 44100 Hz.
    const double frames = 1000.0 / (b * static_cast<double>(0.4f)) *
                          static_cast<double>(output_settings.output_rate) * static_cast<double>(0.001f);
    int32_t n = frames >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(frames);
    // The renderer needs at least one frame per tick to make progress.
    module->samples_per_tick = n < 1 ? 1 : n;
}

void seq_rewind(Module* module) {
    module->next_order = -1;
    module->next_row = -1;
    module->global_volume = module->initial_global_volume;
    module->speed = module->default_speed;
    module->row = 0;
    module->order = 0;
    module->tick_samples_left = 0;
    module->tick = 0;
    module->pattern_delay_ticks = 0;
    module->elapsed_ms = 0;
    loop_carry_row = 0;
    seq_set_bpm(module, module->default_bpm);

    const int32_t count = module->channel_count < CHANNEL_COUNT ? module->channel_count : CHANNEL_COUNT;
    for (int32_t i = 0; i < count; i++) {
        std::memset(&channels[i], 0, sizeof channels[i]);
        channels[i].voice = &voices[i];
        voices[i].index = i;
    }
}

// ---- positions and cells ----

static const Pattern* current_pattern(const Module* module) {
    if (module->order < 0 || module->order >= 256 || !module->patterns) return nullptr;
    const int32_t number = module->orders[module->order];
    if (number >= module->pattern_count) return nullptr;
    return &module->patterns[number];
}

// A missing pattern counts as one of no rows.
static int32_t current_rows(const Module* module) {
    const Pattern* pattern = current_pattern(module);
    return pattern ? pattern->rows : 0;
}

// The current row's first cell; the channels' loops look it up once a tick.
static const Cell* current_row(const Module* module) {
    const Pattern* pattern = current_pattern(module);
    if (!pattern || !pattern->cells || module->row < 0 || module->row >= pattern->rows) return nullptr;
    return &pattern->cells[module->row * module->channel_count];
}

const Cell* seq_current_cell(const Module* module, int32_t channel) {
    const Cell* row = current_row(module);
    return row ? row + channel : nullptr;
}

static int32_t active_channels(const Module* module) {
    if (module->channel_count < 0) return 0;
    return module->channel_count < CHANNEL_COUNT ? module->channel_count : CHANNEL_COUNT;
}

void seq_select(const Module* module, const Channel* channel,
                Instrument** instrument, Sample** sample) {
    if (channel->instrument >= module->instrument_count || !module->instruments) {
        *instrument = &empty_instrument;
        *sample = &empty_sample;
        return;
    }
    Instrument* instr = &module->instruments[channel->instrument];
    const int32_t k = channel->note < 96 ? instr->sample_map[channel->note] : INSTRUMENT_SAMPLES;
    // The defined profile knows 16 slots; the compatible one all a map entry can name.
    const int32_t slots = module->profile == MP_PROFILE_COMPATIBLE ? INSTRUMENT_SAMPLES : 16;
    Sample* s = k < slots ? instr->samples[k] : nullptr;
    *instrument = instr;
    *sample = s ? s : &empty_sample;
}

// ---- the tick handler ----

static int32_t song_restart(const Module* module) {
    // A restart position outside the song would leave the order list.
    if (module->restart_position < 0 || module->restart_position >= module->song_length) return 0;
    return module->restart_position;
}

void seq_tick(Module* module) {
    seq_compatible = module->profile == MP_PROFILE_COMPATIBLE;
    if (module->tick == 0) {
        if (module->next_order >= 0) {
            module->order = module->next_order;
            loop_carry_row = 0;
        }
        if (module->next_row >= 0) module->row = module->next_row;
        // A break into a shorter pattern starts that pattern at its top.
        if (module->row >= current_rows(module)) module->row = 0;
        seq_process_row(module);
        if (module->next_row == -1) {
            const int32_t r = loop_channel >= 0 ? channels[loop_channel].loop_row : module->row + 1;
            if (loop_channel >= 0) loop_carry_row = r;
            module->next_row = r;
            if (r >= current_rows(module)) {
                int32_t next = module->order + 1;
                if (next >= module->song_length) next = song_restart(module);
                module->next_order = next;
                module->next_row = seq_compatible ? loop_carry_row : 0;
            }
        }
    } else {
        seq_process_tick(module);
    }
    module->tick++;
    if (module->tick >= module->speed + module->pattern_delay_ticks) {
        module->tick = 0;
        module->pattern_delay_ticks = 0;
    }
}

// ---- row and tick passes ----

// Notes 97..254 lie beyond the sample map and the pitch tables; they count as no note.
static bool is_note(uint8_t note) { return note >= 1 && note <= 96; }

static void process_row_channel(Module* module, const Cell* row, int32_t c) {
    Channel* ch = &channels[c];
    const Cell& cell = row ? row[c] : no_cell;
    const bool porta = cell.effect == FX_TONE_PORTA || cell.effect == FX_TONE_PORTA_VOLUME_SLIDE ||
                       (cell.volume >> 4) == VOL_TONE_PORTA;
    // The tracker takes K00 for a key-off in place of the cell's note; its
    // other K commands wait for their tick.
    const bool key_off_00 = seq_compatible && cell.effect == FX_KEY_OFF && cell.param == 0;
    const bool key_off = cell.note == NOTE_KEY_OFF || key_off_00 || (!seq_compatible && cell.effect == FX_KEY_OFF);
    const bool note = is_note(cell.note) && !key_off_00;

    const bool new_instrument = cell.instrument != 0 && !porta;
    const bool new_note = note && !porta;
    if (new_instrument) ch->instrument = static_cast<uint8_t>(cell.instrument - 1);
    if (new_note) ch->note = static_cast<uint8_t>(cell.note - 1);
    if (new_instrument || new_note || !ch->selected_sample)
        seq_select(module, ch, &ch->selected_instrument, &ch->selected_sample);
    Instrument* instr = ch->selected_instrument;
    Sample* sample = ch->selected_sample;

    seq_saved[c] = {ch->volume, ch->period, ch->panning};
    ch->volume_offset = 0;
    ch->changes = 0;
    if (note) {
        ch->real_note = static_cast<uint8_t>(cell.note + sample->relative_note - 1);
        ch->note_period = (module->flags & MODULE_LINEAR_TABLE) ? period_linear(ch->real_note, sample->finetune)
                                              : period_amiga(ch->real_note, sample->finetune);
        if (!porta) ch->period = ch->note_period;
        ch->changes = CHANGE_TRIGGER;
    }
    ch->period_offset = 0;
    ch->changes |= CHANGE_PITCH | CHANGE_VOLUME;
    if (cell.instrument != 0) {
        // The tracker's key-off with an instrument only sets the sample's volume and panning again.
        if (seq_compatible && key_off) seq_reset_volume(ch, sample);
        else seq_start_instrument(ch, sample);
    }
    if (cell.volume != 0) fx_row_volume(ch, cell.volume);
    if (key_off) {
        ch->key_off = 1;
        if (seq_compatible && cell.instrument == 0 && !(instr->volume_type & ENV_ON)) ch->volume_env.value = 0;
    }
    env_tick(ch, instr, !seq_compatible);
    if (cell.effect != 0 || cell.param != 0) fx_row_effect(module, ch, &cell, instr, sample);
    autovib_step(ch, instr);
    seq_update_voice(ch, sample, module);
}

void seq_process_row(Module* module) {
    module->next_row = -1;
    module->next_order = -1;
    jump_seen = false;
    loop_channel = -1;
    const int32_t count = active_channels(module);
    const Cell* row = current_row(module);
    for (int32_t c = 0; c < count; c++) process_row_channel(module, row, c);
}

void seq_process_tick(Module* module) {
    const int32_t count = active_channels(module);
    const Cell* row = current_row(module);
    for (int32_t c = 0; c < count; c++) {
        Channel* ch = &channels[c];
        const Cell& cell = row ? row[c] : no_cell;
        // A channel no row tick has reached yet selects now.
        if (!ch->selected_sample) seq_select(module, ch, &ch->selected_instrument, &ch->selected_sample);
        Instrument* instr = ch->selected_instrument;
        Sample* sample = ch->selected_sample;
        ch->volume_offset = 0;
        ch->period_offset = 0;
        ch->changes = 0;
        env_tick(ch, instr, false);
        // Empty cells and set-volume commands do nothing after the row tick.
        if ((cell.volume >> 4) >= VOL_SLIDE_DOWN) fx_tick_volume(ch, cell.volume);
        if (cell.effect != 0 || cell.param != 0) fx_tick_effect(module, ch, &cell, instr, sample);
        autovib_step(ch, instr);
        seq_update_voice(ch, sample, module);
    }
}

void seq_reset_volume(Channel* ch, const Sample* sample) {
    ch->volume = sample->volume;
    ch->panning = static_cast<int32_t>(sample->panning);
    ch->tremor_muted = 0;
    ch->changes |= CHANGE_VOLUME | CHANGE_PANNING;
}

void seq_start_instrument(Channel* ch, Sample* sample) {
    seq_reset_volume(ch, sample);
    ch->volume_env.value = 64;
    ch->volume_env.point = 0;
    ch->volume_env.tick = 0;
    ch->volume_env.slope = 0;
    ch->volume_env.finished = 0;
    ch->panning_env.value = 32;
    ch->panning_env.point = 0;
    ch->panning_env.tick = 0;
    ch->panning_env.slope = 0;
    ch->panning_env.finished = 0;
    ch->key_off = 0;
    ch->fadeout_volume = 65536;
    ch->autovib_sweep = 0;
    ch->autovib_position = 0;
    // wave_control bit 2 (and 3) keep the vibrato's phase across notes
    if ((ch->wave_control & 0x0F) < 4) ch->vibrato_position = 0;
    if ((ch->wave_control >> 4) < 4) ch->tremolo_position = 0;
    ch->tremor_counter = 0;
}

// ---- song-position effects ----

void seq_position_jump(Module* module, uint8_t param) {
    module->next_row = 0;
    module->next_order = param < module->song_length ? param : 0;
    jump_seen = true;
}

void seq_pattern_break(Module* module, uint8_t param) {
    int32_t target = 10 * (param >> 4) + (param & 15);
    if (target > 63) target = 0;
    module->next_row = target;
    if (!jump_seen) {
        const int32_t next = module->order + 1;
        // a break past the end starts the order list again, not the restart position
        module->next_order = next < module->song_length ? next : 0;
    }
}

void seq_pattern_loop(Module* module, Channel* ch, uint8_t y) {
    if (y == 0) {
        ch->loop_row = module->row;
        return;
    }
    if (ch->loop_count == 0) ch->loop_count = y;
    else ch->loop_count--;
    const bool in_table = ch >= channels && ch < channels + CHANNEL_COUNT;
    if (ch->loop_count != 0 && in_table) loop_channel = static_cast<int32_t>(ch - channels);
}

void seq_pattern_delay(Module* module, uint8_t y) {
    module->pattern_delay_ticks = y * module->speed;
}

void seq_set_speed(Module* module, uint8_t param) {
    if (param == 0 && seq_compatible) return;  // the tracker ignores F00
    if (param < 32) module->speed = param;
    else seq_set_bpm(module, param);
}
