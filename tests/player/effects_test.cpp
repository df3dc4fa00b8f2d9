// Effect and volume-column commands played through the tick handler: limits,
// memories, the commands that act on chosen ticks, and what reaches the voice.
#include <gtest/gtest.h>
#include <cstdint>
#include <cstring>
#include <vector>
#include "player/output_settings.h"
#include "player/seq.h"
#include "tests/player/seq_song.h"

namespace {

enum : uint8_t { FX_PORTA_UP = 1, FX_PORTA_DOWN = 2, FX_PORTA = 3, FX_VIBRATO = 4, FX_PORTA_SLIDE = 5,
                 FX_VIBRATO_SLIDE = 6, FX_PANNING = 8, FX_OFFSET = 9, FX_SLIDE = 10, FX_VOLUME = 12,
                 FX_EXTENDED = 14, FX_GLOBAL = 16, FX_GLOBAL_SLIDE = 17, FX_PANNING_SLIDE = 25,
                 FX_RETRIG = 27, FX_TREMOR = 29, FX_EXTRA_FINE = 33 };

Cell cell(uint8_t note, uint8_t instrument, uint8_t volume = 0, uint8_t effect = 0, uint8_t param = 0) {
    return Cell{note, instrument, volume, effect, param};
}

void run(Module* m, int ticks) {
    for (int t = 0; t < ticks; t++) seq_tick(m);
}

}  // namespace

TEST(Effects, VolumeCommandsAndSharedMemories) {
    output_configure(44100);
    SeqSong song(5, {4});
    song.module.default_speed = 3;
    song.at(0, 0, 0) = cell(49, 1, 0, FX_VOLUME, 0x50);      // hex 80: capped at 64
    song.at(0, 1, 0) = cell(0, 0, 0, FX_VOLUME, 0x20);       // 32
    song.at(0, 0, 1) = cell(49, 1, 0x30, FX_EXTENDED, 0xA4); // 32 + 4
    song.at(0, 1, 1) = cell(0, 0, 0, FX_EXTENDED, 0xA0);     // + 4 again
    song.at(0, 2, 1) = cell(0, 0, 0, FX_EXTENDED, 0xB0);     // EA and EB share the memory
    song.at(0, 3, 1) = cell(0, 0, 0, FX_EXTENDED, 0xB2);
    song.at(0, 0, 2) = cell(49, 1, 0, FX_GLOBAL, 0x20);      // global 32
    song.at(0, 1, 2) = cell(0, 0, 0, FX_GLOBAL_SLIDE, 0x02);
    song.at(0, 2, 2) = cell(0, 0, 0, FX_GLOBAL_SLIDE, 0x00); // repeats the 02
    song.at(0, 3, 2) = cell(0, 0, 0, FX_GLOBAL, 0x7F);
    song.at(0, 0, 3) = cell(49, 1);
    song.at(0, 0, 4) = cell(49, 1, 0, FX_SLIDE, 0x02);       // A, 6 and 5 share one memory
    song.at(0, 1, 4) = cell(0, 0, 0, FX_VIBRATO_SLIDE, 0x00);
    song.at(0, 2, 4) = cell(0, 0, 0, FX_PORTA_SLIDE, 0x00);
    seq_song_reset(&song.module);

    run(&song.module, 1);
    EXPECT_EQ(channels[0].volume, 64);
    EXPECT_EQ(channels[1].volume, 36);
    EXPECT_EQ(song.module.global_volume, 32);
    // Channels before the G keep the old global volume until their next row.
    EXPECT_EQ(voices[0].volume, 127);
    EXPECT_EQ(voices[2].volume, 63);
    EXPECT_EQ(voices[3].volume, 63);
    run(&song.module, 2);
    EXPECT_EQ(channels[4].volume, 60);

    run(&song.module, 3);  // row 1
    EXPECT_EQ(channels[0].volume, 32);
    EXPECT_EQ(channels[1].volume, 40);
    EXPECT_EQ(song.module.global_volume, 28);  // H slides on ticks 1 and 2
    EXPECT_EQ(voices[3].volume, 63);           // and raises no volume bit
    EXPECT_EQ(channels[4].volume, 56);

    run(&song.module, 3);  // row 2
    EXPECT_EQ(channels[1].volume, 36);
    EXPECT_EQ(song.module.global_volume, 24);
    EXPECT_EQ(voices[3].volume, 55);  // 64 * 64 * 65536 * 28 * 255 / 2^35
    EXPECT_EQ(channels[4].volume, 52);

    run(&song.module, 1);  // row 3
    EXPECT_EQ(channels[1].volume, 34);
    EXPECT_EQ(song.module.global_volume, 64);
}

TEST(Effects, PortamentoLimitsAndMemories) {
    output_configure(44100);
    SeqSong song(4, {3});
    song.module.flags = 0;  // Amiga periods
    song.module.default_speed = 4;
    song.at(0, 0, 0) = cell(96, 1, 0, FX_PORTA_UP, 0x10);     // a period near 113, 64 a tick
    song.at(0, 0, 1) = cell(2, 1, 0, FX_PORTA_DOWN, 0xFF);
    song.at(0, 1, 1) = cell(0, 0, 0, FX_PORTA_DOWN, 0x00);
    song.at(0, 0, 2) = cell(49, 1, 0, FX_EXTENDED, 0x13);
    song.at(0, 1, 2) = cell(0, 0, 0, FX_EXTENDED, 0x10);
    song.at(0, 2, 2) = cell(0, 0, 0, FX_EXTENDED, 0x24);
    song.at(0, 0, 3) = cell(49, 1, 0, FX_EXTRA_FINE, 0x12);
    song.at(0, 1, 3) = cell(0, 0, 0, FX_EXTRA_FINE, 0x10);
    song.at(0, 2, 3) = cell(0, 0, 0, FX_EXTRA_FINE, 0x23);
    seq_song_reset(&song.module);

    run(&song.module, 1);
    const int32_t low = channels[1].period;
    EXPECT_GT(channels[0].period, 56);
    EXPECT_EQ(channels[2].period, 1712 - 12);  // fine slides act on the row tick only
    EXPECT_EQ(channels[3].period, 1712 - 2);
    run(&song.module, 3);
    EXPECT_EQ(channels[0].period, 56);  // never below 56
    EXPECT_EQ(channels[1].period, low + 3 * 1020);
    EXPECT_EQ(channels[2].period, 1712 - 12);
    run(&song.module, 4);  // row 1: the memories repeat
    EXPECT_EQ(channels[1].period, low + 6 * 1020);  // no upper limit
    EXPECT_EQ(channels[2].period, 1712 - 24);
    EXPECT_EQ(channels[3].period, 1712 - 4);
    run(&song.module, 1);  // row 2
    EXPECT_EQ(channels[2].period, 1712 - 24 + 16);
    EXPECT_EQ(channels[3].period, 1712 - 4 + 3);

    // 300 keeps the earlier speed and aims at the new row's note.
    SeqSong porta(1, {3});
    porta.module.default_speed = 2;
    porta.at(0, 0, 0) = cell(49, 1);
    porta.at(0, 1, 0) = cell(61, 0, 0, FX_PORTA, 0x08);
    porta.at(0, 2, 0) = cell(37, 0, 0, FX_PORTA, 0x00);
    seq_song_reset(&porta.module);
    run(&porta.module, 5);
    EXPECT_EQ(channels[0].period, 4608 - 32);
    EXPECT_EQ(channels[0].porta_target, 7680 - 64 * 36);
    EXPECT_EQ(channels[0].porta_speed, 8);
    EXPECT_EQ(channels[0].note, 48);
    run(&porta.module, 1);
    EXPECT_EQ(channels[0].period, 4608);
}

TEST(Effects, PitchOffsetsReachTheVoice) {
    output_configure(44100);
    // An Amiga arpeggio an octave up: the offset is the octave's period step.
    SeqSong song(1, {2});
    song.module.flags = 0;
    song.module.default_speed = 3;
    song.at(0, 0, 0) = cell(49, 1, 0, 0, 0xC0);
    seq_song_reset(&song.module);
    std::vector<int32_t> arpeggio, frequency, vibrato;
    for (int t = 0; t < 3; t++) {
        seq_tick(&song.module);
        arpeggio.push_back(channels[0].period_offset);
        frequency.push_back(voices[0].frequency);
    }
    EXPECT_EQ(arpeggio, (std::vector<int32_t>{0, -856, 0}));
    EXPECT_EQ(frequency, (std::vector<int32_t>{8362, 16725, 8362}));

    // Speed 15 and depth 8: the phase runs 0, 15, 30 and wraps to -19.
    SeqSong vib(1, {2});
    vib.module.default_speed = 8;
    vib.at(0, 0, 0) = cell(49, 1, 0, FX_VIBRATO, 0xF8);
    seq_song_reset(&vib.module);
    for (int t = 0; t < 5; t++) {
        seq_tick(&vib.module);
        vibrato.push_back(channels[0].period_offset);
    }
    EXPECT_EQ(vibrato, (std::vector<int32_t>{0, 0, -60, -12, 60}));
    EXPECT_EQ(channels[0].vibrato_position, -4);
    EXPECT_EQ(voices[0].frequency, period_frequency(4608, 60, true));
}

TEST(Effects, SampleOffsetBeyondTheEndWithoutANote) {
    output_configure(44100);
    SeqSong song(1, {3});
    song.module.default_speed = 1;
    song.at(0, 0, 0) = cell(49, 1);
    song.at(0, 1, 0) = cell(0, 0, 0, FX_OFFSET, 0x04);  // 1024 frames, the sample has 1000
    song.at(0, 2, 0) = cell(49, 0);
    seq_song_reset(&song.module);
    run(&song.module, 1);
    ASSERT_EQ(voices[0].sample, &song.samples[0]);
    run(&song.module, 1);
    EXPECT_EQ(voices[0].sample, nullptr);
    EXPECT_EQ(voices[0].start_offset, 0u);
    voices[0].position = 300;
    run(&song.module, 1);  // the next note plays from the start
    EXPECT_EQ(voices[0].sample, &song.samples[0]);
    EXPECT_EQ(voices[0].position, 0u);
}

TEST(Effects, CutDelayAndRetriggerTicks) {
    output_configure(44100);
    SeqSong song(6, {2});
    song.module.default_speed = 6;
    song.at(0, 0, 0) = cell(49, 1, 0, FX_EXTENDED, 0xC0);  // does nothing
    song.at(0, 0, 1) = cell(49, 1, 0, FX_EXTENDED, 0xC2);
    song.at(0, 0, 2) = cell(49, 1, 0, FX_EXTENDED, 0xD0);  // never starts
    song.at(0, 0, 3) = cell(49, 1, 0, FX_EXTENDED, 0xD6);  // beyond the row: never starts
    song.at(0, 0, 4) = cell(49, 1, 0, FX_EXTENDED, 0x90);
    song.at(0, 0, 5) = cell(49, 1, 0, FX_EXTENDED, 0x92);
    seq_song_reset(&song.module);
    run(&song.module, 1);
    std::vector<int32_t> cut, restarted_e90, restarted_e92;
    for (int t = 1; t < 6; t++) {
        voices[4].position = 300;
        voices[5].position = 300;
        seq_tick(&song.module);
        EXPECT_EQ(channels[0].volume, 64);
        cut.push_back(channels[1].volume);
        if (voices[4].position == 0) restarted_e90.push_back(t);
        if (voices[5].position == 0) restarted_e92.push_back(t);
    }
    EXPECT_EQ(cut, (std::vector<int32_t>{64, 0, 0, 0, 0}));
    EXPECT_EQ(voices[1].volume, 0);
    EXPECT_EQ(voices[2].sample, nullptr);
    EXPECT_EQ(voices[3].sample, nullptr);
    EXPECT_TRUE(restarted_e90.empty());
    EXPECT_EQ(restarted_e92, (std::vector<int32_t>{2, 4}));
}

TEST(Effects, MultiRetriggerAndTremor) {
    output_configure(44100);
    SeqSong song(3, {4});
    song.module.default_speed = 6;
    song.at(0, 0, 0) = cell(49, 1, 0x30, FX_RETRIG, 0x32);  // volume 32, -4 every 2 ticks
    song.at(0, 1, 0) = cell(0, 0, 0, FX_RETRIG, 0x00);      // the same again
    song.at(0, 2, 0) = cell(0, 0, 0, FX_RETRIG, 0x50);      // interval 0: nothing
    song.at(0, 3, 0) = cell(0, 0, 0, FX_RETRIG, 0x00);      // repeats the interval 0
    song.at(0, 0, 1) = cell(49, 1, 0, FX_TREMOR, 0x00);     // on and off 0: muted throughout
    song.at(0, 0, 2) = cell(49, 1, 0, FX_TREMOR, 0x12);     // two ticks on, three off
    seq_song_reset(&song.module);
    std::vector<int32_t> muted, tremor;
    for (int t = 0; t < 6; t++) {
        seq_tick(&song.module);
        muted.push_back(voices[1].volume);
        tremor.push_back(voices[2].volume);
    }
    EXPECT_EQ(channels[0].volume, 24);
    EXPECT_EQ(muted, (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(tremor, (std::vector<int32_t>{127, 127, 0, 0, 0, 127}));
    run(&song.module, 6);
    EXPECT_EQ(channels[0].volume, 16);
    voices[0].position = 300;
    run(&song.module, 12);
    EXPECT_EQ(channels[0].volume, 16);
    EXPECT_EQ(voices[0].position, 300u);

    // The volume changes of R, from volume 30 and at the limits.
    const int32_t from_30[16] = {30, 29, 28, 26, 22, 14, 20, 15, 30, 31, 32, 34, 38, 46, 45, 60};
    Module m{};
    m.tick = 2;
    const Cell retrig{0, 0, 0, FX_RETRIG, 0};
    for (int change = 0; change < 16; change++) {
        Channel ch;
        std::memset(&ch, 0, sizeof ch);
        ch.volume = 30;
        ch.retrig_volume_change = static_cast<uint8_t>(change);
        ch.retrig_interval = 1;
        fx_tick_effect(&m, &ch, &retrig, &empty_instrument, &empty_sample);
        EXPECT_EQ(ch.volume, from_30[change]) << change;
        EXPECT_EQ(ch.changes, change == 0 ? CHANGE_TRIGGER : CHANGE_TRIGGER | CHANGE_VOLUME) << change;
        ch.volume = change < 8 ? 3 : 62;
        fx_tick_effect(&m, &ch, &retrig, &empty_instrument, &empty_sample);
        EXPECT_GE(ch.volume, 0) << change;
        EXPECT_LE(ch.volume, 64) << change;
    }
}

TEST(Effects, PanningCommandsAndTheVoiceClamp) {
    output_configure(44100);
    SeqSong song(3, {4});
    song.module.default_speed = 3;
    song.at(0, 0, 0) = cell(49, 1, 0xC0);                        // panning 0
    song.at(0, 1, 0) = cell(0, 0, 0xD5);                         // 3 slides of 5 below 0
    song.at(0, 2, 0) = cell(0, 0, 0xE4);                         // back up from there
    song.at(0, 0, 1) = cell(49, 1, 0, FX_PANNING, 0xF0);
    song.at(0, 1, 1) = cell(0, 0, 0xEF);                         // above 255
    song.at(0, 2, 1) = cell(0, 0, 0, FX_PANNING_SLIDE, 0x20);    // capped at 255
    song.at(0, 3, 1) = cell(0, 0, 0, FX_EXTENDED, 0x84);
    song.at(0, 0, 2) = cell(49, 1, 0, FX_PANNING_SLIDE, 0x03);
    song.at(0, 1, 2) = cell(0, 0, 0, FX_PANNING_SLIDE, 0x00);    // repeats the 03
    seq_song_reset(&song.module);

    run(&song.module, 3);
    EXPECT_EQ(channels[0].panning, 0);
    EXPECT_EQ(channels[1].panning, 240);
    EXPECT_EQ(channels[2].panning, 128 - 6);
    run(&song.module, 3);  // row 1
    EXPECT_EQ(channels[0].panning, -15);
    EXPECT_EQ(voices[0].panning, 0);
    EXPECT_EQ(voices[0].left_volume, 127);
    EXPECT_EQ(voices[0].right_volume, 0);
    EXPECT_EQ(channels[1].panning, 285);
    EXPECT_EQ(voices[1].panning, 255);
    EXPECT_EQ(channels[2].panning, 128 - 12);
    run(&song.module, 3);  // row 2
    EXPECT_EQ(channels[0].panning, -3);  // the channel kept its value below 0
    EXPECT_EQ(voices[0].panning, 0);
    EXPECT_EQ(channels[1].panning, 255);
    run(&song.module, 1);  // row 3
    EXPECT_EQ(channels[1].panning, 64);
    EXPECT_EQ(voices[1].panning, 64);
}

TEST(Effects, FinetuneChangesTheSampleForLaterNotes) {
    output_configure(44100);
    SeqSong song(2, {2});
    song.module.default_speed = 1;
    song.at(0, 0, 0) = cell(49, 1, 0, FX_EXTENDED, 0x58);
    song.at(0, 1, 1) = cell(49, 1);
    seq_song_reset(&song.module);
    run(&song.module, 1);
    EXPECT_EQ(song.samples[0].finetune, 8);
    EXPECT_EQ(channels[0].period, 4608);  // the current note keeps its period
    run(&song.module, 1);
    EXPECT_EQ(channels[1].period, 4608 - 4);  // another channel's later note uses it

    // The shared stand-in for a missing sample stays all zero.
    Channel ch;
    std::memset(&ch, 0, sizeof ch);
    const Cell fine{0, 0, 0, FX_EXTENDED, 0x5F};
    fx_row_effect(&song.module, &ch, &fine, &empty_instrument, &empty_sample);
    EXPECT_EQ(empty_sample.finetune, 0);
}

TEST(Effects, UnlimitedSlidesStopAtTheIntegerRange) {
    // A song that loops for hours with a slide and no new note must not wrap
    // the period or the panning round to the other end.
    Module m{};
    m.tick = 1;
    Channel ch;
    std::memset(&ch, 0, sizeof ch);
    ch.porta_down_memory = 0xFF;
    ch.period = INT32_MAX - 100;
    const Cell down{0, 0, 0, FX_PORTA_DOWN, 0};
    fx_tick_effect(&m, &ch, &down, &empty_instrument, &empty_sample);
    EXPECT_EQ(ch.period, INT32_MAX);
    const Cell fine_down{0, 0, 0, FX_EXTENDED, 0x2F};
    const Cell extra_down{0, 0, 0, FX_EXTRA_FINE, 0x2F};
    fx_row_effect(&m, &ch, &fine_down, &empty_instrument, &empty_sample);
    fx_row_effect(&m, &ch, &extra_down, &empty_instrument, &empty_sample);
    EXPECT_EQ(ch.period, INT32_MAX);

    ch.period = INT32_MIN + 10;
    const Cell fine_up{0, 0, 0, FX_EXTENDED, 0x1F};
    const Cell extra_up{0, 0, 0, FX_EXTRA_FINE, 0x1F};
    fx_row_effect(&m, &ch, &fine_up, &empty_instrument, &empty_sample);
    fx_row_effect(&m, &ch, &extra_up, &empty_instrument, &empty_sample);
    EXPECT_EQ(ch.period, INT32_MIN);

    ch.panning = INT32_MAX - 3;
    fx_row_volume(&ch, 0xEF);
    fx_tick_volume(&ch, 0xEF);
    EXPECT_EQ(ch.panning, INT32_MAX);
    ch.panning = INT32_MIN + 3;
    fx_row_volume(&ch, 0xDF);
    fx_tick_volume(&ch, 0xDF);
    EXPECT_EQ(ch.panning, INT32_MIN);

    // The voice takes the clamped end of such a panning, whatever the envelope.
    Voice voice{};
    ch.voice = &voice;
    for (int32_t envelope : {0, 32, 64}) {
        ch.panning_env.value = envelope;
        ch.panning = INT32_MIN;
        ch.changes = CHANGE_PANNING;
        seq_update_voice(&ch, &empty_sample, &m);
        EXPECT_EQ(voice.panning, 0) << envelope;
        ch.panning = INT32_MAX;
        ch.changes = CHANGE_PANNING;
        seq_update_voice(&ch, &empty_sample, &m);
        EXPECT_EQ(voice.panning, 255) << envelope;
    }
}
