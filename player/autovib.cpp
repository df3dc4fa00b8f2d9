// The instrument's own vibrato, added to a channel's pitch on every tick,
// with its four waveforms and the sweep that fades it in after a note starts.
#include <cmath>
#include "player/seq.h"

static int32_t sine_wave(int32_t a) {
    // the constant, close to 2 pi / 256, is kept in single precision
    return static_cast<int32_t>(64.0 * std::sin(a * static_cast<double>(0.0245436877f)));
}

static int32_t wave_of(uint8_t type, int32_t a) {
    switch (type) {
    case AUTOVIB_SINE: return sine_wave(a);
    case AUTOVIB_SQUARE: return a < 128 ? 64 : -64;
    case AUTOVIB_RAMP_DOWN: return (128 - ((a + 128) % 256)) >> 1;
    case AUTOVIB_RAMP_UP: return (128 - ((384 - a) % 256)) >> 1;
    default: return 0;  // no waveform of that number: the vibrato stays still
    }
}

// Taken on every tick of every channel: the four waveforms at the positions
// 0..255 the vibrato moves through are worked out once.
static const struct Waves {
    int8_t value[4][256];
    Waves() {
        for (uint8_t type = 0; type < 4; type++)
            for (int32_t a = 0; a < 256; a++) value[type][a] = static_cast<int8_t>(wave_of(type, a));
    }
} waves;

// The offset of a wave's value at the channel's position, and the vibrato
// moved on. With no depth the offset is 0 whatever the wave, though the sweep
// and position move on all the same.
static void move(Channel* ch, const Instrument* instrument, int32_t wave) {
    if (instrument->vibrato_depth != 0) {
        int32_t m = instrument->vibrato_depth * wave;
        if (instrument->vibrato_sweep != 0) m = m * ch->autovib_sweep / instrument->vibrato_sweep;
        ch->period_offset += m >> 6;
    }
    if (ch->autovib_sweep < instrument->vibrato_sweep) ch->autovib_sweep++;
    ch->autovib_position += instrument->vibrato_rate;
    if (ch->autovib_position > 255) ch->autovib_position -= 256;
    ch->changes |= CHANGE_PITCH;
}

// A waveform of no known number, or a position outside 0..255 (only a channel
// set up by hand has one), has no table. Out of line, so that the common way
// needs no registers saved for the call.
__attribute__((noinline)) static void move_outside_table(Channel* ch, const Instrument* instrument) {
    const int32_t wave = instrument->vibrato_depth != 0 ? wave_of(instrument->vibrato_type, ch->autovib_position) : 0;
    move(ch, instrument, wave);
}

void autovib_step(Channel* ch, const Instrument* instrument) {
    const uint8_t type = instrument->vibrato_type;
    const int32_t a = ch->autovib_position;
    if (type >= 4 || a < 0 || a >= 256) {
        move_outside_table(ch, instrument);
        return;
    }
    move(ch, instrument, waves.value[type][a]);
}
