// Writes XM module files from plain records: the header, patterns packed from
// cells, instruments with their envelopes and samples. Every field can be set,
// also to values a loader must refuse, so the same writer serves the asset
// generator and the tests that feed the loader odd files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "player/module.h"

struct XmSample {
    uint32_t length = 0;       // as stored: bytes (a 16-bit sample has 2 per frame)
    uint32_t loop_start = 0;   // bytes
    uint32_t loop_length = 0;  // bytes
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;          // bit 0 forward, bit 1 ping-pong, bit 4 16-bit
    uint8_t panning = 128;
    int8_t relative_note = 0;
    uint8_t reserved = 0;
    std::vector<uint8_t> data;  // the stored bytes, exactly as in the file
    std::string name;           // up to 22 characters
};

struct XmInstrument {
    std::vector<XmSample> samples;
    int32_t sample_count = -1;    // written sample count; -1: samples.size()
    uint32_t header_size = 0;     // 0: 263 with samples, 29 without
    uint8_t sample_map[96] = {};
    EnvelopePoint volume_envelope[12] = {};
    EnvelopePoint panning_envelope[12] = {};
    uint8_t volume_points = 0, panning_points = 0;
    uint8_t volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0;
    uint8_t panning_sustain = 0, panning_loop_start = 0, panning_loop_end = 0;
    uint8_t volume_type = 0, panning_type = 0;
    uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
    uint16_t fadeout = 0;
    std::string name;             // up to 22 characters
};

struct XmPattern {
    int32_t rows = 64;
    std::vector<Cell> cells;     // rows x channels, row by row; empty: all empty
    std::vector<uint8_t> raw;    // when set, written as the packed data verbatim
    bool use_raw = false;
    int32_t packed_size = -1;    // written packed size; -1: the real one
};

struct XmSong {
    std::string signature = "Extended Module: ";
    std::string name;            // up to 20 characters
    std::string tracker;         // up to 20 characters, padded with spaces when set
    uint16_t version = 0x0104;   // 0x0102 and 0x0103 write the older layout
    uint32_t header_size = 276;
    uint16_t song_length = 1;
    uint16_t restart = 0;
    uint16_t channels = 4;
    int32_t pattern_count = -1;  // written pattern count; -1: patterns.size()
    uint16_t flags = 1;
    uint16_t speed = 6;
    uint16_t bpm = 125;
    uint8_t orders[256] = {};
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

std::vector<uint8_t> xm_build(const XmSong& song);

// Plain frames as the file stores them: each one the difference to the last.
std::vector<uint8_t> xm_delta8(const std::vector<int8_t>& frames);
std::vector<uint8_t> xm_delta16(const std::vector<int16_t>& frames);

// An 8-bit sample of the given frames; loop start and length in frames.
XmSample xm_sample8(const std::vector<int8_t>& frames, uint8_t type = 0, uint32_t loop_start = 0,
                    uint32_t loop_length = 0);
// A 16-bit sample of the given frames; loop start and length in frames.
XmSample xm_sample16(const std::vector<int16_t>& frames, uint8_t type = 0, uint32_t loop_start = 0,
                     uint32_t loop_length = 0);
