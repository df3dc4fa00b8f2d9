// Pitch tables, frequencies, the envelope engine and auto-vibrato on their
// worked examples and on the inputs they leave open.
#include <gtest/gtest.h>
#include <cstring>
#include "player/output_settings.h"
#include "player/seq.h"

namespace {

Channel fresh_channel() {
    Channel ch;
    std::memset(&ch, 0, sizeof ch);
    return ch;
}

Instrument envelope_instrument(std::initializer_list<EnvelopePoint> points, uint8_t type) {
    Instrument in;
    std::memset(&in, 0, sizeof in);
    uint8_t i = 0;
    for (const EnvelopePoint& p : points) in.volume_envelope[i++] = p;
    in.volume_point_count = i;
    in.volume_type = type;
    return in;
}

void start(Channel* ch) { seq_start_instrument(ch, &empty_sample); }

void step(Channel* ch, const Instrument& in) {
    env_step(ch, &ch->volume_env, in.volume_envelope, in.volume_point_count,
             in.volume_sustain_point, in.volume_loop_start, in.volume_loop_end,
             in.volume_type, CHANGE_VOLUME);
}

}  // namespace

TEST(Pitch, LinearTable) {
    EXPECT_EQ(period_linear(48, 0), 4608);
    EXPECT_EQ(period_linear(48, -112), 4664);
    EXPECT_EQ(period_linear(48, -113), 4664);  // the half truncates toward zero
    EXPECT_EQ(period_linear(0, 0), 7680);
    EXPECT_EQ(period_frequency(4608, 0, true), 8363);
    EXPECT_EQ(period_frequency(4664, 0, true), 7950);
    EXPECT_EQ(period_frequency(3840, 0, true), 16726);
    EXPECT_EQ(period_frequency(5376, 0, true), 4181);
    EXPECT_EQ(period_frequency(4608, 768, true), 16726);  // a positive offset raises the pitch
    // Far below the table the frequency saturates instead of overflowing.
    EXPECT_EQ(period_frequency(-200000, 0, true), 2147483647);
    EXPECT_EQ(period_frequency(200000, 0, true), 0);
}

TEST(Pitch, AmigaTable) {
    EXPECT_EQ(period_amiga(48, 0), 1712);
    EXPECT_EQ(period_amiga(60, 0), 856);
    EXPECT_EQ(period_amiga(36, 0), 3424);
    EXPECT_EQ(period_amiga(48, 64), 1664);
    EXPECT_EQ(period_amiga(48, -64), 1762);
    EXPECT_EQ(period_amiga(48, 127), 1616);
    EXPECT_EQ(period_amiga(48, -128), 1813);
    EXPECT_EQ(period_amiga(0, -64), 28161);
    EXPECT_EQ(period_frequency(1712, 0, false), 8362);
    EXPECT_EQ(period_frequency(856, 0, false), 16725);
    EXPECT_EQ(period_frequency(1712, -856, false), 16725);  // a negative offset raises the pitch
    EXPECT_EQ(period_frequency(856, -856, false), 0);       // no division by zero
}

// A channel keeps the step it worked out last; the same period must give a
// new one at another output rate or in the other profile.
TEST(Pitch, VoiceStepFollowsRateAndProfile) {
    Module m{};
    m.flags = MODULE_LINEAR_TABLE;
    Voice voice{};
    Channel ch = fresh_channel();
    ch.voice = &voice;
    auto step_at = [&](int32_t period, int32_t rate, bool compatible) {
        output_configure(rate);
        seq_compatible = compatible;
        ch.period = period;
        ch.changes = CHANGE_PITCH;
        seq_update_voice(&ch, &empty_sample, &m);
        return static_cast<uint64_t>(voice.step) << 32 | voice.step_fraction;
    };
    EXPECT_EQ(step_at(4608, 44100, false), (uint64_t(8363) << 32) / 44100);
    EXPECT_EQ(step_at(4608, 22050, false), (uint64_t(8363) << 32) / 22050);
    // About 52 Hz: the defined pitch stops at 100 Hz, the tracker's does not.
    EXPECT_EQ(step_at(10238, 44100, false), (uint64_t(100) << 32) / 44100);
    const uint64_t low = step_at(10238, 44100, true);
    EXPECT_EQ(low, (static_cast<uint64_t>(voice.frequency) << 32) / 44100);
    EXPECT_LT(voice.frequency, 100);
    seq_compatible = false;
    output_configure(44100);
}

TEST(Envelope, SegmentValuesAndEnd) {
    Instrument in = envelope_instrument({{0, 64}, {10, 0}}, 1);
    Channel ch = fresh_channel();
    start(&ch);
    std::vector<int32_t> values;
    for (int t = 0; t <= 10; t++) {
        ch.changes = 0;
        step(&ch, in);
        EXPECT_EQ(ch.changes, CHANGE_VOLUME);
        values.push_back(ch.volume_env.value);
    }
    EXPECT_EQ(values, (std::vector<int32_t>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0}));
    EXPECT_EQ(ch.volume_env.finished, 1);
    EXPECT_EQ(ch.volume_env.tick, 10);
}

TEST(Envelope, SustainHoldsUntilKeyOff) {
    Instrument in = envelope_instrument({{0, 64}, {4, 32}, {8, 0}}, 3);
    in.volume_sustain_point = 1;
    Channel ch = fresh_channel();
    start(&ch);
    for (int t = 0; t < 12; t++) step(&ch, in);
    EXPECT_EQ(ch.volume_env.value, 32);
    EXPECT_EQ(ch.volume_env.tick, 4);
    EXPECT_EQ(ch.volume_env.finished, 0);
    ch.key_off = 1;
    step(&ch, in);  // the step that sees the key-off already moves on
    EXPECT_EQ(ch.volume_env.tick, 5);
    EXPECT_EQ(ch.volume_env.value, 32);
    step(&ch, in);
    EXPECT_EQ(ch.volume_env.value, 24);
}

TEST(Envelope, LoopRunsWithAndWithoutKeyOff) {
    Instrument in = envelope_instrument({{0, 0}, {10, 64}, {20, 32}}, 5);
    in.volume_loop_start = 1;
    in.volume_loop_end = 2;
    Channel ch = fresh_channel();
    start(&ch);
    for (int t = 0; t <= 20; t++) step(&ch, in);
    EXPECT_EQ(ch.volume_env.tick, 11);  // tick 20 went back to 10 and on
    EXPECT_EQ(ch.volume_env.value, 64);
    ch.key_off = 1;
    std::vector<int32_t> ticks;
    for (int t = 0; t < 25; t++) {
        step(&ch, in);
        ticks.push_back(ch.volume_env.tick);
    }
    EXPECT_EQ(ch.volume_env.finished, 0);
    EXPECT_EQ(ticks[8], 20);   // tick 19 -> 20
    EXPECT_EQ(ticks[9], 11);   // reached 20, back to 10, advanced
}

TEST(Envelope, SetPosition) {
    Instrument in = envelope_instrument({{0, 64}, {10, 0}, {20, 32}}, 1);
    Channel ch = fresh_channel();
    start(&ch);
    env_set_position(&ch, &in, 5);
    EXPECT_EQ(ch.volume_env.point, 1);
    EXPECT_EQ(ch.volume_env.tick, 5);
    EXPECT_EQ(ch.volume_env.value, 32);
    step(&ch, in);
    EXPECT_EQ(ch.volume_env.value, 25);
    // Beyond the second-to-last segment: the last value, finished.
    env_set_position(&ch, &in, 30);
    EXPECT_EQ(ch.volume_env.value, 32);
    EXPECT_EQ(ch.volume_env.finished, 1);
    EXPECT_EQ(ch.volume_env.tick, 6);  // nothing else changed
    // Off: nothing happens.
    Instrument off = envelope_instrument({{0, 64}, {10, 0}}, 0);
    Channel other = fresh_channel();
    start(&other);
    env_set_position(&other, &off, 5);
    EXPECT_EQ(other.volume_env.value, 64);
    EXPECT_EQ(other.volume_env.tick, 0);
}

TEST(Envelope, FirstPointLateAndPointsOutOfRange) {
    // Before a first point at tick 4 the envelope holds that point's value,
    // whatever the previous note left in the channel.
    Instrument in = envelope_instrument({{4, 40}, {8, 0}}, 1);
    Channel ch = fresh_channel();
    ch.volume_env.value_fixed = 12345678;
    start(&ch);
    step(&ch, in);
    EXPECT_EQ(ch.volume_env.value, 40);
    for (int t = 0; t < 4; t++) step(&ch, in);
    EXPECT_EQ(ch.volume_env.value, 40);
    step(&ch, in);
    EXPECT_EQ(ch.volume_env.value, 30);

    // Values above 64 and points out of tick order stay within 0..64.
    Instrument wild = envelope_instrument({{0, 60000}, {10, 0}, {5, 64}}, 1);
    Channel w = fresh_channel();
    start(&w);
    for (int t = 0; t < 5000; t++) {
        step(&w, wild);
        ASSERT_GE(w.volume_env.value, 0);
        ASSERT_LE(w.volume_env.value, 64);
    }
    // A point count beyond the 12 points, and loop points beyond the count.
    Instrument many = envelope_instrument({{0, 10}, {3, 20}}, 5);
    many.volume_point_count = 200;
    many.volume_loop_start = 40;
    many.volume_loop_end = 1;
    Channel m = fresh_channel();
    start(&m);
    for (int t = 0; t < 100; t++) step(&m, many);
    env_set_position(&m, &many, 255);
    EXPECT_EQ(m.volume_env.finished, 1);
}

// The tick of both envelopes takes its own short ways between points and at
// the sustain point; it must land where env_step alone does, on any shape.
TEST(Envelope, TickAgreesWithTheStep) {
    struct Shape { std::initializer_list<EnvelopePoint> points; uint8_t type, sustain, loop_start, loop_end; };
    const Shape shapes[] = {
        {{{0, 0}, {4, 64}, {10, 32}, {20, 0}}, ENV_ON | ENV_SUSTAIN, 1, 0, 0},
        {{{0, 0}, {4, 64}, {10, 32}, {20, 0}}, ENV_ON | ENV_SUSTAIN | ENV_LOOP, 2, 1, 2},  // sustain at the loop's end
        {{{0, 0}, {4, 64}, {10, 32}, {20, 0}}, ENV_ON | ENV_SUSTAIN | ENV_LOOP, 1, 1, 2},
        {{{0, 10}, {4, 64}, {6, 32}, {9, 80}}, ENV_ON | ENV_SUSTAIN, 3, 0, 0},  // at the last point
        {{{3, 10}, {2, 64}, {12, 20}}, ENV_ON | ENV_SUSTAIN, 0, 0, 0},  // late first point, out of order
    };
    for (const Shape& shape : shapes) {
        Instrument in = envelope_instrument(shape.points, shape.type);
        in.volume_sustain_point = in.panning_sustain_point = shape.sustain;
        in.volume_loop_start = in.panning_loop_start = shape.loop_start;
        in.volume_loop_end = in.panning_loop_end = shape.loop_end;
        std::memcpy(in.panning_envelope, in.volume_envelope, sizeof in.panning_envelope);
        in.panning_point_count = in.volume_point_count;
        in.panning_type = in.volume_type;
        Channel a = fresh_channel(), b = fresh_channel();
        start(&a);
        start(&b);
        for (int t = 0; t < 60; t++) {
            a.key_off = b.key_off = t >= 30;
            a.changes = b.changes = 0;
            env_tick(&a, &in, false);
            if (!b.volume_env.finished) step(&b, in);
            if (!b.panning_env.finished)
                env_step(&b, &b.panning_env, in.panning_envelope, in.panning_point_count, in.panning_sustain_point,
                         in.panning_loop_start, in.panning_loop_end, in.panning_type, CHANGE_PANNING);
            if (b.key_off) b.changes |= CHANGE_VOLUME;
            ASSERT_EQ(std::memcmp(&a.volume_env, &b.volume_env, sizeof a.volume_env), 0) << t;
            ASSERT_EQ(std::memcmp(&a.panning_env, &b.panning_env, sizeof a.panning_env), 0) << t;
            ASSERT_EQ(a.changes, b.changes) << t;
        }
    }
}

TEST(AutoVibrato, WaveformsAndSweep) {
    Instrument in;
    std::memset(&in, 0, sizeof in);
    in.vibrato_type = 1;  // square
    in.vibrato_depth = 64;
    in.vibrato_rate = 64;
    Channel ch = fresh_channel();
    start(&ch);
    std::vector<int32_t> offsets;
    for (int t = 0; t < 5; t++) {
        ch.period_offset = 0;
        ch.changes = 0;
        autovib_step(&ch, &in);
        EXPECT_EQ(ch.changes, CHANGE_PITCH);
        offsets.push_back(ch.period_offset);
    }
    EXPECT_EQ(offsets, (std::vector<int32_t>{64, 64, -64, -64, 64}));

    in.vibrato_sweep = 4;
    in.vibrato_rate = 0;  // phase 0: full amplitude 64
    start(&ch);
    offsets.clear();
    for (int t = 0; t < 6; t++) {
        ch.period_offset = 0;
        autovib_step(&ch, &in);
        offsets.push_back(ch.period_offset);
    }
    EXPECT_EQ(offsets, (std::vector<int32_t>{0, 16, 32, 48, 64, 64}));

    // Ramps and sine at chosen phases, depth 64 so the offset is the wave.
    in.vibrato_sweep = 0;
    struct Case { uint8_t type; int32_t phase; int32_t offset; };
    const Case cases[] = {{2, 0, 0}, {2, 127, -64}, {2, 128, 64}, {2, 255, 0},
                          {3, 0, 0}, {3, 128, 64}, {3, 129, -64}, {3, 255, -1},
                          {0, 64, 63}, {0, 192, -63}, {0, 0, 0}, {7, 64, 0}};
    for (const Case& c : cases) {
        in.vibrato_type = c.type;
        ch.autovib_position = c.phase;
        ch.period_offset = 0;
        autovib_step(&ch, &in);
        EXPECT_EQ(ch.period_offset, c.offset) << int(c.type) << " at " << c.phase;
    }
}
