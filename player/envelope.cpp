// The envelope engine: one tick of a volume or panning envelope with sustain
// and loop, the fadeout after a key-off, and the jump to a given tick for effect L.
#include <cstdint>
#include "player/seq.h"

static const int32_t ENV_MAX_POINTS = 12;
static const int64_t ENV_MAX_FIXED = 64 * 65536;

// Envelope values live in 0..64; a point outside that would overflow 16.16.
static int32_t point_y(const EnvelopePoint* points, int32_t i) {
    return points[i].y > 64 ? 64 : points[i].y;
}

static int32_t segment_slope(const EnvelopePoint* points, int32_t i) {
    const int32_t dx = points[i + 1].x - points[i].x;
    if (dx == 0) return 0;
    return (point_y(points, i + 1) - point_y(points, i)) * 65536 / dx;
}

// Points out of tick order can make a segment run on past its end; the value
// stays within the range an envelope can have.
static int32_t clamp_fixed(int64_t value) {
    return static_cast<int32_t>(value < 0 ? 0 : value > ENV_MAX_FIXED ? ENV_MAX_FIXED : value);
}

void env_step(Channel* channel, EnvelopeState* e, const EnvelopePoint* points,
              uint8_t count_byte, uint8_t sustain, uint8_t loop_start,
              uint8_t loop_end, uint8_t type, uint8_t change_bit) {
    const int32_t count = count_byte < ENV_MAX_POINTS ? count_byte : ENV_MAX_POINTS;
    if (e->point >= 0 && e->point < count && e->tick == points[e->point].x) {
        if ((type & ENV_LOOP) && e->point == loop_end && loop_start < count) {
            e->point = loop_start;
            e->tick = points[loop_start].x;
        }
        if (e->point == count - 1) {
            e->value = point_y(points, e->point);
            e->finished = 1;
            channel->changes |= change_bit;
            return;
        }
        if ((type & ENV_SUSTAIN) && e->point == sustain && !channel->key_off) {
            e->value = point_y(points, e->point);
            channel->changes |= change_bit;
            return;
        }
        e->slope = segment_slope(points, e->point);
        e->value_fixed = point_y(points, e->point) * 65536;
        e->point++;
    } else if (e->point == 0 && count > 0) {
        // Before a first point that lies after tick 0 the envelope holds that
        // point's value rather than whatever the previous note left behind.
        e->value_fixed = point_y(points, 0) * 65536;
    } else if (e->point >= 0 && e->point < count) {
        e->value_fixed = clamp_fixed(static_cast<int64_t>(e->value_fixed) + e->slope);
    }
    e->value = e->value_fixed >> 16;
    e->tick++;
    channel->changes |= change_bit;
}

// Most ticks fall between two points, where env_step only moves the value
// by the segment's slope: that step is taken without it.
static bool between_points(const EnvelopeState* e, const EnvelopePoint* points, uint8_t count_byte) {
    const int32_t count = count_byte < ENV_MAX_POINTS ? count_byte : ENV_MAX_POINTS;
    return e->point > 0 && e->point < count && e->tick != points[e->point].x;
}

// A sustained note waits at its sustain point, where env_step only takes the
// point's value again; the loop's end and the last point are left to it.
static bool sustained(const Channel* ch, const EnvelopeState* e, const EnvelopePoint* points,
                      uint8_t count_byte, uint8_t sustain, uint8_t loop_end, uint8_t type) {
    const int32_t count = count_byte < ENV_MAX_POINTS ? count_byte : ENV_MAX_POINTS;
    return (type & ENV_SUSTAIN) && !ch->key_off && e->point == sustain && e->point < count - 1 &&
           e->tick == points[e->point].x && !((type & ENV_LOOP) && e->point == loop_end);
}

static void hold(Channel* channel, EnvelopeState* e, const EnvelopePoint* points, uint8_t change_bit) {
    e->value = point_y(points, e->point);
    channel->changes |= change_bit;
}

static void slide(Channel* channel, EnvelopeState* e, uint8_t change_bit) {
    e->value_fixed = clamp_fixed(static_cast<int64_t>(e->value_fixed) + e->slope);
    e->value = e->value_fixed >> 16;
    e->tick++;
    channel->changes |= change_bit;
}

void env_tick(Channel* ch, const Instrument* instr, bool cut_on_key_off) {
    EnvelopeState* volume = &ch->volume_env;
    EnvelopeState* panning = &ch->panning_env;
    if ((instr->volume_type & ENV_ON) == 0) {
        if (cut_on_key_off && ch->key_off) volume->value = 0;  // without an envelope a key-off cuts the note
    } else if (!volume->finished) {
        if (between_points(volume, instr->volume_envelope, instr->volume_point_count))
            slide(ch, volume, CHANGE_VOLUME);
        else if (sustained(ch, volume, instr->volume_envelope, instr->volume_point_count, instr->volume_sustain_point,
                           instr->volume_loop_end, instr->volume_type))
            hold(ch, volume, instr->volume_envelope, CHANGE_VOLUME);
        else
            env_step(ch, volume, instr->volume_envelope, instr->volume_point_count, instr->volume_sustain_point,
                     instr->volume_loop_start, instr->volume_loop_end, instr->volume_type, CHANGE_VOLUME);
    }
    if ((instr->panning_type & ENV_ON) != 0 && !panning->finished) {
        if (between_points(panning, instr->panning_envelope, instr->panning_point_count))
            slide(ch, panning, CHANGE_PANNING);
        else if (sustained(ch, panning, instr->panning_envelope, instr->panning_point_count,
                           instr->panning_sustain_point, instr->panning_loop_end, instr->panning_type))
            hold(ch, panning, instr->panning_envelope, CHANGE_PANNING);
        else
            env_step(ch, panning, instr->panning_envelope, instr->panning_point_count, instr->panning_sustain_point,
                     instr->panning_loop_start, instr->panning_loop_end, instr->panning_type, CHANGE_PANNING);
    }
    if (ch->key_off) {
        ch->fadeout_volume -= instr->fadeout;
        if (ch->fadeout_volume < 0) ch->fadeout_volume = 0;
        ch->changes |= CHANGE_VOLUME;
    }
}

static void place_envelope(EnvelopeState* e, const EnvelopePoint* points, uint8_t count_byte, int32_t t) {
    const int32_t count = count_byte < ENV_MAX_POINTS ? count_byte : ENV_MAX_POINTS;
    int32_t i = 0;
    while (i <= count - 2 && t > points[i + 1].x) i++;
    if (i > count - 2) {
        if (count > 0) e->value = point_y(points, count - 1);
        e->finished = 1;
        return;
    }
    e->finished = 0;
    e->tick = t;
    e->slope = segment_slope(points, i);
    e->point = i + 1;
    e->value_fixed = clamp_fixed(static_cast<int64_t>(t - points[i].x) * e->slope +
                                 static_cast<int64_t>(point_y(points, i)) * 65536);
    e->value = e->value_fixed >> 16;
}

void env_set_position(Channel* channel, const Instrument* instrument, int32_t t) {
    if ((instrument->volume_type & ENV_ON) == 0) return;
    place_envelope(&channel->volume_env, instrument->volume_envelope, instrument->volume_point_count, t);
}

void env_set_panning_position(Channel* channel, const Instrument* instrument, int32_t t) {
    if ((instrument->panning_type & ENV_ON) == 0) return;
    place_envelope(&channel->panning_env, instrument->panning_envelope, instrument->panning_point_count, t);
    channel->changes |= CHANGE_PANNING;
}
