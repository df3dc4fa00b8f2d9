// The table of synthesis techniques with their numbers, and the one call that
// makes a recipe's sound and checks it is fit to become a sample.
#include <cmath>
#include "tools/make_assets/gen_dsp.h"
#include "tools/make_assets/gen_synth.h"

namespace {

// Numbers every technique has: the sample rate it is made at, and for
// one-shots the length in seconds before the spare bytes are shared out.
#define RATE(r) {"rate", r, 4000, 48000}
#define LENGTH(s) {"length", s, 0.005, 4.0}

const Technique techniques[] = {
    {"kick", false,
     {RATE(22050), LENGTH(0.35), {"start", 160, 40, 1000}, {"end", 48, 20, 400}, {"sweep", 0.04, 0.001, 1},
      {"decay", 0.2, 0.01, 2}, {"click", 0.3, 0, 2}, {"drive", 1.5, 0.1, 10}},
     make_kick},
    {"snare", false,
     {RATE(22050), LENGTH(0.25), {"tone", 190, 60, 1000}, {"tone_decay", 0.06, 0.005, 1},
      {"noise_decay", 0.12, 0.005, 1}, {"tone_mix", 0.4, 0, 1}, {"colour", 3000, 200, 10000},
      {"snap", 0.8, 0, 4}},
     make_snare},
    {"hat", false,
     {RATE(44100), LENGTH(0.06), {"decay", 0.02, 0.002, 2}, {"metal", 0.5, 0, 1},
      {"metal_pitch", 1, 0.25, 4}, {"cutoff", 7000, 1000, 15000}},
     make_hat},
    {"bass", true,
     {RATE(22050), {"cycle", 200, 16, 2000}, {"attack", 0.25, 0.01, 2}, {"cutoff_start", 2500, 50, 10000},
      {"cutoff_end", 500, 50, 10000}, {"resonance", 2, 0.5, 20}, {"body", 0.3, 0, 2}},
     make_bass},
    {"pad", true,
     {RATE(16000), {"loop", 1.0, 0.05, 4}, {"pitch", 261.63, 20, 2000}, {"voices", 5, 1, 9},
      {"spread", 1, 0, 8}, {"cutoff", 2200, 100, 10000}},
     make_pad},
    {"lead", true,
     {RATE(22050), {"loop", 0.5, 0.05, 4}, {"pitch", 523.25, 20, 4000}, {"depth", 0.3, 0, 0.45},
      {"sweeps", 2, 0, 32}, {"cutoff", 5000, 100, 20000}},
     make_lead},
    {"pluck", false,
     {RATE(22050), LENGTH(0.9), {"pitch", 392, 40, 4000}, {"damping", 0.996, 0.9, 1},
      {"brightness", 0.5, 0.01, 1}, {"pick", 0.2, 0, 0.5}},
     make_pluck},
    {"bell", true,
     {RATE(22050), {"loop", 0.1, 0.01, 2}, {"pitch", 1046.5, 50, 5000}, {"ratio", 3.5, 0.25, 16},
      {"index", 3, 0, 20}, {"index_end", 0.6, 0, 20}, {"strike", 0.35, 0.01, 3}, {"fall", 0.4, 0, 0.95}},
     make_bell},
    {"flute", true,
     {RATE(22050), {"loop", 0.4, 0.05, 4}, {"pitch", 523.25, 50, 4000}, {"h2", 0.12, 0, 1}, {"h3", 0.05, 0, 1},
      {"breath", 0.08, 0, 2}, {"breath_q", 4, 0.5, 50}},
     make_flute},
    {"choir", true,
     {RATE(16000), {"loop", 0.8, 0.05, 4}, {"pitch", 261.63, 50, 2000}, {"voices", 5, 1, 9}, {"spread", 1, 0, 8},
      {"tilt", 9, 0, 24}, {"f1", 320, 100, 4000}, {"b1", 80, 20, 1000}, {"a1", 1, 0, 4},
      {"f2", 800, 100, 5000}, {"b2", 100, 20, 1000}, {"a2", 0.35, 0, 4},
      {"f3", 2300, 100, 6000}, {"b3", 150, 20, 2000}, {"a3", 0.12, 0, 4}},
     make_choir},
    {"bleat", false,
     {RATE(22050), LENGTH(0.32), {"pitch", 480, 60, 2000}, {"start_pitch", 0.88, 0.25, 4},
      {"end_pitch", 0.92, 0.25, 4}, {"glide", 0.05, 0.001, 1}, {"vibrato", 10, 0, 40},
      {"vibrato_depth", 0.05, 0, 0.5}, {"tremolo", 0.45, 0, 1}, {"onset", 0.03, 0, 0.5},
      {"f1_start", 280, 100, 4000}, {"f2_start", 1400, 100, 5000}, {"f1", 620, 100, 4000},
      {"f2", 1850, 100, 5000}, {"f3", 2700, 100, 6000}, {"b1", 100, 20, 1000}, {"b2", 140, 20, 1000},
      {"b3", 200, 20, 2000}, {"a1", 1, 0, 4}, {"a2", 0.6, 0, 4}, {"a3", 0.4, 0, 4}, {"breath", 0.12, 0, 2},
      {"release", 0.08, 0.001, 1}},
     make_bleat},
};

#undef RATE
#undef LENGTH

}  // namespace

const Technique* find_technique(const std::string& name) {
    for (const Technique& t : techniques)
        if (name == t.name) return &t;
    return nullptr;
}

size_t nominal_frames(const Recipe& recipe) {
    const Technique* t = find_technique(recipe.technique);
    if (!t || t->looped) return 0;
    return static_cast<size_t>(std::lround(recipe.params.at("length") * recipe.params.at("rate")));
}

bool synthesise(const Source& source, const Recipe& recipe, size_t frames, Sound* sound) {
    const Technique* t = find_technique(recipe.technique);
    if (!t) return source_error(source, recipe.line, "unknown technique \"" + recipe.technique + "\"");
    *sound = Sound{};
    t->make(recipe.params, frames, sound);
    if (sound->frames.empty() || (sound->looped && sound->loop_start >= sound->frames.size()))
        return source_error(source, recipe.line, recipe.name + ": the sound came out empty");
    for (double v : sound->frames)
        if (!std::isfinite(v)) return source_error(source, recipe.line, recipe.name + ": the sound is not finite");
    normalise(&sound->frames, recipe.level);
    return true;
}
