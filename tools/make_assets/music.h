// The song as the generator holds it between reading the score and the
// instrument recipes and writing the module file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "tools/make_assets/asset_gen.h"

constexpr int SONG_CHANNELS = 32;
constexpr int SONG_ROWS = 64;

struct EnvelopeNode {
    int tick;
    int value;  // 0..64
};

struct SynthInstrument {
    std::string name;
    std::vector<int8_t> data;  // plain 8-bit PCM, one cycle when looped
    bool looped;
    int volume;  // 0..64
    int finetune;
    int relative_note;
    int panning;  // 0..255
    std::vector<EnvelopeNode> envelope;  // empty: no volume envelope
    int sustain_point;                    // -1: none
    int fadeout;
};

struct ScoreCell {
    uint8_t note;  // 0 none, 1..96, 97 key off
    uint8_t instrument;
    uint8_t volume;  // volume column byte
    uint8_t effect;
    uint8_t parameter;
};

struct Song {
    std::vector<SynthInstrument> instruments;
    std::vector<std::vector<ScoreCell>> patterns;  // SONG_ROWS x SONG_CHANNELS cells each
    std::vector<uint8_t> orders;
    int speed;
    int bpm;
};

bool read_instruments(const std::string& path, Song* song);
bool read_score(const std::string& path, Song* song);
Bytes xm_encode(const Song& song);
