// Small songs built as Module records in memory for the sequencer and
// renderer tests: patterns of empty cells, one looped sample per instrument.
#pragma once
#include <cstring>
#include <vector>
#include "player/module.h"
#include "player/seq.h"

struct SeqSong {
    Module module{};
    std::vector<Pattern> patterns;
    std::vector<std::vector<Cell>> cells;
    std::vector<Instrument> instruments;
    std::vector<Sample> samples;
    std::vector<std::vector<int16_t>> data;

    // `rows` per pattern; orders 0..n-1 name patterns 0..n-1 unless changed.
    SeqSong(int channel_count, std::vector<int32_t> rows, int instrument_count = 1) {
        cells.resize(rows.size());
        patterns.resize(rows.size());
        for (size_t p = 0; p < rows.size(); p++) {
            cells[p].assign(static_cast<size_t>(rows[p]) * channel_count, Cell{0, 0, 0, 0, 0});
            patterns[p].rows = rows[p];
            patterns[p].cells = cells[p].empty() ? nullptr : cells[p].data();
        }
        samples.resize(instrument_count);
        data.resize(instrument_count);
        instruments.resize(instrument_count);
        for (int i = 0; i < instrument_count; i++) {
            data[i].assign(1000 + 8, static_cast<int16_t>(1000 * (i + 1)));
            Sample& s = samples[i];
            s = Sample{};
            s.data = data[i].data();
            s.length = 1000;
            s.loop_start = 0;
            s.loop_length = 1000;
            s.volume = 64;
            s.panning = 128;
            s.bits = 16;
            s.loop_kind = LOOP_FORWARD;
            Instrument& in = instruments[i];
            std::memset(&in, 0, sizeof in);
            in.sample_count = 1;
            in.samples[0] = &s;
            for (int k = 1; k < 16; k++) in.samples[k] = &empty_sample;
        }
        Module& m = module;
        m.patterns = patterns.data();
        m.instruments = instruments.data();
        m.song_length = static_cast<int16_t>(rows.size());
        m.channel_count = static_cast<int16_t>(channel_count);
        m.pattern_count = static_cast<int32_t>(rows.size());
        m.used_pattern_count = m.pattern_count;
        m.instrument_count = static_cast<int16_t>(instrument_count);
        m.flags = 1;
        m.default_speed = 6;
        m.default_bpm = 125;
        for (size_t p = 0; p < rows.size(); p++) m.orders[p] = static_cast<uint8_t>(p);
        m.initial_global_volume = 64;
        m.on_tick = seq_tick;
    }

    Cell& at(int pattern, int row, int channel) {
        return cells[pattern][static_cast<size_t>(row) * module.channel_count + channel];
    }
};

// Puts the song at its start as the output does, without buffers or device.
inline void seq_song_reset(Module* m) {
    std::memset(channels, 0, sizeof channels);
    std::memset(voices, 0, sizeof voices);
    seq_rewind(m);
}

struct RowVisit {
    int32_t order;
    int32_t row;
    int32_t tick;  // count of ticks before this row tick
};

// Runs `ticks` ticks and lists every row tick with its position.
inline std::vector<RowVisit> seq_run(Module* m, int ticks) {
    std::vector<RowVisit> visits;
    for (int n = 0; n < ticks; n++) {
        const bool row_tick = m->tick == 0;
        seq_tick(m);
        if (row_tick) visits.push_back({m->order, m->row, n});
    }
    return visits;
}
