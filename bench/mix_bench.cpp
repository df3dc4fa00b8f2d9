// Throughput of the mixer: 32 voices on looping 16-bit samples at varied
// steps, 10 s of 44.1 kHz output per iteration, with steady volumes and with
// every voice ramping all the time.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstring>
#include <vector>
#include "player/mixer.h"
#include "player/output_settings.h"

namespace {

constexpr int32_t RATE = 44100;
constexpr int32_t SECONDS = 10;
constexpr int32_t FRAMES = RATE * SECONDS;

struct Bank {
    std::vector<std::vector<int16_t>> data;
    std::vector<Sample> samples;
};

// 32 samples of different lengths, each a forward loop over its second half.
Bank make_bank() {
    Bank bank;
    bank.data.resize(MIXED_VOICES);
    bank.samples.resize(MIXED_VOICES);
    for (int i = 0; i < MIXED_VOICES; i++) {
        const uint32_t length = 4000 + 977 * static_cast<uint32_t>(i);
        std::vector<int16_t>& d = bank.data[i];
        d.assign(length + 8, 0);
        for (uint32_t k = 0; k < length; k++) d[k] = static_cast<int16_t>(12000 * std::sin(k * 0.05 * (i + 1)));
        Sample& s = bank.samples[i];
        s = Sample{};
        s.data = d.data();
        s.length = length;
        s.loop_start = length / 2;
        s.loop_length = length - length / 2;
        s.loop_kind = LOOP_FORWARD;
        s.bits = 16;
        s.volume = 64;
        d[length] = d[s.loop_start];
    }
    return bank;
}

void start_voices(Bank& bank) {
    output_configure(RATE);
    std::memset(voices, 0, sizeof voices);
    for (int i = 0; i < MIXED_VOICES; i++) {
        Voice& v = voices[i];
        v.index = i;
        v.sample = &bank.samples[i];
        // Steps from a quarter to about four frames per output frame.
        const double step = 0.25 + 0.1217 * i;
        v.step = static_cast<uint32_t>(step);
        v.step_fraction = static_cast<uint32_t>((step - std::floor(step)) * 4294967296.0);
        v.direction = 1;
        v.left_volume = v.current_left_volume = static_cast<uint8_t>(40 + 5 * i);
        v.right_volume = v.current_right_volume = static_cast<uint8_t>(200 - 5 * i);
    }
}

void report(benchmark::State& state) {
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(FRAMES), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(SECONDS), benchmark::Counter::kIsIterationInvariantRate);
}

// Spans of one tick at 125 BPM (882 frames), clear, as the block renderer mixes them.
void BM_MixSteady(benchmark::State& state) {
    Bank bank = make_bank();
    start_voices(bank);
    std::vector<float> block(2 * 882);
    for (auto _ : state) {
        for (int32_t done = 0; done < FRAMES; done += 882) {
            std::memset(block.data(), 0, block.size() * sizeof(float));
            mix_voices(block.data(), 882, true);
        }
        benchmark::DoNotOptimize(block.data());
    }
    report(state);
}
BENCHMARK(BM_MixSteady)->Unit(benchmark::kMillisecond);

// New targets every 128 frames, so every frame of every voice is ramped.
void BM_MixRamping(benchmark::State& state) {
    Bank bank = make_bank();
    start_voices(bank);
    std::vector<float> block(2 * 128);
    uint8_t flip = 0;
    for (auto _ : state) {
        for (int32_t done = 0; done < FRAMES; done += 128) {
            flip ^= 1;
            for (int i = 0; i < MIXED_VOICES; i++) {
                voices[i].left_volume = static_cast<uint8_t>(flip ? 250 - i : 10 + i);
                voices[i].right_volume = static_cast<uint8_t>(flip ? 20 + i : 240 - i);
            }
            std::memset(block.data(), 0, block.size() * sizeof(float));
            mix_voices(block.data(), 128, true);
        }
        benchmark::DoNotOptimize(block.data());
    }
    report(state);
}
BENCHMARK(BM_MixRamping)->Unit(benchmark::kMillisecond);

}  // namespace
