// The sequencer through its tick handler: tempo, row timing, the
// song-position effects, note and instrument selection and the voice numbers.
#include <gtest/gtest.h>
#include <cstring>
#include "player/output_settings.h"
#include "player/seq.h"
#include "tests/player/seq_song.h"

namespace {

std::vector<int32_t> rows_of(const std::vector<RowVisit>& visits) {
    std::vector<int32_t> rows;
    for (const RowVisit& v : visits) rows.push_back(v.row);
    return rows;
}

std::vector<int32_t> orders_of(const std::vector<RowVisit>& visits) {
    std::vector<int32_t> orders;
    for (const RowVisit& v : visits) orders.push_back(v.order);
    return orders;
}

Cell note_cell(uint8_t note, uint8_t instrument, uint8_t volume = 0, uint8_t effect = 0, uint8_t param = 0) {
    return Cell{note, instrument, volume, effect, param};
}

}  // namespace

TEST(Sequencer, TempoGivesWholeFramesPerTick) {
    output_configure(44100);
    Module m{};
    seq_set_bpm(&m, 125);
    EXPECT_EQ(m.bpm, 125);
    EXPECT_EQ(m.samples_per_tick, 882);
    seq_set_bpm(&m, 32);
    EXPECT_EQ(m.samples_per_tick, 3445);
    seq_set_bpm(&m, 255);
    EXPECT_EQ(m.samples_per_tick, 432);
    // The single-precision constants must not push any BPM across a whole frame.
    for (int32_t bpm = 1; bpm <= 255; bpm++) {
        seq_set_bpm(&m, bpm);
        EXPECT_EQ(m.samples_per_tick, static_cast<int32_t>(2.5 * 44100 / bpm)) << bpm;
    }
    // A tempo that would give no frame at all still gives one.
    seq_set_bpm(&m, 0);
    EXPECT_GE(m.samples_per_tick, 1);
    seq_set_bpm(&m, -5);
    EXPECT_GE(m.samples_per_tick, 1);
    output_configure(100);
    seq_set_bpm(&m, 255);
    EXPECT_EQ(m.samples_per_tick, 1);
    output_configure(44100);
}

TEST(Sequencer, SpeedAndBpmEffects) {
    output_configure(44100);
    SeqSong song(1, {8});
    song.at(0, 0, 0) = note_cell(0, 0, 0, 15, 0x00);  // F00
    seq_song_reset(&song.module);
    std::vector<RowVisit> v = seq_run(&song.module, 4);
    ASSERT_EQ(v.size(), 4u);  // every tick is a row tick
    EXPECT_EQ(rows_of(v), (std::vector<int32_t>{0, 1, 2, 3}));

    SeqSong slow(1, {8});
    slow.at(0, 0, 0) = note_cell(0, 0, 0, 15, 0x1F);  // F1F
    slow.at(0, 1, 0) = note_cell(0, 0, 0, 15, 0x20);  // F20
    seq_song_reset(&slow.module);
    v = seq_run(&slow.module, 40);
    EXPECT_EQ(slow.module.speed, 31);
    ASSERT_GE(v.size(), 2u);
    EXPECT_EQ(v[1].tick, 31);  // the F1F row already lasts 31 ticks
    EXPECT_EQ(slow.module.bpm, 32);
    EXPECT_EQ(slow.module.samples_per_tick, 3445);
}

TEST(Sequencer, PatternDelayStretchesTheRowAndSlidesRunOn) {
    output_configure(44100);
    SeqSong song(2, {8});
    song.module.default_speed = 4;
    song.at(0, 0, 1) = note_cell(49, 1, 0x10);         // volume 0
    song.at(0, 1, 0) = note_cell(0, 0, 0, 14, 0xE2);   // EE2
    song.at(0, 1, 1) = note_cell(0, 0, 0, 10, 0x10);   // A10: up 1 per tick
    seq_song_reset(&song.module);
    std::vector<RowVisit> v = seq_run(&song.module, 17);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1].tick, 4);
    EXPECT_EQ(v[2].tick, 16);  // 12 ticks: speed 4 times (1 + 2)
    EXPECT_EQ(channels[1].volume, 11);  // slid on ticks 1 to 11
    EXPECT_EQ(song.module.pattern_delay_ticks, 0);
}

TEST(Sequencer, OrderListEndsAndJumps) {
    output_configure(44100);
    // The natural end goes to the restart position.
    SeqSong song(1, {2, 2, 2});
    song.module.default_speed = 1;
    song.module.restart_position = 1;
    seq_song_reset(&song.module);
    std::vector<RowVisit> v = seq_run(&song.module, 10);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 0, 1, 1, 2, 2, 1, 1, 2, 2}));

    // D00 at the last order position starts the list again, not the restart position.
    song.at(2, 0, 0) = note_cell(0, 0, 0, 13, 0x00);
    seq_song_reset(&song.module);
    v = seq_run(&song.module, 7);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 0, 1, 1, 2, 0, 0}));
    EXPECT_EQ(v[5].row, 0);

    // B beyond the song goes to order 0, row 0; B02 to order 2.
    song.at(2, 0, 0) = Cell{};
    song.at(0, 1, 0) = note_cell(0, 0, 0, 11, 0x02);
    song.at(2, 0, 0) = note_cell(0, 0, 0, 11, 0x07);
    seq_song_reset(&song.module);
    v = seq_run(&song.module, 5);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 0, 2, 0, 0}));
    EXPECT_EQ(rows_of(v), (std::vector<int32_t>{0, 1, 0, 0, 1}));

    // A restart position outside the song restarts at order 0.
    SeqSong bad(1, {1, 1});
    bad.module.default_speed = 1;
    bad.module.restart_position = 2;
    seq_song_reset(&bad.module);
    v = seq_run(&bad.module, 4);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 1, 0, 1}));
}

TEST(Sequencer, PatternBreakRows) {
    output_configure(44100);
    SeqSong song(2, {4, 16, 16, 16, 4});
    song.module.default_speed = 1;
    song.at(0, 0, 0) = note_cell(0, 0, 0, 13, 0x70);  // 70 > 63: row 0
    song.at(1, 0, 0) = note_cell(0, 0, 0, 13, 0xFF);  // 165 > 63: row 0
    song.at(2, 0, 0) = note_cell(0, 0, 0, 13, 0x12);  // row 12
    song.at(3, 12, 0) = note_cell(0, 0, 0, 13, 0x09); // beyond the 4 rows of the next pattern: its top
    seq_song_reset(&song.module);
    std::vector<RowVisit> v = seq_run(&song.module, 6);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 1, 2, 3, 4, 4}));
    EXPECT_EQ(rows_of(v), (std::vector<int32_t>{0, 0, 0, 12, 0, 1}));

    // B then D in the same row: B's order, D's row; D then B: B wins both.
    SeqSong both(2, {4, 16, 16});
    both.module.default_speed = 1;
    both.at(0, 0, 0) = note_cell(0, 0, 0, 11, 0x02);
    both.at(0, 0, 1) = note_cell(0, 0, 0, 13, 0x05);
    both.at(2, 5, 0) = note_cell(0, 0, 0, 13, 0x03);
    both.at(2, 5, 1) = note_cell(0, 0, 0, 11, 0x01);
    seq_song_reset(&both.module);
    v = seq_run(&both.module, 3);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 2, 1}));
    EXPECT_EQ(rows_of(v), (std::vector<int32_t>{0, 5, 0}));
}

TEST(Sequencer, PatternLoopAndBreakPrecedence) {
    output_configure(44100);
    SeqSong song(1, {16});
    song.module.default_speed = 1;
    song.at(0, 4, 0) = note_cell(0, 0, 0, 14, 0x60);
    song.at(0, 8, 0) = note_cell(0, 0, 0, 14, 0x62);
    seq_song_reset(&song.module);
    std::vector<RowVisit> v = seq_run(&song.module, 17);
    EXPECT_EQ(rows_of(v), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 4, 5, 6}));
    v = seq_run(&song.module, 3);
    EXPECT_EQ(rows_of(v), (std::vector<int32_t>{7, 8, 9}));
    EXPECT_EQ(channels[0].loop_count, 0);

    // A break in the same row as a looping E6y wins; the counter still moves.
    SeqSong broken(2, {16, 16});
    broken.module.default_speed = 1;
    broken.at(0, 2, 0) = note_cell(0, 0, 0, 14, 0x60);
    broken.at(0, 5, 0) = note_cell(0, 0, 0, 14, 0x62);
    broken.at(0, 5, 1) = note_cell(0, 0, 0, 13, 0x00);
    seq_song_reset(&broken.module);
    v = seq_run(&broken.module, 7);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(v[6].row, 0);
    EXPECT_EQ(channels[0].loop_count, 2);
}

TEST(Sequencer, PortaRowsKeepNoteInstrumentAndPeriod) {
    output_configure(44100);
    SeqSong song(1, {8}, 2);
    song.module.default_speed = 2;
    song.at(0, 0, 0) = note_cell(49, 1);
    song.at(0, 1, 0) = note_cell(61, 2, 0, 3, 0x08);   // 308 with a note and another instrument
    song.at(0, 2, 0) = note_cell(37, 0, 0xF3);         // volume-column porta
    seq_song_reset(&song.module);
    seq_run(&song.module, 2);
    EXPECT_EQ(channels[0].period, 4608);
    voices[0].position = 500;  // as if the mixer had played on

    seq_run(&song.module, 1);  // row 1, row tick
    EXPECT_EQ(channels[0].note, 48);
    EXPECT_EQ(channels[0].instrument, 0);
    EXPECT_EQ(channels[0].period, 4608);
    EXPECT_EQ(channels[0].note_period, 3840);
    EXPECT_EQ(channels[0].porta_target, 3840);
    EXPECT_EQ(channels[0].porta_speed, 8);
    EXPECT_EQ(voices[0].position, 500u);
    EXPECT_EQ(voices[0].sample, &song.samples[0]);
    seq_run(&song.module, 1);
    EXPECT_EQ(channels[0].period, 4608 - 32);

    seq_run(&song.module, 1);  // row 2: 0xF3 towards note 37
    EXPECT_EQ(channels[0].note, 48);
    EXPECT_EQ(channels[0].period, 4608 - 32);
    EXPECT_EQ(channels[0].porta_target, 7680 - 64 * 36);
    EXPECT_EQ(channels[0].porta_speed, 48);
    EXPECT_EQ(voices[0].position, 500u);
    seq_run(&song.module, 1);
    EXPECT_EQ(channels[0].period, 4608 - 32 + 4 * 48);
}

TEST(Sequencer, InstrumentAndKeyOffRules) {
    output_configure(44100);
    SeqSong song(1, {8});
    Instrument& in = song.instruments[0];
    in.volume_type = 3;  // on, sustain
    in.volume_point_count = 2;
    in.volume_envelope[0] = {0, 64};
    in.volume_envelope[1] = {10, 0};
    in.volume_sustain_point = 0;
    in.fadeout = 1000;
    song.module.default_speed = 3;
    song.at(0, 0, 0) = note_cell(49, 1, 0x20);  // volume 16
    song.at(0, 1, 0) = note_cell(0, 1);          // instrument alone
    song.at(0, 2, 0) = note_cell(0xFF, 1);       // key-off with instrument
    seq_song_reset(&song.module);

    seq_run(&song.module, 3);
    EXPECT_EQ(channels[0].volume, 16);
    EXPECT_EQ(channels[0].volume_env.point, 0);  // held at the sustain point
    EXPECT_EQ(channels[0].volume_env.tick, 0);
    voices[0].position = 700;
    seq_run(&song.module, 1);  // instrument without note
    EXPECT_EQ(channels[0].volume, 64);
    EXPECT_EQ(channels[0].fadeout_volume, 65536);
    EXPECT_EQ(voices[0].position, 700u);  // not restarted
    seq_run(&song.module, 2);

    seq_run(&song.module, 1);  // key-off with instrument
    EXPECT_EQ(channels[0].key_off, 1);
    EXPECT_EQ(channels[0].fadeout_volume, 65536 - 1000);
    EXPECT_EQ(channels[0].volume_env.point, 1);  // went past the sustain point
    EXPECT_EQ(channels[0].volume_env.tick, 1);
    seq_run(&song.module, 1);
    EXPECT_EQ(channels[0].fadeout_volume, 65536 - 2000);

    // Without a volume envelope key-off silences the note on the row tick.
    SeqSong plain(1, {4});
    plain.module.default_speed = 1;
    plain.at(0, 0, 0) = note_cell(49, 1);
    plain.at(0, 1, 0) = note_cell(0xFF, 0);
    seq_song_reset(&plain.module);
    seq_run(&plain.module, 1);
    EXPECT_EQ(voices[0].volume, 127);
    seq_run(&plain.module, 1);
    EXPECT_EQ(voices[0].volume, 0);
}

TEST(Sequencer, VoiceVolumeAndPanningNumbers) {
    output_configure(44100);
    SeqSong song(3, {4});
    song.module.default_speed = 1;
    song.at(0, 0, 0) = note_cell(49, 1);
    song.at(0, 0, 1) = note_cell(49, 1, 0, 8, 0xFF);
    song.at(0, 0, 2) = note_cell(49, 0);  // never saw an instrument
    seq_song_reset(&song.module);
    seq_run(&song.module, 1);
    EXPECT_EQ(voices[0].volume, 127);
    EXPECT_EQ(voices[0].left_volume, 63);
    EXPECT_EQ(voices[0].right_volume, 63);
    EXPECT_EQ(voices[0].frequency, 8363);
    EXPECT_EQ(voices[0].step, 0u);
    EXPECT_EQ(voices[0].step_fraction, static_cast<uint32_t>((8363ull << 32) / 44100));
    EXPECT_EQ(voices[1].left_volume, 0);
    EXPECT_EQ(voices[1].right_volume, 127);
    EXPECT_EQ(voices[2].volume, 0);
    EXPECT_EQ(voices[2].left_volume, 0);
    EXPECT_EQ(voices[2].right_volume, 0);
}

TEST(Sequencer, BadCellsAndOrdersStayInBounds) {
    output_configure(44100);
    SeqSong song(2, {4, 0, 4});
    song.module.default_speed = 1;
    song.module.song_length = 4;
    song.module.orders[3] = 9;  // a pattern that does not exist
    song.at(0, 0, 0) = note_cell(100, 1);  // beyond the 96 notes
    song.at(0, 0, 1) = note_cell(49, 77);  // beyond the instruments
    song.at(0, 1, 0) = note_cell(254, 0);
    seq_song_reset(&song.module);
    std::vector<RowVisit> v = seq_run(&song.module, 1);
    EXPECT_EQ(channels[0].note, 0);
    EXPECT_EQ(voices[0].sample, nullptr);  // nothing triggered
    EXPECT_EQ(voices[1].sample, &empty_sample);
    EXPECT_EQ(voices[1].volume, 0);
    // Empty and missing patterns pass by, one row each, and the song goes round.
    v = seq_run(&song.module, 12);
    EXPECT_EQ(orders_of(v), (std::vector<int32_t>{0, 0, 0, 1, 2, 2, 2, 2, 3, 0, 0, 0}));

    // More channels than the table holds play the first 32.
    SeqSong wide(40, {2});
    wide.at(0, 0, 39) = note_cell(49, 1);
    seq_song_reset(&wide.module);
    seq_run(&wide.module, 10);
    EXPECT_EQ(voices[39].sample, nullptr);
}

TEST(Sequencer, EffectsThroughTheTickHandler) {
    output_configure(44100);
    SeqSong song(4, {8});
    song.module.default_speed = 6;
    song.at(0, 0, 0) = note_cell(49, 1, 0x61);           // volume column: six slides
    song.at(0, 0, 1) = note_cell(49, 1, 0, 10, 0x01);    // A01: five slides
    song.at(0, 0, 2) = note_cell(49, 1, 0, 0, 0x37);     // arpeggio
    song.at(0, 0, 3) = note_cell(49, 1, 0, 9, 0x04);     // offset 1024 beyond the 1000 frames
    seq_song_reset(&song.module);
    std::vector<int32_t> arpeggio;
    for (int t = 0; t < 6; t++) {
        seq_tick(&song.module);
        arpeggio.push_back(channels[2].period_offset);
        if (t == 0) {
            EXPECT_TRUE(channels[3].changes & CHANGE_STOP);
            EXPECT_FALSE(channels[3].changes & CHANGE_TRIGGER);
        }
    }
    EXPECT_EQ(channels[0].volume, 58);
    EXPECT_EQ(channels[1].volume, 59);
    EXPECT_EQ(arpeggio, (std::vector<int32_t>{0, 192, 448, 0, 192, 448}));

    // Vibrato depth 8 at phase 16 and -16 of the sine.
    Channel ch;
    std::memset(&ch, 0, sizeof ch);
    const Cell vibrato{0, 0, 0, 4, 0x08};
    ch.vibrato_position = 16;
    fx_row_effect(&song.module, &ch, &vibrato, &song.instruments[0], &song.samples[0]);
    EXPECT_EQ(ch.period_offset, -60);
    ch.vibrato_position = -16;
    fx_row_effect(&song.module, &ch, &vibrato, &song.instruments[0], &song.samples[0]);
    EXPECT_EQ(ch.period_offset, 60);
}

TEST(Sequencer, SampleOffsetAndNoteDelay) {
    output_configure(44100);
    SeqSong song(2, {8});
    song.module.default_speed = 6;
    song.at(0, 0, 0) = note_cell(0, 0, 0, 9, 0x02);   // offset 512 without a note
    song.at(0, 1, 0) = note_cell(49, 1);
    song.at(0, 0, 1) = note_cell(49, 1, 0, 14, 0xD3); // ED3
    seq_song_reset(&song.module);
    seq_run(&song.module, 3);
    EXPECT_EQ(voices[0].start_offset, 512u);
    EXPECT_EQ(voices[1].sample, nullptr);  // not started before tick 3
    seq_run(&song.module, 1);
    EXPECT_EQ(voices[1].sample, &song.samples[0]);
    EXPECT_EQ(voices[1].volume, 127);
    seq_run(&song.module, 3);  // row 1: the note starts at the offset
    EXPECT_EQ(voices[0].position, 512u);
    EXPECT_EQ(voices[0].start_offset, 0u);
}
