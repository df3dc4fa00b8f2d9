// The volume column and the effect column: what each command does to a
// channel on the row tick and on the other ticks of the row.
#include <cmath>
#include <cstdlib>
#include "player/commands.h"
#include "player/seq.h"

static int32_t at_most(int32_t value, int32_t high) { return value > high ? high : value; }
static int32_t at_least(int32_t value, int32_t low) { return value < low ? low : value; }

// Slides without a limit can run for hours on a looping song; they stop at the
// ends of the int32 range instead of wrapping round to the other end.
static int32_t add_saturated(int32_t value, int64_t delta) {
    const int64_t sum = static_cast<int64_t>(value) + delta;
    return sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : static_cast<int32_t>(sum);
}

// ---- shared steps ----

static void vibrato_offset(Channel* ch) {
    const int32_t p = ch->vibrato_position;
    int32_t a;
    if (seq_compatible) a = fx_tracker_wave(ch->wave_control & 3, p);
    else switch (ch->wave_control & 3) {
    case WAVE_SINE:
        a = static_cast<int32_t>(std::fabs(256.0 * std::sin(p * 2 * 0.049087375)));
        break;
    case WAVE_RAMP:
        a = p >= 0 ? 8 * p : 8 * -p - 1;
        break;
    default:  // square, in both of its numbers
        a = 255;
        break;
    }
    const int32_t d = ((a * ch->vibrato_depth) >> 5) & ~3;
    ch->period_offset = p >= 0 ? -d : d;
    ch->changes |= CHANGE_PITCH;
}

static void vibrato_advance(Channel* ch) {
    int32_t p = static_cast<int8_t>(ch->vibrato_position + ch->vibrato_speed);
    if (p > 31) p -= 64;
    ch->vibrato_position = static_cast<int8_t>(p);
}

static void porta_step(Channel* ch) {
    const int32_t step = 4 * ch->porta_speed;
    if (ch->period < ch->porta_target) ch->period = at_most(ch->period + step, ch->porta_target);
    else if (ch->period > ch->porta_target) ch->period = at_least(ch->period - step, ch->porta_target);
    ch->changes |= CHANGE_PITCH;
}

static void tremor_step(Channel* ch) {
    if (ch->tremor_counter >= ch->tremor_on) ch->volume_offset = -ch->volume;
    ch->tremor_counter++;
    if (ch->tremor_counter >= ch->tremor_on + ch->tremor_off) ch->tremor_counter = 0;
    ch->changes |= CHANGE_VOLUME;
}

// One step of a volume slide, of a channel's volume or the module's global
// one, by the slide's memory byte: x up to 64 when it is not 0, else y down to 0.
static void volume_slide(int32_t* volume, uint8_t memory) {
    const int32_t x = memory >> 4;
    const int32_t y = memory & 15;
    if (x != 0) *volume = at_most(*volume + x, 64);
    else *volume = at_least(*volume - y, 0);
}

static void remember(uint8_t* memory, uint8_t value) {
    if (value != 0) *memory = value;
}

// ---- volume column ----

void fx_row_volume(Channel* ch, uint8_t volume) {
    const uint8_t y = volume & 15;
    if (volume >= VOL_SET_LOWEST && volume <= VOL_SET_HIGHEST) {
        ch->volume = volume - VOL_SET_LOWEST;
        ch->tremor_muted = 0;
        ch->changes |= CHANGE_VOLUME;
        return;
    }
    const uint8_t command = volume >> 4;
    // The tracker's volume-column slides leave the row tick alone.
    if (seq_compatible && (command == VOL_SLIDE_DOWN || command == VOL_SLIDE_UP ||
                           command == VOL_PANNING_LEFT || command == VOL_PANNING_RIGHT))
        return;
    if (command >= VOL_SLIDE_DOWN && command <= VOL_FINE_UP) ch->tremor_muted = 0;
    switch (command) {
    case VOL_SLIDE_DOWN:
    case VOL_FINE_DOWN: ch->volume = at_least(ch->volume - y, 0); ch->changes |= CHANGE_VOLUME; break;
    case VOL_SLIDE_UP:
    case VOL_FINE_UP: ch->volume = at_most(ch->volume + y, 64); ch->changes |= CHANGE_VOLUME; break;
    case VOL_VIBRATO_SPEED: ch->vibrato_speed = y; break;
    case VOL_VIBRATO:
        ch->vibrato_depth = y;
        if (seq_compatible) vibrato_offset(ch);  // as 4xy, the row tick sounds the phase it stands at
        break;
    case VOL_SET_PANNING: ch->panning = 16 * y; ch->changes |= CHANGE_PANNING; break;
    case VOL_PANNING_LEFT: ch->panning = add_saturated(ch->panning, -y); ch->changes |= CHANGE_PANNING; break;
    case VOL_PANNING_RIGHT: ch->panning = add_saturated(ch->panning, y); ch->changes |= CHANGE_PANNING; break;
    case VOL_TONE_PORTA:
        if (y != 0) ch->porta_speed = static_cast<uint8_t>(16 * y);
        ch->porta_target = ch->note_period;
        ch->changes &= ~CHANGE_TRIGGER;
        break;
    default: break;
    }
}

// The tracker keeps a sliding panning within 0..255, and its slide to the
// left by 0 lands at the left end.
static void compatible_panning_slide(Channel* ch, uint8_t command, int32_t y) {
    if (command == VOL_PANNING_RIGHT) ch->panning = at_most(ch->panning + y, 255);
    else ch->panning = y == 0 ? 0 : at_least(ch->panning - y, 0);
    ch->changes |= CHANGE_PANNING;
}

void fx_tick_volume(Channel* ch, uint8_t volume) {
    const uint8_t y = volume & 15;
    const uint8_t command = volume >> 4;
    if (seq_compatible && (command == VOL_PANNING_LEFT || command == VOL_PANNING_RIGHT)) {
        compatible_panning_slide(ch, command, y);
        return;
    }
    if (command == VOL_SLIDE_DOWN || command == VOL_SLIDE_UP) ch->tremor_muted = 0;
    switch (command) {
    case VOL_SLIDE_DOWN: ch->volume = at_least(ch->volume - y, 0); ch->changes |= CHANGE_VOLUME; break;
    case VOL_SLIDE_UP: ch->volume = at_most(ch->volume + y, 64); ch->changes |= CHANGE_VOLUME; break;
    case VOL_VIBRATO:
        ch->vibrato_depth = y;
        vibrato_offset(ch);
        vibrato_advance(ch);
        break;
    case VOL_PANNING_LEFT: ch->panning = add_saturated(ch->panning, -y); ch->changes |= CHANGE_PANNING; break;
    case VOL_PANNING_RIGHT: ch->panning = add_saturated(ch->panning, y); ch->changes |= CHANGE_PANNING; break;
    case VOL_TONE_PORTA: porta_step(ch); break;
    default: break;
    }
}

// ---- effect column, row tick ----

static void sample_offset(Channel* ch, const Sample* sample) {
    // The tracker offsets only the note that starts in the same cell.
    if (seq_compatible && !(ch->changes & CHANGE_TRIGGER)) return;
    const uint64_t offset = static_cast<uint64_t>(ch->sample_offset_memory) * 256;
    const uint64_t end = static_cast<uint64_t>(sample->loop_start) + sample->loop_length;
    if (offset >= end) {
        ch->changes &= ~CHANGE_TRIGGER;
        ch->changes |= CHANGE_STOP;
    } else if (ch->voice) {
        ch->voice->start_offset = static_cast<uint32_t>(offset);
    }
}

static void row_extended(Module* module, Channel* ch, uint8_t x, uint8_t y, Sample* sample) {
    switch (x) {
    case EXT_FINE_PORTA_UP:
        remember(&ch->fine_porta_up_memory, y);
        ch->period = add_saturated(ch->period, -4 * ch->fine_porta_up_memory);
        break;
    case EXT_FINE_PORTA_DOWN:
        remember(&ch->fine_porta_down_memory, y);
        ch->period = add_saturated(ch->period, 4 * ch->fine_porta_down_memory);
        break;
    case EXT_VIBRATO_CONTROL: ch->wave_control = static_cast<uint8_t>((ch->wave_control & 0xF0) | y); break;
    case EXT_TREMOLO_CONTROL:
        if (seq_compatible) ch->wave_control = static_cast<uint8_t>((ch->wave_control & 0x0F) | y << 4);
        break;
    case EXT_RETRIGGER:
        if (seq_compatible && y == 0) ch->changes |= CHANGE_TRIGGER;  // E90 restarts the note at once
        break;
    case EXT_SET_FINETUNE:
        // the shared placeholder for a missing sample stays all zero
        if (sample != &empty_sample) sample->finetune = static_cast<int8_t>(y);
        break;
    case EXT_PATTERN_LOOP: seq_pattern_loop(module, ch, y); break;
    case EXT_SET_PANNING: ch->panning = 16 * y; ch->changes |= CHANGE_PANNING; break;
    case EXT_FINE_VOLUME_UP:
        ch->tremor_muted = 0;
        remember(&ch->fine_volume_slide_memory, y);
        ch->volume = at_most(ch->volume + ch->fine_volume_slide_memory, 64);
        ch->changes |= CHANGE_VOLUME;
        break;
    case EXT_FINE_VOLUME_DOWN:
        ch->tremor_muted = 0;
        remember(&ch->fine_volume_slide_memory, y);
        ch->volume = at_least(ch->volume - ch->fine_volume_slide_memory, 0);
        ch->changes |= CHANGE_VOLUME;
        break;
    case EXT_NOTE_DELAY: {
        if (seq_compatible && y == 0) break;  // a delay of 0 ticks plays the row as it is
        const SavedNoteState& saved = seq_saved[(ch >= channels && ch < channels + CHANNEL_COUNT) ? ch - channels : 0];
        ch->volume = saved.volume;
        ch->period = saved.period;
        ch->panning = saved.panning;
        ch->changes &= ~CHANGES_OF_NOTE;
        break;
    }
    case EXT_PATTERN_DELAY: seq_pattern_delay(module, y); break;
    default: break;
    }
}

void fx_row_effect(Module* module, Channel* ch, const Cell* cell,
                   Instrument* instrument, Sample* sample) {
    const uint8_t p = cell->param;
    const uint8_t x = p >> 4;
    const uint8_t y = p & 15;
    switch (cell->effect) {
    case FX_PORTA_UP: remember(&ch->porta_up_memory, p); break;
    case FX_PORTA_DOWN: remember(&ch->porta_down_memory, p); break;
    case FX_TONE_PORTA:
        // With a speed in the volume column as well, the tracker keeps that one.
        if (p != 0 && !(seq_compatible && (cell->volume >> 4) == VOL_TONE_PORTA && (cell->volume & 15) != 0))
            ch->porta_speed = p;
        ch->porta_target = ch->note_period;
        ch->changes &= ~(CHANGE_PITCH | CHANGE_TRIGGER);
        break;
    case FX_VIBRATO:
        if (x != 0) ch->vibrato_speed = x;
        if (y != 0) ch->vibrato_depth = y;
        vibrato_offset(ch);
        break;
    case FX_TONE_PORTA_VOLUME_SLIDE:
        ch->porta_target = ch->note_period;
        remember(&ch->volume_slide_memory, p);
        ch->changes &= ~(CHANGE_PITCH | CHANGE_TRIGGER);
        break;
    case FX_VIBRATO_VOLUME_SLIDE:
        remember(&ch->volume_slide_memory, p);
        vibrato_offset(ch);
        break;
    case FX_TREMOLO:
        if (!seq_compatible) break;
        if (x != 0) ch->tremolo_speed = x;
        if (y != 0) ch->tremolo_depth = y;
        fx_tremolo(ch, true);
        break;
    case FX_SET_PANNING: ch->panning = p; ch->changes |= CHANGE_PANNING; break;
    case FX_SAMPLE_OFFSET:
        if (p != 0) ch->sample_offset_memory = p;
        sample_offset(ch, sample);
        break;
    case FX_VOLUME_SLIDE: remember(&ch->volume_slide_memory, p); break;
    case FX_POSITION_JUMP: seq_position_jump(module, p); break;
    case FX_SET_VOLUME:
        ch->volume = at_most(p, 64);
        ch->tremor_muted = 0;
        break;
    case FX_PATTERN_BREAK: seq_pattern_break(module, p); break;
    case FX_EXTENDED: row_extended(module, ch, x, y, sample); break;
    case FX_SPEED: seq_set_speed(module, p); break;
    case FX_SET_GLOBAL_VOLUME: module->global_volume = at_most(p, 64); ch->changes |= CHANGE_VOLUME; break;
    case FX_GLOBAL_VOLUME_SLIDE: remember(&module->global_volume_slide_memory, p); break;
    case FX_ENVELOPE_POSITION:
        env_set_position(ch, instrument, p);
        // The tracker moves the panning envelope too, when the volume envelope has its sustain on.
        if (seq_compatible && (instrument->volume_type & ENV_SUSTAIN)) env_set_panning_position(ch, instrument, p);
        break;
    case FX_PANNING_SLIDE:
        if (p != 0) {
            ch->panning_slide_memory = p;
            ch->changes |= CHANGE_PANNING;
        }
        break;
    case FX_MULTI_RETRIGGER:
        if (p != 0) {
            ch->retrig_volume_change = x;
            ch->retrig_interval = y;
        }
        if (seq_compatible) fx_multi_retrigger(ch, true, (ch->changes & CHANGE_TRIGGER) != 0);
        break;
    case FX_TREMOR:
        if (p != 0) {
            ch->tremor_on = static_cast<uint8_t>(x + 1);
            ch->tremor_off = static_cast<uint8_t>(y + 1);
        }
        if (!seq_compatible) tremor_step(ch);
        break;
    case FX_EXTRA_FINE_PORTA:
        if (x == XFINE_UP) {
            remember(&ch->extra_fine_up_memory, y);
            ch->period = add_saturated(ch->period, -ch->extra_fine_up_memory);
        } else if (x == XFINE_DOWN) {
            remember(&ch->extra_fine_down_memory, y);
            ch->period = add_saturated(ch->period, ch->extra_fine_down_memory);
        }
        break;
    default: break;
    }
}

// ---- effect column, other ticks ----

static void arpeggio(const Module* module, Channel* ch, uint8_t p, const Sample* sample) {
    const int32_t phase = seq_compatible ? fx_arpeggio_note(module) : module->tick % 3;
    const int32_t n = phase == 1 ? (p >> 4) : phase == 2 ? (p & 15) : 0;
    if (n != 0) {
        if (module->flags & MODULE_LINEAR_TABLE) ch->period_offset = 64 * n;
        else ch->period_offset = period_amiga(ch->real_note + n, sample->finetune) -
                                 period_amiga(ch->real_note, sample->finetune);
    }
    ch->changes |= CHANGE_PITCH;
}

static void multi_retrigger(const Module* module, Channel* ch) {
    if (seq_compatible) {
        fx_multi_retrigger(ch, false, false);
        return;
    }
    if (ch->retrig_interval == 0 || module->tick % ch->retrig_interval != 0) return;
    fx_retrigger_note(ch);
}

void fx_retrigger_note(Channel* ch) {
    int32_t v = ch->volume;
    static const int8_t steps[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    switch (ch->retrig_volume_change) {
    case 6: v = 2 * v / 3; break;
    case 7: v = v / 2; break;
    case 14: v = 3 * v / 2; break;
    case 15: v = 2 * v; break;
    default: v += steps[ch->retrig_volume_change & 15]; break;
    }
    if (ch->retrig_volume_change != 0) {
        ch->volume = at_least(at_most(v, 64), 0);
        ch->tremor_muted = 0;
        ch->changes |= CHANGE_VOLUME;
    }
    ch->changes |= CHANGE_TRIGGER;
}

static void note_delay(Channel* ch, const Cell* cell, Sample* sample) {
    // The tracker's delayed note keeps the channel's volume unless the cell names an instrument.
    if (!seq_compatible || cell->instrument != 0) seq_start_instrument(ch, sample);
    ch->period = ch->note_period;
    ch->changes |= CHANGE_PITCH;
    if (cell->volume != 0) fx_row_volume(ch, cell->volume);
    ch->changes |= CHANGE_TRIGGER;
}

static void tick_extended(const Module* module, Channel* ch, const Cell* cell, Sample* sample) {
    const uint8_t x = cell->param >> 4;
    const uint8_t y = cell->param & 15;
    switch (x) {
    case EXT_RETRIGGER:
        if (y != 0 && module->tick % y == 0) ch->changes |= CHANGE_PITCH | CHANGE_VOLUME | CHANGE_TRIGGER;
        break;
    case EXT_NOTE_CUT:
        if (module->tick == y) {
            ch->volume = 0;
            ch->changes |= CHANGE_VOLUME;
        }
        break;
    case EXT_NOTE_DELAY:
        if (seq_compatible && y == 0) break;
        if (module->tick == y) note_delay(ch, cell, sample);
        else ch->changes &= ~CHANGES_OF_NOTE;
        break;
    default: break;
    }
}

static void panning_slide(Channel* ch) {
    const int32_t x = ch->panning_slide_memory >> 4;
    const int32_t y = ch->panning_slide_memory & 15;
    if (x != 0) ch->panning = at_most(ch->panning + x, 255);
    else if (y != 0) ch->panning = at_least(ch->panning - y, 0);
    ch->changes |= CHANGE_PANNING;
}

static void channel_volume_slide(Channel* ch) {
    volume_slide(&ch->volume, ch->volume_slide_memory);
    ch->tremor_muted = 0;
    ch->changes |= CHANGE_VOLUME;
}

// Kxx of the compatible profile: a key-off on tick xx (tick 0 is the row's,
// handled with the row's note). Without a volume envelope it silences the note.
static void key_off_tick(const Module* module, Channel* ch, uint8_t param, const Instrument* instrument) {
    if (module->tick != param) return;
    ch->key_off = 1;
    if (!(instrument->volume_type & ENV_ON)) ch->volume_env.value = 0;
    ch->changes |= CHANGE_VOLUME;
}

void fx_tick_effect(Module* module, Channel* ch, const Cell* cell,
                    Instrument* instrument, Sample* sample) {
    switch (cell->effect) {
    case FX_ARPEGGIO:
        if (cell->param != 0) arpeggio(module, ch, cell->param, sample);
        break;
    case FX_PORTA_UP:
        ch->period = at_least(add_saturated(ch->period, -4 * ch->porta_up_memory), 56);
        ch->changes |= CHANGE_PITCH;
        break;
    case FX_PORTA_DOWN:
        ch->period = add_saturated(ch->period, 4 * ch->porta_down_memory);
        ch->changes |= CHANGE_PITCH;
        break;
    case FX_TONE_PORTA: porta_step(ch); break;
    case FX_VIBRATO: vibrato_offset(ch); vibrato_advance(ch); break;
    case FX_TONE_PORTA_VOLUME_SLIDE:
        porta_step(ch);
        channel_volume_slide(ch);
        break;
    case FX_VIBRATO_VOLUME_SLIDE:
        vibrato_offset(ch);
        vibrato_advance(ch);
        channel_volume_slide(ch);
        break;
    case FX_TREMOLO:
        if (seq_compatible) fx_tremolo(ch, false);
        break;
    case FX_VOLUME_SLIDE: channel_volume_slide(ch); break;
    case FX_EXTENDED: tick_extended(module, ch, cell, sample); break;
    // No change bit: each channel takes the new global volume when it next
    // recomputes its own.
    case FX_GLOBAL_VOLUME_SLIDE: volume_slide(&module->global_volume, module->global_volume_slide_memory); break;
    case FX_PANNING_SLIDE: panning_slide(ch); break;
    case FX_KEY_OFF:
        if (seq_compatible) key_off_tick(module, ch, cell->param, instrument);
        break;
    case FX_MULTI_RETRIGGER: multi_retrigger(module, ch); break;
    case FX_TREMOR:
        if (seq_compatible) fx_tremor(ch);
        else tremor_step(ch);
        break;
    default: break;
    }
}
