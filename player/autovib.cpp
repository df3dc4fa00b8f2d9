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

static int32_t autovib_wave(uint8_t type, int32_t a) {
    return type < 4 && a >= 0 && a < 256 ? waves.value[type][a] : wave_of(type, a);
}

void autovib_step(Channel* ch, const Instrument* instrument) {
    // Most instruments have no vibrato at all: then nothing moves (the position
    // stays within 0..255 and the sweep's count at 0), the pitch is taken again.
    if ((instrument->vibrato_depth | instrument->vibrato_sweep | instrument->vibrato_rate) == 0) {
        ch->changes |= CHANGE_PITCH;
        return;
    }
    // With no depth the offset is 0 whatever the wave, though the sweep and
    // position move on all the same.
    if (instrument->vibrato_depth != 0) {
        int32_t m = instrument->vibrato_depth * autovib_wave(instrument->vibrato_type, ch->autovib_position);
        if (instrument->vibrato_sweep != 0) m = m * ch->autovib_sweep / instrument->vibrato_sweep;
        ch->period_offset += m >> 6;
    }
    if (ch->autovib_sweep < instrument->vibrato_sweep) ch->autovib_sweep++;
    ch->autovib_position += instrument->vibrato_rate;
    if (ch->autovib_position > 255) ch->autovib_position -= 256;
    ch->changes |= CHANGE_PITCH;
}
