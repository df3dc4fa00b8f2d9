// The synthesisers behind the instrument recipes. Each technique names its
// numbers with a default and a range; the recipe reader checks them, so a
// synthesiser finds every number it asks for.
#pragma once
#include <map>
#include <string>
#include <vector>
#include "tools/make_assets/music.h"

using SynthParams = std::map<std::string, double>;

struct SynthParam {
    const char* name;
    double fallback, low, high;
};

struct Technique {
    const char* name;
    bool looped;  // looped sounds choose their own length
    std::vector<SynthParam> params;
    void (*make)(const SynthParams& p, size_t frames, Sound* sound);
};

const Technique* find_technique(const std::string& name);

void make_kick(const SynthParams& p, size_t frames, Sound* sound);
void make_snare(const SynthParams& p, size_t frames, Sound* sound);
void make_hat(const SynthParams& p, size_t frames, Sound* sound);
void make_bass(const SynthParams& p, size_t frames, Sound* sound);
void make_pad(const SynthParams& p, size_t frames, Sound* sound);
void make_lead(const SynthParams& p, size_t frames, Sound* sound);
void make_pluck(const SynthParams& p, size_t frames, Sound* sound);
void make_bell(const SynthParams& p, size_t frames, Sound* sound);
void make_flute(const SynthParams& p, size_t frames, Sound* sound);
void make_choir(const SynthParams& p, size_t frames, Sound* sound);
void make_bleat(const SynthParams& p, size_t frames, Sound* sound);

// Frames of a loop of about `seconds` at `rate`, and the whole number of
// cycles of `pitch` that fit it: a tone made of such cycles loops seamlessly.
struct LoopPlan {
    size_t frames;
    int cycles;
    double pitch;  // the pitch that the whole cycles give
};
LoopPlan plan_loop(double rate, double seconds, double pitch);

// Voices a whole number of cycles apart over a loop of about "loop" seconds
// around "pitch" ("voices" of them, "spread" cycles apart), each the sum of
// its harmonics below the top with the gains `gain` gives and fixed random
// phases: the beating between them repeats exactly with the loop.
typedef double (*HarmonicGain)(const SynthParams& p, int k, double f);
void detuned_voices(const SynthParams& p, uint32_t seed, HarmonicGain gain, Sound* sound);
