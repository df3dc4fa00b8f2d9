// The song as the generator holds it between reading the score and the
// instrument recipes and writing the module file.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "tools/make_assets/asset_gen.h"

constexpr int SONG_CHANNELS = 32;
constexpr int SONG_ROWS = 64;
constexpr uint32_t MODULE_BYTES = 292160;  // the module's size, to the byte

// ---- instruments ----

struct EnvelopeNode {
    int tick;
    int value;  // 0..64
};

struct Envelope {
    std::vector<EnvelopeNode> points;  // empty: off
    int sustain = -1;                  // point index, -1: none
    int loop_start = -1, loop_end = -1;
};

// A recipe: how the sample is made and how the instrument plays it.
struct Recipe {
    std::string name;
    std::string technique;                 // which synthesiser makes the sample
    std::map<std::string, double> params;  // the synthesiser's numbers, by name
    int line = 0;                          // of the synth line, for messages
    int bits = 16;
    double level = 0.9;    // the sample's peak, as a share of full scale
    double stretch = 0;    // share of the spare bytes this one-shot takes
    int volume = 64;       // 0..64
    int panning = 128;     // 0..255
    int fadeout = 0;
    Envelope volume_envelope, panning_envelope;
    int vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
};

// What a synthesiser hands back: plain frames at `rate`, the pitch they sound
// (0 for an unpitched sound, which the note c4 plays at its own rate), and a
// forward loop over [loop_start, frames.size()) when `looped`.
struct Sound {
    std::vector<double> frames;
    double rate = 0;
    double pitch = 0;
    bool looped = false;
    size_t loop_start = 0;
};

// Makes the sound of a recipe. One-shots are made `frames` long; looped
// sounds choose their own length. False, with a message, on a bad recipe.
bool synthesise(const Source& source, const Recipe& recipe, size_t frames, Sound* sound);
// The frames a one-shot recipe asks for before any stretching; 0 when looped.
size_t nominal_frames(const Recipe& recipe);

// ---- score ----

struct ScoreCell {
    uint8_t note;  // 0 none, 1..96, 97 key off
    uint8_t instrument;
    uint8_t volume;  // volume column byte
    uint8_t effect;
    uint8_t parameter;
};

using ScorePattern = std::vector<ScoreCell>;  // SONG_ROWS x SONG_CHANNELS, row by row

struct Echo {
    int channel, source, delay, percent, panning;  // panning -1: the instrument's own
    int line;
};

struct Song {
    std::vector<Recipe> instruments;
    std::vector<ScorePattern> patterns;
    std::vector<uint8_t> orders;
    std::vector<Echo> echoes;
    int speed = 6;
    int bpm = 125;
};

bool read_instruments(const Source& source, Song* song);
// Reads the score (after the instruments, whose names it uses) and writes the
// echo channels.
bool read_score(const Source& source, Song* song);
// The module, filled to MODULE_BYTES; empty (with a message) when the sources
// cannot make it. `recipes` is the instruments' source, for messages.
Bytes xm_encode(const Song& song, const Source& recipes);
