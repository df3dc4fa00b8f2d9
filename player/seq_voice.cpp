// The voice update: a channel's collected changes turned into the pitch,
// volume, panning, start and stop of the Voice the mixer plays.
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include "player/output_settings.h"
#include "player/seq.h"

// The defined pan law is linear; the tracker's takes the square root of each
// side's share, so a centred note keeps its loudness.
static void voice_side_volumes(Voice* v, VoiceMemo* memo, bool compatible) {
    const uint8_t law = compatible ? 2 : 1;
    const int32_t volume = v->volume, panning = v->panning;
    if (memo->pan_law != law || memo->volume != volume || memo->panning != panning) {
        memo->pan_law = law;
        memo->volume = volume;
        memo->panning = panning;
        if (compatible) {
            memo->left_volume = static_cast<uint8_t>(volume * std::sqrt((255 - panning) / 255.0));
            memo->right_volume = static_cast<uint8_t>(volume * std::sqrt(panning / 255.0));
        } else {
            memo->left_volume = static_cast<uint8_t>(volume * (255 - panning) / 255);
            memo->right_volume = static_cast<uint8_t>(volume * panning / 255);
        }
    }
    v->left_volume = memo->left_volume;
    v->right_volume = memo->right_volume;
}

static int32_t clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

// The channel volume with this tick's offset. The tracker keeps a tremolo
// within 0..64 and a tremor's muted tick silent until the volume is set again.
static int32_t tick_volume(const Channel* ch, bool compatible) {
    if (!compatible) return ch->volume + ch->volume_offset;
    return ch->tremor_muted ? 0 : clamp(ch->volume + ch->volume_offset, 0, 64);
}

static void voice_trigger(Voice* v, Sample* sample) {
    v->sample = sample;
    const uint64_t end = static_cast<uint64_t>(sample->loop_start) + sample->loop_length;
    if (v->start_offset >= end) v->start_offset = 0;
    v->position = v->start_offset;
    v->position_fraction = 0;
    v->start_offset = 0;
    v->direction = DIRECTION_FORWARD;
}

static void voice_volume(Voice* v, const Channel* ch, const Module* module, bool compatible) {
    // The product of the five factors is exact in double precision; 2^35 takes
    // the full scale 64 * 64 * 65536 * 64 * 255 down to 127.5.
    const double product = static_cast<double>(tick_volume(ch, compatible)) * ch->volume_env.value *
                           ch->fadeout_volume * module->global_volume * 255.0;
    const int32_t volume = static_cast<int32_t>(product / 34359738368.0);
    // Out-of-range envelope or global values must not wrap the voice's byte volumes.
    v->volume = clamp(volume, 0, 255);
}

static void voice_panning(Voice* v, const Channel* ch) {
    // 64-bit: a channel's panning may have slid out to the ends of the int32 range
    const int64_t d = std::llabs(static_cast<int64_t>(ch->panning) - 128);
    // the division comes first: an envelope moves a centred note in steps of 4
    const int64_t p = ch->panning + ((128 - d) / 32) * (ch->panning_env.value - 32);
    v->panning = p < 0 ? 0 : p > 255 ? 255 : static_cast<int32_t>(p);
}

static void voice_pitch(Voice* v, const Channel* ch, VoiceMemo* memo, const Module* module, bool compatible) {
    const bool linear = (module->flags & MODULE_LINEAR_TABLE) != 0;
    const int32_t set_rate = output_settings.output_rate;
    const uint32_t rate = static_cast<uint32_t>(set_rate > 0 ? set_rate : 1);
    // The power and the division, for a pitch that often stays from one tick to the next.
    const uint8_t law = static_cast<uint8_t>(1 + (linear ? 2 : 0) + (compatible ? 1 : 0));
    if (memo->period != ch->period || memo->period_offset != ch->period_offset || memo->rate != rate ||
        memo->pitch_law != law) {
        const int32_t f = period_frequency(ch->period, ch->period_offset, linear);
        // The defined pitch stops at 100 Hz; the tracker's goes on down to standing still.
        const int32_t lowest = compatible ? 0 : 100;
        const uint32_t g = static_cast<uint32_t>(f < lowest ? lowest : f);
        // g / rate above the point and (g % rate) * 2^32 / rate below it, from one division.
        const uint64_t step = (static_cast<uint64_t>(g) << 32) / rate;
        memo->period = ch->period;
        memo->period_offset = ch->period_offset;
        memo->rate = rate;
        memo->pitch_law = law;
        memo->frequency = f;
        memo->step = static_cast<uint32_t>(step >> 32);
        memo->step_fraction = static_cast<uint32_t>(step);
    }
    v->frequency = memo->frequency;
    v->step = memo->step;
    v->step_fraction = memo->step_fraction;
}

void seq_update_voice(Channel* ch, Sample* sample, Module* module) {
    Voice* v = ch->voice;
    if (!v) return;
    uint8_t changes = ch->changes;
    if ((changes & CHANGE_PITCH) && static_cast<int64_t>(ch->period) + ch->period_offset == 0) {
        changes &= ~CHANGE_PITCH;
        ch->changes = changes;
    }
    const bool compatible = seq_compatible;
    if (changes & CHANGE_TRIGGER) voice_trigger(v, sample);
    if (changes & CHANGE_VOLUME) voice_volume(v, ch, module, compatible);
    if (changes & CHANGE_PANNING) voice_panning(v, ch);
    // Once for both, as most ticks change the volume and many the panning too.
    if (changes & (CHANGE_VOLUME | CHANGE_PANNING)) voice_side_volumes(v, &ch->memo, compatible);
    if (changes & CHANGE_PITCH) voice_pitch(v, ch, &ch->memo, module, compatible);
    if (changes & CHANGE_STOP) {
        stop_voice(v->index);
        v->start_offset = 0;
    }
}
