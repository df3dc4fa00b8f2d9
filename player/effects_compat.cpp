// Effects as the modules' own tracker plays them, for the compatible profile:
// its sine table, the arpeggio's downward tick count, tremolo, and the tremor
// and multi-retrigger counters that run on across rows.
#include "player/commands.h"
#include "player/seq.h"

// A quarter of the tracker's sine, 0..255 over 16 phase steps.
static const uint8_t QUARTER_SINE[17] = {0, 24, 49, 74, 97, 120, 141, 161, 180,
                                         197, 212, 224, 235, 244, 250, 253, 255};

int32_t fx_tracker_wave(uint8_t waveform, int32_t p) {
    const int32_t q = p & 31;  // the phase within its half wave
    switch (waveform & 3) {
    case WAVE_SINE: return QUARTER_SINE[q <= 16 ? q : 32 - q];
    case WAVE_RAMP: return p >= 0 ? 8 * q : 255 - 8 * q;
    default: return 255;
    }
}

// The tracker counts a row's ticks down from the speed to 1 and picks the note
// by that count modulo 3 (1 the x, 2 the y). Its table holds 16 counts; a count
// of 16 reads the base note past it and higher counts the y. A pattern delay
// starts the count again at the speed on each repetition.
int32_t fx_arpeggio_note(const Module* module) {
    if (module->speed < 1) return 0;
    const int32_t r = module->tick % module->speed;
    const int32_t count = r == 0 ? module->speed : module->speed - r;
    if (count > 16) return 2;
    if (count == 16) return 0;
    return count % 3;
}

// The ramp's direction follows the vibrato's phase, not the tremolo's own: a
// vibrato in its second half turns the tremolo ramp upside down.
static int32_t tremolo_wave(const Channel* ch) {
    const uint8_t waveform = ch->wave_control >> 4;
    if ((waveform & 3) != WAVE_RAMP) return fx_tracker_wave(waveform, ch->tremolo_position);
    const int32_t ramp = 8 * (ch->tremolo_position & 31);
    return ch->vibrato_position < 0 ? 255 - ramp : ramp;
}

void fx_tremolo(Channel* ch, bool row) {
    const int32_t delta = (tremolo_wave(ch) * ch->tremolo_depth) >> 6;
    ch->volume_offset = ch->tremolo_position >= 0 ? delta : -delta;
    ch->changes |= CHANGE_VOLUME;
    if (row) return;
    int32_t p = ch->tremolo_position + ch->tremolo_speed;
    if (p > 31) p -= 64;
    ch->tremolo_position = static_cast<int8_t>(p);
}

// Counts on every tick but the row tick, across rows; a muted tick leaves the
// note silent until its volume is set again.
void fx_tremor(Channel* ch) {
    ch->tremor_muted = ch->tremor_counter >= ch->tremor_on;
    ch->tremor_counter++;
    if (ch->tremor_counter >= ch->tremor_on + ch->tremor_off) ch->tremor_counter = 0;
    ch->changes |= CHANGE_VOLUME;
}

// The count carries on across rows. A row tick adds nothing when its row
// starts a note, or when the count is at zero, so a retrigger that begins
// without a note waits its whole interval first.
void fx_multi_retrigger(Channel* ch, bool row, bool note) {
    if (ch->retrig_interval == 0) return;
    if (row && (note || ch->retrig_count == 0)) return;
    if (++ch->retrig_count < ch->retrig_interval) return;
    ch->retrig_count = 0;
    fx_retrigger_note(ch);
}
