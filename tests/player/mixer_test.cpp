// The mixer: interpolation, loop boundaries, volume ramps and its safety with
// every position and step a voice can hold.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>
#include "player/mixer.h"
#include "player/output_settings.h"

namespace {

struct TestSample {
    std::vector<int16_t> data;
    Sample sample{};
    TestSample(std::vector<int16_t> frames, uint8_t kind, uint32_t loop_start = 0, uint32_t loop_length = 0) {
        const uint32_t length = static_cast<uint32_t>(frames.size());
        data = frames;
        data.resize(length + 8, 0);
        sample.data = length ? data.data() : nullptr;
        sample.length = length;
        sample.loop_kind = kind;
        sample.bits = 16;
        sample.loop_start = kind == LOOP_NONE ? 0 : loop_start;
        sample.loop_length = kind == LOOP_NONE ? length : loop_length;
        const uint32_t end = sample.loop_start + sample.loop_length;
        if (kind == LOOP_FORWARD) data[end] = data[loop_start];
        if (kind == LOOP_PINGPONG) data[end] = data[end - 1];
    }
};

std::vector<int16_t> ramp_frames_of(int n, int scale) {
    std::vector<int16_t> v(n);
    for (int k = 0; k < n; k++) v[k] = static_cast<int16_t>(k * scale);
    return v;
}

class Mixer : public ::testing::Test {
protected:
    void SetUp() override {
        output_configure(44100);
        std::memset(voices, 0, sizeof voices);
        for (int i = 0; i < VOICE_COUNT; i++) voices[i].index = i;
    }
    // A voice at full volume on the left only, with no ramp pending.
    static Voice& start(int n, Sample* sample, double position, double step, uint8_t left = 255) {
        Voice& v = voices[n];
        v.sample = sample;
        v.position = static_cast<uint32_t>(position);
        v.position_fraction = static_cast<uint32_t>((position - std::floor(position)) * 4294967296.0);
        v.step = static_cast<uint32_t>(step);
        v.step_fraction = static_cast<uint32_t>((step - std::floor(step)) * 4294967296.0);
        v.direction = 1;
        v.left_volume = v.current_left_volume = left;
        v.right_volume = v.current_right_volume = 0;
        return v;
    }
    static double pos(const Voice& v) { return v.position + v.position_fraction / 4294967296.0; }
};

}  // namespace

TEST_F(Mixer, InterpolationAndStopAtTheEnd) {
    TestSample s(std::vector<int16_t>(100, 1000), LOOP_NONE);
    Voice& v = start(3, &s.sample, 0.0, 1.5);
    std::vector<float> out(2 * 80, 0.0f);
    mix_voices(out.data(), 80);
    for (int k = 0; k < 67; k++) EXPECT_NEAR(out[2 * k], 1000.0f, 0.01f) << k;
    for (int k = 67; k < 80; k++) EXPECT_EQ(out[2 * k], 0.0f) << k;
    for (int k = 0; k < 80; k++) EXPECT_EQ(out[2 * k + 1], 0.0f);
    EXPECT_EQ(v.sample, nullptr);
    EXPECT_EQ(v.position, 0u);
    EXPECT_EQ(v.position_fraction, 0u);

    // Halfway between 0 and 1000 is 500.
    TestSample two({0, 1000}, LOOP_NONE);
    start(0, &two.sample, 0.5, 1.0);
    float frame[2] = {0, 0};
    mix_voices(frame, 1);
    EXPECT_FLOAT_EQ(frame[0], 500.0f);

    // Voices from 32 on are never heard; n = 0 changes nothing.
    SetUp();
    start(32, &s.sample, 0.0, 1.0);
    Voice& quiet = start(1, &s.sample, 7.25, 1.0);
    std::vector<float> span(20, 0.0f);
    mix_voices(span.data(), 10);
    mix_voices(span.data(), 0);
    for (int k = 0; k < 10; k++) EXPECT_NEAR(span[2 * k], 1000.0f, 0.01f);
    EXPECT_EQ(voices[32].position, 0u);
    EXPECT_DOUBLE_EQ(pos(quiet), 17.25);
}

TEST_F(Mixer, ForwardAndPingPongLoops) {
    std::vector<int16_t> frames = ramp_frames_of(20, 100);
    TestSample forward(frames, LOOP_FORWARD, 10, 5);
    Voice& v = start(0, &forward.sample, 14.5, 1.0);
    float frame[2] = {0, 0};
    mix_voices(frame, 1);
    EXPECT_FLOAT_EQ(frame[0], (1400.0f + 1000.0f) / 2) << "frame 14 and the guard, a copy of frame 10";
    EXPECT_DOUBLE_EQ(pos(v), 10.5);
    std::vector<float> out(2 * 30, 0.0f);
    mix_voices(out.data(), 30);  // many wraps
    EXPECT_DOUBLE_EQ(pos(v), 10.5);
    EXPECT_FLOAT_EQ(out[2 * 4], 1200.0f) << "at 14.5 again";

    stop_voice(0);
    TestSample pingpong(frames, LOOP_PINGPONG, 10, 5);
    Voice& p = start(1, &pingpong.sample, 14.5, 1.0);
    frame[0] = 0;
    mix_voices(frame, 1);
    EXPECT_FLOAT_EQ(frame[0], 1400.0f) << "the guard repeats frame 14";
    EXPECT_EQ(p.direction, 2);
    EXPECT_EQ(p.position, 14u);
    EXPECT_EQ(p.position_fraction, 0x7FFFFFFFu) << "14.5 - 2^-32";
    std::fill(out.begin(), out.end(), 0.0f);
    mix_voices(out.data(), 6);
    // Down through 14.5 (the guard repeats 14), 13.5 .. 10.5, then reflected up at 10.
    const float expected[] = {1400, 1350, 1250, 1150, 1050, 1050};
    for (int k = 0; k < 6; k++) EXPECT_NEAR(out[2 * k], expected[k], 0.01f) << k;
    EXPECT_EQ(p.direction, 1);
}

TEST_F(Mixer, VolumeRamps) {
    TestSample s(std::vector<int16_t>(1000, 1000), LOOP_FORWARD, 0, 1000);
    Voice& v = start(0, &s.sample, 0.0, 1.0, 0);
    v.left_volume = 255;  // 0 -> 255 over 128 frames
    std::vector<float> out(2 * 200, 0.0f);
    mix_voices(out.data(), 40);
    EXPECT_EQ(v.ramp_frames_left, 88) << "cut by the end of the call";
    mix_voices(out.data() + 80, 160);
    // Frame k weighs k/128; the second call starts from the volume byte
    // reached (80 of 255) with the same increment.
    for (int k = 0; k < 40; k++) EXPECT_NEAR(out[2 * k], 1000.0f * k / 128, 0.05f) << k;
    for (int k = 40; k < 128; k++) EXPECT_NEAR(out[2 * k], 1000.0f * (80.0f / 255 + (k - 40) / 128.0f), 0.05f) << k;
    for (int k = 128; k < 200; k++) EXPECT_NEAR(out[2 * k], 1000.0f, 0.01f) << k;
    for (int k = 0; k < 200; k++) EXPECT_EQ(out[2 * k + 1], 0.0f);
    EXPECT_EQ(v.current_left_volume, 255);
    EXPECT_EQ(v.current_right_volume, 0);
    EXPECT_EQ(v.ramp_frames_left, 0);

    // A new target after 40 frames ramps anew, for 128 frames, from there.
    SetUp();
    Voice& w = start(0, &s.sample, 0.0, 1.0, 0);
    w.left_volume = 255;
    std::fill(out.begin(), out.end(), 0.0f);
    mix_voices(out.data(), 40);
    EXPECT_EQ(w.current_left_volume, 80);  // 40/128 of 255, rounded
    w.left_volume = 0;
    mix_voices(out.data() + 80, 160);
    for (int k = 0; k < 128; k++)
        EXPECT_NEAR(out[2 * (40 + k)], 1000.0f * 80 / 255 * (1 - k / 128.0f), 0.05f) << k;
    EXPECT_EQ(out[2 * 168], 0.0f);
    EXPECT_EQ(w.current_left_volume, 0);

    // A ramp ended inside a pass goes on at its target. Loop ends inside a
    // ramp restart it from the rounded volume byte, so it may stray by a few
    // steps of 1/255 on the way.
    TestSample shortloop(std::vector<int16_t>(10, 1000), LOOP_FORWARD, 0, 10);
    SetUp();
    Voice& x = start(0, &shortloop.sample, 0.0, 1.0, 0);
    x.left_volume = 255;
    std::fill(out.begin(), out.end(), 0.0f);
    mix_voices(out.data(), 200);
    for (int k = 0; k < 200; k++) EXPECT_NEAR(out[2 * k], 1000.0f * std::min(k, 128) / 128, 12.0f) << k;
    for (int k = 128; k < 200; k++) EXPECT_NEAR(out[2 * k], 1000.0f, 0.01f) << k;

    // stop_voice keeps the volumes: the next note ramps from them.
    EXPECT_TRUE(stop_voice(0));
    EXPECT_EQ(x.sample, nullptr);
    EXPECT_EQ(x.current_left_volume, 255);
    x.sample = &s.sample;
    x.left_volume = 51;
    std::fill(out.begin(), out.end(), 0.0f);
    mix_voices(out.data(), 2);
    EXPECT_NEAR(out[0], 1000.0f, 0.01f);
    EXPECT_NEAR(out[2], 1000.0f - 1000.0f * 204 / 255 / 128, 0.05f);
    EXPECT_FALSE(stop_voice(256));
    EXPECT_FALSE(stop_voice(-1));
}

// The ramp's numbers are products taken exactly, each rounded once: to a
// float for the increment, to the nearest byte (ties to even) for the volume
// reached. A product first rounded to a float can land on a tie and go the
// wrong way.
TEST_F(Mixer, RampArithmeticRoundsOnce) {
    TestSample s(std::vector<int16_t>(1000, 1000), LOOP_FORWARD, 0, 1000);
    std::vector<float> out(2 * 64, 0.0f);
    // 0 -> 8 cut after 40 frames: L x 255 is 2.50000009, so 3; as a float it is 2.5.
    Voice& v = start(0, &s.sample, 0.0, 1.0, 0);
    v.left_volume = 8;
    mix_voices(out.data(), 40);
    EXPECT_EQ(v.current_left_volume, 3);

    // At 48000 Hz the ramp is 139 frames and its scale no power of two.
    output_configure(48000);
    ASSERT_EQ(output_settings.ramp_frames, 139);
    const float inv_255 = 1.0f / 255.0f;
    int differing = 0;
    for (int target = 1; target < 256; target++) {
        Voice& w = start(1, &s.sample, 0.0, 1.0, 0);
        w.left_volume = static_cast<uint8_t>(target);
        w.ramp_frames_left = 0;
        mix_voices(out.data(), 1);
        const float exact = static_cast<float>(double(target) * double(inv_255) * double(output_settings.ramp_scale));
        EXPECT_EQ(w.ramp_left_increment, exact) << target;
        differing += exact != static_cast<float>(target) * inv_255 * output_settings.ramp_scale;
    }
    EXPECT_GT(differing, 0) << "the rate must tell single from double rounding";
}

TEST_F(Mixer, EmptyAndInconsistentSamples) {
    std::vector<float> out(2 * 64, 0.0f);
    Voice& e = start(0, &empty_sample, 0.0, 1.0);
    mix_voices(out.data(), 64);
    EXPECT_EQ(e.sample, nullptr) << "empty_sample stops the voice";

    // Loop kinds with nothing to loop, or a loop past the sample's end, play
    // as no loop over the frames that exist.
    TestSample zero_loop(std::vector<int16_t>(16, 100), LOOP_NONE);
    zero_loop.sample.loop_kind = LOOP_FORWARD;
    zero_loop.sample.loop_length = 0;
    Voice& z = start(1, &zero_loop.sample, 3.0, 1.0);
    TestSample outside(std::vector<int16_t>(16, 100), LOOP_NONE);
    outside.sample.loop_kind = LOOP_PINGPONG;
    outside.sample.loop_start = 8;
    outside.sample.loop_length = 1000000;
    Voice& o = start(2, &outside.sample, 0.0, 1.0);
    TestSample nodata(std::vector<int16_t>(16, 100), LOOP_FORWARD, 0, 16);
    nodata.sample.data = nullptr;
    Voice& d = start(3, &nodata.sample, 0.0, 1.0);
    mix_voices(out.data(), 64);
    EXPECT_EQ(z.sample, nullptr);
    EXPECT_EQ(o.sample, nullptr);
    EXPECT_EQ(d.sample, nullptr);
}

TEST_F(Mixer, PositionsAndStepsOutOfTheOrdinary) {
    std::vector<int16_t> frames = ramp_frames_of(64, 10);
    TestSample forward(frames, LOOP_FORWARD, 16, 32);
    TestSample pingpong(frames, LOOP_PINGPONG, 0, 64);
    TestSample none(frames, LOOP_NONE);
    std::vector<float> out(2 * 1000, 0.0f);

    // Beyond the loop end after a change of sample: back into the loop, or stopped.
    Voice& f = start(0, &forward.sample, 4000000000.0, 1.0);
    Voice& p = start(1, &pingpong.sample, 1000.25, 1.0);
    Voice& n = start(2, &none.sample, 70.0, 1.0);
    Voice& b = start(3, &forward.sample, 20.0, 1.0);
    b.direction = 2;  // backward on a forward loop moves forward
    mix_voices(out.data(), 1);
    EXPECT_GE(f.position, 16u);
    EXPECT_LT(f.position, 48u);
    EXPECT_LT(p.position, 64u);
    EXPECT_EQ(n.sample, nullptr);
    EXPECT_DOUBLE_EQ(pos(b), 21.0);

    // Steps of 256 frames and more, and a step of 0.
    SetUp();
    Voice& big = start(0, &forward.sample, 16.0, 1000.5);
    Voice& huge = start(1, &pingpong.sample, 3.0, 4000000000.0);
    Voice& still = start(2, &forward.sample, 20.0, 0.0);
    mix_voices(out.data(), 1000);
    EXPECT_LT(big.position, 48u);
    EXPECT_GE(big.position, 16u);
    EXPECT_LT(huge.position, 64u);
    EXPECT_DOUBLE_EQ(pos(still), 20.0);

    // Backward onto position 0 of a loop that starts there does not wrap
    // to the far end of the 32-bit range.
    SetUp();
    Voice& down = start(0, &pingpong.sample, 1.0, 1.0);
    down.direction = 2;
    mix_voices(out.data(), 3);
    EXPECT_EQ(down.direction, 1);
    EXPECT_LT(down.position, 64u);

    // A position a few 2^-32 short of the loop end still makes progress.
    SetUp();
    Voice& edge = start(0, &forward.sample, 47.0, 1.0);
    edge.position_fraction = 0xFFFFFFFEu;
    mix_voices(out.data(), 4);
    EXPECT_GE(edge.position, 16u);
    EXPECT_LT(edge.position, 48u);
}

// Random voices of every kind: positions stay inside their samples (the
// sanitizer build checks every read), nothing loops for ever, and the mix
// stays finite.
TEST_F(Mixer, RandomVoicesStaySafe) {
    std::mt19937 rng(12345);
    std::vector<TestSample> samples;
    for (int i = 0; i < 24; i++) {
        const uint32_t length = 1 + rng() % 300;
        std::vector<int16_t> frames(length);
        for (auto& x : frames) x = static_cast<int16_t>(rng());
        const uint8_t kinds[] = {LOOP_NONE, LOOP_FORWARD, LOOP_PINGPONG};
        const uint8_t kind = kinds[rng() % 3];
        const uint32_t start_at = rng() % length;
        const uint32_t loop_length = 1 + rng() % (length - start_at);
        samples.emplace_back(frames, kind, start_at, loop_length);
    }
    std::vector<float> out(2 * 4096);
    for (int round = 0; round < 2000; round++) {
        Voice& v = voices[rng() % 32];
        if (!v.sample || rng() % 4 == 0) {
            const Sample* s = &samples[rng() % samples.size()].sample;
            v.sample = const_cast<Sample*>(s);
            v.position = rng() % 3 == 0 ? rng() : rng() % (s->length + 2);
            v.position_fraction = rng();
            v.direction = 1 + rng() % 2;
        }
        const uint32_t kinds_of_step[] = {0, 1, 3, 255, 256, 70000, 0xFFFFFFFFu};
        v.step = rng() % 2 ? rng() % 4 : kinds_of_step[rng() % 7];
        v.step_fraction = rng();
        v.left_volume = static_cast<uint8_t>(rng());
        v.right_volume = static_cast<uint8_t>(rng());
        const int32_t n = static_cast<int32_t>(rng() % 4096);
        mix_voices(out.data(), n);
        for (int i = 0; i < 32; i++) {
            const Voice& w = voices[i];
            if (!w.sample) continue;
            const uint32_t end = w.sample->loop_start + w.sample->loop_length;
            ASSERT_LE(w.position, end) << "round " << round;
        }
    }
    for (float x : out) ASSERT_TRUE(std::isfinite(x));
}
