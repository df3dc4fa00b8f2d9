// The volume column and the effect column: what each command does to a
// channel on the row tick and on the other ticks of the row.
#include <cmath>
#include <cstdlib>
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
    switch (ch->wave_control & 3) {
    case 0:
        a = static_cast<int32_t>(std::fabs(256.0 * std::sin(p * 2 * 0.049087375)));
        break;
    case 1:
        a = p >= 0 ? 8 * p : 8 * -p - 1;
        break;
    default:
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

static void volume_slide(Channel* ch) {
    const int32_t x = ch->volume_slide_memory >> 4;
    const int32_t y = ch->volume_slide_memory & 15;
    if (x != 0) ch->volume = at_most(ch->volume + x, 64);
    else ch->volume = at_least(ch->volume - y, 0);
    ch->changes |= CHANGE_VOLUME;
}

static void remember(uint8_t* memory, uint8_t value) {
    if (value != 0) *memory = value;
}

// ---- volume column ----

void fx_row_volume(Channel* ch, uint8_t volume) {
    const uint8_t y = volume & 15;
    if (volume >= 0x10 && volume <= 0x50) {
        ch->volume = volume - 0x10;
        ch->changes |= CHANGE_VOLUME;
        return;
    }
    switch (volume >> 4) {
    case 0x6: case 0x8: ch->volume = at_least(ch->volume - y, 0); ch->changes |= CHANGE_VOLUME; break;
    case 0x7: case 0x9: ch->volume = at_most(ch->volume + y, 64); ch->changes |= CHANGE_VOLUME; break;
    case 0xA: ch->vibrato_speed = y; break;
    case 0xB: ch->vibrato_depth = y; break;
    case 0xC: ch->panning = 16 * y; ch->changes |= CHANGE_PANNING; break;
    case 0xD: ch->panning = add_saturated(ch->panning, -y); ch->changes |= CHANGE_PANNING; break;
    case 0xE: ch->panning = add_saturated(ch->panning, y); ch->changes |= CHANGE_PANNING; break;
    case 0xF:
        if (y != 0) ch->porta_speed = static_cast<uint8_t>(16 * y);
        ch->porta_target = ch->note_period;
        ch->changes &= ~CHANGE_TRIGGER;
        break;
    default: break;
    }
}

void fx_tick_volume(Channel* ch, uint8_t volume) {
    const uint8_t y = volume & 15;
    switch (volume >> 4) {
    case 0x6: ch->volume = at_least(ch->volume - y, 0); ch->changes |= CHANGE_VOLUME; break;
    case 0x7: ch->volume = at_most(ch->volume + y, 64); ch->changes |= CHANGE_VOLUME; break;
    case 0xB:
        ch->vibrato_depth = y;
        vibrato_offset(ch);
        vibrato_advance(ch);
        break;
    case 0xD: ch->panning = add_saturated(ch->panning, -y); ch->changes |= CHANGE_PANNING; break;
    case 0xE: ch->panning = add_saturated(ch->panning, y); ch->changes |= CHANGE_PANNING; break;
    case 0xF: porta_step(ch); break;
    default: break;
    }
}

// ---- effect column, row tick ----

static void sample_offset(Channel* ch, const Sample* sample) {
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
    case 0x1:
        remember(&ch->fine_porta_up_memory, y);
        ch->period = add_saturated(ch->period, -4 * ch->fine_porta_up_memory);
        break;
    case 0x2:
        remember(&ch->fine_porta_down_memory, y);
        ch->period = add_saturated(ch->period, 4 * ch->fine_porta_down_memory);
        break;
    case 0x4: ch->wave_control = static_cast<uint8_t>((ch->wave_control & 0xF0) | y); break;
    case 0x5:
        // the shared placeholder for a missing sample stays all zero
        if (sample != &empty_sample) sample->finetune = static_cast<int8_t>(y);
        break;
    case 0x6: seq_pattern_loop(module, ch, y); break;
    case 0x8: ch->panning = 16 * y; ch->changes |= CHANGE_PANNING; break;
    case 0xA:
        remember(&ch->fine_volume_slide_memory, y);
        ch->volume = at_most(ch->volume + ch->fine_volume_slide_memory, 64);
        ch->changes |= CHANGE_VOLUME;
        break;
    case 0xB:
        remember(&ch->fine_volume_slide_memory, y);
        ch->volume = at_least(ch->volume - ch->fine_volume_slide_memory, 0);
        ch->changes |= CHANGE_VOLUME;
        break;
    case 0xD: {
        const SavedNoteState& saved = seq_saved[(ch >= channels && ch < channels + CHANNEL_COUNT) ? ch - channels : 0];
        ch->volume = saved.volume;
        ch->period = saved.period;
        ch->panning = saved.panning;
        ch->changes &= ~0x0F;
        break;
    }
    case 0xE: seq_pattern_delay(module, y); break;
    default: break;
    }
}

void fx_row_effect(Module* module, Channel* ch, const Cell* cell,
                   Instrument* instrument, Sample* sample) {
    const uint8_t p = cell->param;
    const uint8_t x = p >> 4;
    const uint8_t y = p & 15;
    switch (cell->effect) {
    case 1: remember(&ch->porta_up_memory, p); break;
    case 2: remember(&ch->porta_down_memory, p); break;
    case 3:
        if (p != 0) ch->porta_speed = p;
        ch->porta_target = ch->note_period;
        ch->changes &= ~(CHANGE_PITCH | CHANGE_TRIGGER);
        break;
    case 4:
        if (x != 0) ch->vibrato_speed = x;
        if (y != 0) ch->vibrato_depth = y;
        vibrato_offset(ch);
        break;
    case 5:
        ch->porta_target = ch->note_period;
        remember(&ch->volume_slide_memory, p);
        ch->changes &= ~(CHANGE_PITCH | CHANGE_TRIGGER);
        break;
    case 6:
        remember(&ch->volume_slide_memory, p);
        vibrato_offset(ch);
        break;
    case 8: ch->panning = p; ch->changes |= CHANGE_PANNING; break;
    case 9:
        if (p != 0) ch->sample_offset_memory = p;
        sample_offset(ch, sample);
        break;
    case 10: remember(&ch->volume_slide_memory, p); break;
    case 11: seq_position_jump(module, p); break;
    case 12: ch->volume = at_most(p, 64); break;
    case 13: seq_pattern_break(module, p); break;
    case 14: row_extended(module, ch, x, y, sample); break;
    case 15: seq_set_speed(module, p); break;
    case 16: module->global_volume = at_most(p, 64); ch->changes |= CHANGE_VOLUME; break;
    case 17: remember(&module->global_volume_slide_memory, p); break;
    case 21: env_set_position(ch, instrument, p); break;
    case 25:
        if (p != 0) {
            ch->panning_slide_memory = p;
            ch->changes |= CHANGE_PANNING;
        }
        break;
    case 27:
        if (p != 0) {
            ch->retrig_volume_change = x;
            ch->retrig_interval = y;
        }
        break;
    case 29:
        if (p != 0) {
            ch->tremor_on = static_cast<uint8_t>(x + 1);
            ch->tremor_off = static_cast<uint8_t>(y + 1);
        }
        tremor_step(ch);
        break;
    case 33:
        if (x == 1) {
            remember(&ch->extra_fine_up_memory, y);
            ch->period = add_saturated(ch->period, -ch->extra_fine_up_memory);
        } else if (x == 2) {
            remember(&ch->extra_fine_down_memory, y);
            ch->period = add_saturated(ch->period, ch->extra_fine_down_memory);
        }
        break;
    default: break;
    }
}

// ---- effect column, other ticks ----

static void arpeggio(const Module* module, Channel* ch, uint8_t p, const Sample* sample) {
    const int32_t phase = module->tick % 3;
    const int32_t n = phase == 1 ? (p >> 4) : phase == 2 ? (p & 15) : 0;
    if (n != 0) {
        if (module->flags & 1) ch->period_offset = 64 * n;
        else ch->period_offset = period_amiga(ch->real_note + n, sample->finetune) -
                                 period_amiga(ch->real_note, sample->finetune);
    }
    ch->changes |= CHANGE_PITCH;
}

static void multi_retrigger(const Module* module, Channel* ch) {
    if (ch->retrig_interval == 0 || module->tick % ch->retrig_interval != 0) return;
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
        ch->changes |= CHANGE_VOLUME;
    }
    ch->changes |= CHANGE_TRIGGER;
}

static void note_delay(Channel* ch, const Cell* cell, Sample* sample) {
    seq_start_instrument(ch, sample);
    ch->period = ch->note_period;
    ch->changes |= CHANGE_PITCH;
    if (cell->volume != 0) fx_row_volume(ch, cell->volume);
    ch->changes |= CHANGE_TRIGGER;
}

static void tick_extended(const Module* module, Channel* ch, const Cell* cell, Sample* sample) {
    const uint8_t x = cell->param >> 4;
    const uint8_t y = cell->param & 15;
    switch (x) {
    case 0x9:
        if (y != 0 && module->tick % y == 0) ch->changes |= CHANGE_PITCH | CHANGE_VOLUME | CHANGE_TRIGGER;
        break;
    case 0xC:
        if (module->tick == y) {
            ch->volume = 0;
            ch->changes |= CHANGE_VOLUME;
        }
        break;
    case 0xD:
        if (module->tick == y) note_delay(ch, cell, sample);
        else ch->changes &= ~0x0F;
        break;
    default: break;
    }
}

static void global_volume_slide(Module* module) {
    const int32_t x = module->global_volume_slide_memory >> 4;
    const int32_t y = module->global_volume_slide_memory & 15;
    if (x != 0) module->global_volume = at_most(module->global_volume + x, 64);
    else module->global_volume = at_least(module->global_volume - y, 0);
}

static void panning_slide(Channel* ch) {
    const int32_t x = ch->panning_slide_memory >> 4;
    const int32_t y = ch->panning_slide_memory & 15;
    if (x != 0) ch->panning = at_most(ch->panning + x, 255);
    else if (y != 0) ch->panning = at_least(ch->panning - y, 0);
    ch->changes |= CHANGE_PANNING;
}

void fx_tick_effect(Module* module, Channel* ch, const Cell* cell,
                    Instrument* instrument, Sample* sample) {
    (void)instrument;
    switch (cell->effect) {
    case 0:
        if (cell->param != 0) arpeggio(module, ch, cell->param, sample);
        break;
    case 1:
        ch->period = at_least(add_saturated(ch->period, -4 * ch->porta_up_memory), 56);
        ch->changes |= CHANGE_PITCH;
        break;
    case 2:
        ch->period = add_saturated(ch->period, 4 * ch->porta_down_memory);
        ch->changes |= CHANGE_PITCH;
        break;
    case 3: porta_step(ch); break;
    case 4: vibrato_offset(ch); vibrato_advance(ch); break;
    case 5: porta_step(ch); volume_slide(ch); break;
    case 6: vibrato_offset(ch); vibrato_advance(ch); volume_slide(ch); break;
    case 10: volume_slide(ch); break;
    case 14: tick_extended(module, ch, cell, sample); break;
    case 17: global_volume_slide(module); break;
    case 25: panning_slide(ch); break;
    case 27: multi_retrigger(module, ch); break;
    case 29: tremor_step(ch); break;
    default: break;
    }
}
