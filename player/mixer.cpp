// The software mixer: voices 0..31 resampled by linear interpolation from
// 32.32 fixed-point positions, with loops and volume ramps, into float spans.
#include <algorithm>
#include <cfloat>
#include "player/mix_kernels.h"
#include "player/mixer.h"
#include "player/output_settings.h"

Voice voices[VOICE_COUNT];

constexpr uint64_t ONE = uint64_t(1) << 32;  // one frame in 32.32
// Beyond these the 64-bit position arithmetic could overflow. No stream can
// hold a sample of 2^30 frames, and a step of 2^24 frames skips whole samples.
constexpr uint64_t MAX_LENGTH = uint64_t(1) << 30;
constexpr uint64_t MAX_STEP = (uint64_t(1) << 24) * ONE;
constexpr float INV_255 = 1.0f / 255.0f;

bool stop_voice(int32_t voice) {
    if (voice < 0 || voice >= VOICE_COUNT) return false;
    voices[voice].sample = nullptr;
    voices[voice].position = 0;
    voices[voice].position_fraction = 0;
    return true;
}

// Forward loops shorter than this many frames are repeated in the sample's
// data until their copies span at least as many: a voice then plays on
// through the copies, and its pass ends once every few turns of the loop
// rather than at every one. No more than 2 x 2048 bytes per sample.
constexpr uint32_t COPIES_SPAN = 1024;

// The frame up to which a forward loop's copies reach; 0 for none.
static uint64_t copies_end(const Sample* sample) {
    const uint64_t start = sample->loop_start, length = sample->loop_length;
    if (sample->loop_kind != LOOP_FORWARD || length == 0 || length >= COPIES_SPAN ||
        start + length > sample->length)
        return 0;
    return start + (COPIES_SPAN + length - 1) / length * length;
}

uint64_t mix_data_frames(const Sample* sample) {
    const uint64_t copies = copies_end(sample);
    return (copies > sample->length ? copies : sample->length) + 8;
}

void mix_copy_loop(Sample* sample) {
    const uint64_t end = copies_end(sample);
    if (!sample->data || end == 0) return;
    // From the loop end on (the guard frame included, which holds the loop's
    // first frame already) every frame repeats the one a loop length before.
    const uint64_t loop_end = static_cast<uint64_t>(sample->loop_start) + sample->loop_length;
    for (uint64_t k = loop_end; k < end + 8; k++) sample->data[k] = sample->data[k - sample->loop_length];
    sample->loop_copies_end = static_cast<uint32_t>(end);
}

// The part of the sample a voice moves in, in 32.32. A loop that does not fit
// the sample, or is empty, plays as no loop.
struct Bounds {
    uint64_t start;  // loop start
    uint64_t end;    // loop end; the sample end without loop
    uint64_t limit;  // how far a pass may go: the end, or the end of the loop's copies
    uint8_t kind;
};

static Bounds voice_bounds(const Sample* sample) {
    const uint64_t length = sample->length < MAX_LENGTH ? sample->length : MAX_LENGTH;
    const uint8_t kind = sample->loop_kind;
    const uint64_t start = sample->loop_start;
    const uint64_t end = start + sample->loop_length;
    if ((kind != LOOP_FORWARD && kind != LOOP_PINGPONG) || end > length || start >= end)
        return {0, length * ONE, length * ONE, LOOP_NONE};
    uint64_t limit = end;
    if (kind == LOOP_FORWARD && mix_kernels->shortcuts) {
        // Copies are only trusted where they could be what mix_copy_loop makes.
        const uint64_t copies = sample->loop_copies_end;
        if (copies > end && end - start < COPIES_SPAN && copies - start <= COPIES_SPAN + (end - start)) limit = copies;
    }
    return {start * ONE, end * ONE, limit * ONE, kind};
}

// Output frames until the position reaches the boundary ahead. A full 64-bit
// division rather than the 24-bit shifted one, so that no distance is too long
// to see and a distance of a few 2^-32 never counts as zero frames. Moving
// backward each frame may also drop the cleared lowest bit, so the step is
// taken one unit larger: no frame is then ever mixed below the loop start.
// Only whether it lies within the `count` frames of the span matters beyond
// that, which one product tells for the usual steps, without the division.
static uint64_t frames_to_boundary(uint64_t distance, uint64_t step, bool backward, int32_t count) {
    if (distance == 0) return 0;
    if (backward) step += 1;
    if (step == 0) return UINT64_MAX;
    if (step < (uint64_t(1) << 33) && distance > static_cast<uint64_t>(count) * step) return UINT64_MAX;
    return distance / step + (distance % step != 0);
}

// A position at or beyond a forward loop's end moved back into the loop. Its
// whole frames fit 32 bits, where the remainder is the quicker division.
static inline void wrap_forward(uint64_t* position, const Bounds& b) {
    const uint64_t length = b.end - b.start;
    if (*position - length < b.end) {
        *position -= length;  // once round, the usual case
        return;
    }
    const uint32_t whole = static_cast<uint32_t>((*position >> 32) - (b.start >> 32));
    *position = b.start + uint64_t(whole % static_cast<uint32_t>(length >> 32)) * ONE + (*position & 0xFFFFFFFFu);
}

// Moves a position that has crossed a loop boundary back into the loop.
// Returns false when the sample has ended.
static bool wrap_position(uint64_t* position, int32_t* direction, const Bounds& b) {
    if (b.kind == LOOP_FORWARD) {
        if (*position >= b.end) wrap_forward(position, b);
        return true;
    }
    if (b.kind != LOOP_PINGPONG) return false;
    // Reflections at each end alternate until the position is inside; every
    // two of them move it by twice the loop length, so those are taken at once.
    const uint64_t length = b.end - b.start;
    if (*direction != DIRECTION_BACKWARD) {
        if (*position < b.end) return true;
        uint64_t over = *position - b.end;
        if (over >= 2 * length) over %= 2 * length;
        if (over < length) {
            *position = b.end - over - 1;  // 2 x end - position - 2^-32
            *direction = DIRECTION_BACKWARD;
        } else {
            *position = b.start + (over - length);
            *direction = DIRECTION_FORWARD;
        }
        return true;
    }
    // Positions here lie within a step of the start, so the difference read
    // as signed is exact even when the position has passed below 0.
    const int64_t above = static_cast<int64_t>(*position - b.start);
    if (above > 0) return true;
    uint64_t under = static_cast<uint64_t>(-above);
    if (under > 2 * length) under = (under - 1) % (2 * length) + 1;
    if (under <= length) {
        // 2 x start - position - 2^-32; at position 0 it stays at 0 instead of
        // wrapping to the far end of the 32-bit range.
        *position = (b.start + under == 0) ? 0 : b.start + under - 1;
        *direction = DIRECTION_FORWARD;
    } else {
        *position = b.end - (under - length);
        *direction = DIRECTION_BACKWARD;
    }
    return true;
}

// The change per frame of a ramp over `difference` volume steps. The float
// 1/255 is the constant, but the product is taken in double and rounded to a
// float once: in single precision each factor would round it again.
static float ramp_increment(int32_t difference) {
    double product = static_cast<double>(difference) * static_cast<double>(INV_255) *
                     static_cast<double>(output_settings.ramp_scale);
#if FLT_EVAL_METHOD != 0
    // An x87 unit (32-bit x86 without SSE2 arithmetic) holds the product in
    // 64 bits; storing it rounds it to the double it is everywhere else.
    volatile double stored = product;
    product = stored;
#endif
    return static_cast<float>(product);
}

// Whether this pass or a later one of the call may run a ramp. ramp_setup
// leaves a ramp's count of frames as it was when it finds no new ramp to set
// up; the next pass then runs out that count with the increments it has just
// cleared, still ramping in the arithmetic's sense.
static bool ramp_ahead(const Voice* v) {
    return v->ramp_frames_left > 0 || v->left_volume != v->current_left_volume ||
           v->right_volume != v->current_right_volume;
}

// Sets up the ramp for a pass; returns its length in frames (0: none).
// `ahead` is ramp_ahead(v); without a ramp ahead the targets are the volumes
// and no side moves.
static int32_t ramp_setup(Voice* v, bool ahead) {
    if (!ahead) {
        v->ramp_left_target = v->left_volume;
        v->ramp_right_target = v->right_volume;
        v->ramp_left_increment = 0.0f;
        v->ramp_right_increment = 0.0f;
        return 0;
    }
    if (v->ramp_frames_left > 0 && v->left_volume == v->ramp_left_target &&
        v->right_volume == v->ramp_right_target)
        return v->ramp_frames_left;
    v->ramp_left_target = v->left_volume;
    v->ramp_right_target = v->right_volume;
    int32_t count = 0;
    v->ramp_left_increment = 0.0f;
    v->ramp_right_increment = 0.0f;
    if (v->left_volume != v->current_left_volume) {
        v->ramp_left_increment = ramp_increment(v->left_volume - v->current_left_volume);
        count = output_settings.ramp_frames;
    }
    if (v->right_volume != v->current_right_volume) {
        v->ramp_right_increment = ramp_increment(v->right_volume - v->current_right_volume);
        count = output_settings.ramp_frames;
    }
    return count;
}

// The most loop ends one kernel call of a ramp goes through; a ramp with
// more stops at the last of them and goes on in the next pass.
constexpr int32_t MAX_ROUNDS = 32;

// A forward loop's ramp played on through the loop's copies from `position`
// (below the loop end) for at most `count` frames: the frame counts after
// which the passes of the mix would have ended at a loop end, worked out as
// they would have, go to `rounds` (ended by INT32_MAX). Returns the frames
// the kernel call covers: `count`, or less where the copies or the rounds
// run out, then ending at a loop end.
__attribute__((noinline)) static int32_t ramp_rounds(uint64_t position, uint64_t step, const Bounds& b, int32_t count, int32_t* rounds) {
    const uint64_t to_limit = frames_to_boundary(b.limit - position, step, false, count);
    if (to_limit < static_cast<uint64_t>(count)) count = static_cast<int32_t>(to_limit);
    int32_t done = 0, n = 0;
    for (;;) {
        const uint64_t frames = frames_to_boundary(b.end - position, step, false, count - done);
        if (frames >= static_cast<uint64_t>(count - done)) break;
        done += static_cast<int32_t>(frames);
        if (n == MAX_ROUNDS) {
            count = done;
            break;
        }
        rounds[n++] = done;
        position = mix_advance(position, step, false, static_cast<int32_t>(frames));
        wrap_forward(&position, b);
    }
    rounds[n] = INT32_MAX;
    return count;
}

// Whether no voice has added into the span of this mix_voices call yet,
// where it came clear.
static bool span_clear;

static void mix_voice(Voice* v, float* span, int32_t n) {
    float* cursor = span;
    int32_t remaining = n;
    uint64_t position = static_cast<uint64_t>(v->position) << 32 | v->position_fraction;
    uint64_t step = static_cast<uint64_t>(v->step) << 32 | v->step_fraction;
    if (step > MAX_STEP) step = MAX_STEP;
    // The sample stays the same for the whole call, and with it the bounds.
    const Sample* sample = v->sample;
    const Bounds b = voice_bounds(sample);
    while (remaining > 0) {
        // Only a ping-pong loop moves backward, and never from beyond its end.
        if (v->direction == DIRECTION_BACKWARD && (b.kind != LOOP_PINGPONG || position >= b.end))
            v->direction = DIRECTION_FORWARD;
        const bool backward = v->direction == DIRECTION_BACKWARD;
        int32_t count = remaining;
        bool end_reached = false;
        // A ramp's volumes are rounded to bytes at every loop end, so while
        // one may run the pass ends there, copies or not.
        const bool ramping = ramp_ahead(v);
        const uint64_t ahead = ramping ? b.end : b.limit;
        const uint64_t distance = backward ? (position > b.start ? position - b.start : 0)
                                           : (position < ahead ? ahead - position : 0);
        const uint64_t frames = frames_to_boundary(distance, step, backward, count);
        if (frames <= static_cast<uint64_t>(count)) {
            count = static_cast<int32_t>(frames);
            end_reached = true;
        }
        if (count > 0 && !sample->data) {  // nothing to read: the voice ends
            stop_voice(static_cast<int32_t>(v - voices));
            return;
        }
        const int32_t ramp = ramp_setup(v, ramping);
        if (ramp > 0) {
            v->ramp_frames_left = ramp;
            const int32_t count_before = count;
            if (ramp < count) count = ramp;
            float left = mix_volume_float(v->current_left_volume);
            float right = mix_volume_float(v->current_right_volume);
            if (end_reached && ramp > count && b.limit > b.end && count > 0) {
                // Through the copies of a short forward loop, up to the end of
                // the ramp, of the span or of the copies, in one call: the
                // kernel rounds the volumes where each pass would have ended.
                int32_t rounds[MAX_ROUNDS + 1];
                count = ramp_rounds(position, step, b, std::min(ramp, remaining), rounds);
                position = mix_kernels->ramped_through(cursor, count, sample->data, position, step, false, &left,
                                                       &right, v->ramp_left_increment, v->ramp_right_increment,
                                                       rounds);
                span_clear = false;
                v->current_left_volume = mix_volume_byte(left);
                v->current_right_volume = mix_volume_byte(right);
                v->ramp_frames_left = ramp - count;
                cursor += 2 * count;
                remaining -= count;
                // Where the pass would have ended at a loop end, or within the
                // loop after the last one.
                if (position >= b.end) wrap_forward(&position, b);
                continue;
            }
            position = mix_kernels->ramped(cursor, count, sample->data, position, step, backward, &left, &right,
                                           v->ramp_left_increment, v->ramp_right_increment);
            span_clear = false;
            v->current_left_volume = mix_volume_byte(left);
            v->current_right_volume = mix_volume_byte(right);
            v->ramp_frames_left = ramp - count;
            if (v->ramp_frames_left == 0 && count < count_before) {
                cursor += 2 * count;
                remaining -= count;
                continue;  // the ramp ended inside the pass: go on at its volume
            }
        } else if (count > 0 && mix_kernels->shortcuts && v->left_volume == 0 && v->right_volume == 0) {
            position = mix_advance(position, step, backward, count);  // adding zeros changes nothing
        } else if (count > 0) {
            position = (span_clear ? mix_kernels->plain_clear : mix_kernels->plain)(
                cursor, count, sample->data, position, step, backward, v->left_volume * INV_255,
                v->right_volume * INV_255);
            span_clear = false;
        }
        cursor += 2 * count;
        remaining -= count;
        if (!end_reached) break;
        if (!wrap_position(&position, &v->direction, b)) {
            stop_voice(static_cast<int32_t>(v - voices));
            return;
        }
    }
    // Within the copies the position is where the loop would have put it, a
    // whole number of turns further; it is kept as the loop would keep it.
    if (b.kind == LOOP_FORWARD && position >= b.end) wrap_forward(&position, b);
    v->position = static_cast<uint32_t>(position >> 32);
    v->position_fraction = static_cast<uint32_t>(position);
}

void mix_voices(float* span, int32_t n, bool clear) {
    if (n < 1) return;
    span_clear = clear;
    for (int32_t i = 0; i < MIXED_VOICES; i++)
        if (voices[i].sample) mix_voice(&voices[i], span, n);
}
