// The compatible profile: small modules that show each place where the
// tracker's own playback differs from the defined one, with the rows, ticks,
// pitches and volumes that tracker gives them, and the profile's choice.
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>
// The builder first: its parameter names would shadow the channel table's.
#include "tests/player/xm_builder.h"
#include "player/commands.h"
#include "player/mp_render.h"
#include "player/seq.h"
#include "tests/corpus.h"

namespace {

// What one tick leaves in a channel's voice.
struct Tick {
    int32_t frequency;
    int32_t volume;      // as a channel volume 0..64, with envelope, fadeout and global volume at full
    int32_t panning;
    bool restarted;      // the sample was (re)started on this tick
    uint32_t position;   // where it was started
    const Sample* sample;
};

constexpr uint32_t UNTOUCHED = 0xDEADBEEF;

// A song of one pattern of `rows` rows and one instrument holding one looped
// 16-bit sample of 4096 frames, volume 64, centred.
XmSong song_of(int rows, int speed = 6, int channel_count = 2) {
    XmSong song = xm_simple_song(xm_sample16(std::vector<int16_t>(4096, 1000), 1, 0, 4096), channel_count, rows);
    song.speed = static_cast<uint16_t>(speed);
    song.patterns[0].cells.assign(static_cast<size_t>(rows) * channel_count, Cell{0, 0, 0, 0, 0});
    for (int n = 0; n < 96; n++) song.instruments[0].sample_map[n] = 0;
    return song;
}

Cell& at(XmSong& song, int row, int channel = 0, int pattern = 0) {
    return song.patterns[pattern].cells[static_cast<size_t>(row) * song.channels + channel];
}

struct Loaded {
    Module* module;
    explicit Loaded(const XmSong& song, MpProfile profile) : bytes(xm_build(song)) {
        module = xm_load(bytes);
        EXPECT_NE(module, nullptr);
        if (!module) return;
        EXPECT_TRUE(mp_set_profile(module, profile));
        EXPECT_TRUE(render_begin(module, 44100));
    }
    ~Loaded() { mp_free(module); }
    std::vector<uint8_t> bytes;
};

// Plays `ticks` ticks of the song through the tick handler alone and keeps
// what channel `c` gives its voice on each.
std::vector<Tick> play(const XmSong& song, int ticks, MpProfile profile = MP_PROFILE_COMPATIBLE, int c = 0) {
    Loaded loaded(song, profile);
    std::vector<Tick> out;
    if (!loaded.module) return out;
    Voice& v = voices[c];
    for (int t = 0; t < ticks; t++) {
        v.position = UNTOUCHED;
        seq_tick(loaded.module);
        // The voice scale is the channel volume times 255/128, truncated; this undoes it.
        out.push_back({v.frequency, (v.volume * 128 + 254) / 255, v.panning, v.position != UNTOUCHED,
                       v.position, v.sample});
        if (v.position == UNTOUCHED) v.position = 0;
    }
    return out;
}

std::vector<int32_t> volumes(const std::vector<Tick>& ticks, size_t from = 0) {
    std::vector<int32_t> out;
    for (size_t t = from; t < ticks.size(); t++) out.push_back(ticks[t].volume);
    return out;
}

std::vector<int32_t> frequencies(const std::vector<Tick>& ticks, size_t from = 0) {
    std::vector<int32_t> out;
    for (size_t t = from; t < ticks.size(); t++) out.push_back(ticks[t].frequency);
    return out;
}

std::vector<int32_t> restarts(const std::vector<Tick>& ticks) {
    std::vector<int32_t> out;
    for (size_t t = 0; t < ticks.size(); t++)
        if (ticks[t].restarted) out.push_back(static_cast<int32_t>(t));
    return out;
}

// C-5 (note 61) of the linear table, a major third and a fifth above it, and C-6.
constexpr int32_t C5 = 16726, E5 = 21073, G5 = 25060, C6 = 33452;
constexpr uint8_t NOTE_C5 = 61, NOTE_C6 = 73;

}  // namespace

// An instrument may hold more samples than the defined 16; the compatible
// profile plays the ones beyond, the defined one leaves them silent.
TEST(Compat, SamplesBeyondSixteenAndTheChoiceOfProfile) {
    XmSong song = song_of(4);
    for (int j = 1; j < 23; j++) song.instruments[0].samples.push_back(xm_sample8({static_cast<int8_t>(j)}, 1, 0, 1));
    song.instruments[0].sample_map[48] = 20;
    at(song, 0) = Cell{49, 1, 0, 0, 0};
    {
        Loaded loaded(song, MP_PROFILE_COMPATIBLE);
        seq_tick(loaded.module);
        EXPECT_EQ(voices[0].sample, loaded.module->instruments[0].samples[20]);
        EXPECT_FALSE(mp_set_profile(loaded.module, MP_PROFILE_DEFINED)) << "not while it plays";
        mp_stop(loaded.module);
        EXPECT_FALSE(mp_set_profile(loaded.module, static_cast<MpProfile>(2)));
        EXPECT_TRUE(mp_set_profile(loaded.module, MP_PROFILE_DEFINED));
    }
    EXPECT_EQ(play(song, 1, MP_PROFILE_DEFINED)[0].sample, &empty_sample);
    EXPECT_FALSE(mp_set_profile(nullptr, MP_PROFILE_DEFINED));
}

// The tracker counts a row's ticks down from the speed: 047 at speed 6 plays
// the base, the fifth, the third. Counts above 16 read past its table (16 the
// base, more the y), and each repetition of a delayed row counts from the speed again.
TEST(Compat, ArpeggioCountsTicksDown) {
    XmSong song = song_of(4);
    at(song, 0) = Cell{NOTE_C5, 1, 0, FX_ARPEGGIO, 0x47};
    EXPECT_EQ(frequencies(play(song, 6)), (std::vector<int32_t>{C5, G5, E5, C5, G5, E5}));
    EXPECT_EQ(frequencies(play(song, 6, MP_PROFILE_DEFINED)), (std::vector<int32_t>{C5, E5, G5, C5, E5, G5}));
    song.speed = 18;
    EXPECT_EQ(frequencies(play(song, 7)), (std::vector<int32_t>{C5, G5, C5, C5, G5, E5, C5}));
    song.speed = 4;
    at(song, 0, 1) = Cell{0, 0, 0, FX_EXTENDED, 0xE1};
    EXPECT_EQ(frequencies(play(song, 8)), (std::vector<int32_t>{C5, C5, G5, E5, E5, C5, G5, E5}));
}

// Volume-column slides wait for the ticks after the row tick; its panning
// slides stay within 0..255, and one to the left by 0 goes to the left end.
// Its vibrato sounds on the row tick as effect 4 does.
TEST(Compat, VolumeColumn) {
    XmSong song = song_of(4);
    at(song, 0) = Cell{NOTE_C5, 1, 0x40, 0, 0};  // volume 48
    at(song, 1) = Cell{0, 0, 0x62, 0, 0};
    EXPECT_EQ(volumes(play(song, 12), 6), (std::vector<int32_t>{48, 46, 44, 42, 40, 38}));
    EXPECT_EQ(volumes(play(song, 12, MP_PROFILE_DEFINED), 6), (std::vector<int32_t>{46, 44, 42, 40, 38, 36}));

    song.instruments[0].samples[0].panning = 250;
    at(song, 1) = Cell{0, 0, 0xE4, 0, 0};
    std::vector<Tick> t = play(song, 9);
    EXPECT_EQ(t[6].panning, 250);
    EXPECT_EQ(t[7].panning, 254);
    EXPECT_EQ(t[8].panning, 255);
    at(song, 1) = Cell{0, 0, 0xD0, 0, 0};
    t = play(song, 8);
    EXPECT_EQ(t[6].panning, 250);
    EXPECT_EQ(t[7].panning, 0);

    at(song, 1) = Cell{0, 0, 0xA8, 0, 0};
    at(song, 2) = Cell{0, 0, 0xB8, 0, 0};
    at(song, 3) = Cell{0, 0, 0xB8, 0, 0};
    t = play(song, 20);
    EXPECT_EQ(t[12].frequency, C5);
    EXPECT_GT(t[18].frequency, C5) << "second half of the phase on the row tick";
    EXPECT_EQ(t[19].frequency, t[18].frequency);
    EXPECT_EQ(play(song, 19, MP_PROFILE_DEFINED)[18].frequency, C5);
}

// Key-off with an instrument number sets the sample's volume and panning
// again but neither restarts the envelopes nor silences an instrument
// without volume envelope: the note fades from where it was.
TEST(Compat, KeyOffWithAnInstrument) {
    XmSong song = song_of(6, 3);
    song.instruments[0].fadeout = 4096;  // 8192 of 65536 a tick
    at(song, 0) = Cell{NOTE_C5, 1, 0, FX_SET_VOLUME, 0x20};
    at(song, 2) = Cell{NOTE_KEY_OFF, 1, 0, 0, 0};
    EXPECT_EQ(volumes(play(song, 12), 3), (std::vector<int32_t>{32, 32, 32, 56, 48, 40, 32, 24, 16}));
    EXPECT_EQ(volumes(play(song, 9, MP_PROFILE_DEFINED), 6), (std::vector<int32_t>{0, 0, 0}));
    at(song, 2) = Cell{NOTE_KEY_OFF, 0, 0, 0, 0};
    EXPECT_EQ(volumes(play(song, 9), 6), (std::vector<int32_t>{0, 0, 0}));

    XmInstrument& in = song.instruments[0];
    in.fadeout = 0;
    in.volume_envelope[0] = {0, 64};
    in.volume_envelope[1] = {4, 32};
    in.volume_envelope[2] = {8, 0};
    in.volume_points = 3;
    in.volume_type = ENV_ON | ENV_SUSTAIN;
    in.volume_sustain = 1;
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    at(song, 2) = Cell{NOTE_KEY_OFF, 1, 0, 0, 0};
    EXPECT_EQ(volumes(play(song, 12), 4), (std::vector<int32_t>{32, 32, 32, 24, 16, 8, 0, 0}));
}

// Tremolo: speed and depth on the row tick, which applies the phase without
// moving it; the tracker's sine; the ramp turned over by the vibrato's phase.
TEST(Compat, Tremolo) {
    XmSong song = song_of(8);
    song.instruments[0].samples[0].volume = 32;
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    for (int r = 1; r <= 3; r++) at(song, r) = Cell{0, 0, 0, FX_TREMOLO, 0x48};
    EXPECT_EQ(volumes(play(song, 24), 6), (std::vector<int32_t>{32, 32, 44, 54, 61, 63, 61, 61, 54, 44, 32, 20,
                                                                  10, 10, 3, 1, 3, 10}));
    EXPECT_EQ(volumes(play(song, 24, MP_PROFILE_DEFINED), 6), std::vector<int32_t>(18, 32));
    at(song, 0) = Cell{NOTE_C5, 1, 0, FX_EXTENDED, 0x72};  // square
    EXPECT_EQ(volumes(play(song, 18), 6), (std::vector<int32_t>{63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 1, 1}));
    at(song, 0) = Cell{NOTE_C5, 1, 0, FX_EXTENDED, 0x71};  // ramp
    at(song, 1) = Cell{0, 0, 0, FX_VIBRATO, 0x81};        // leaves the vibrato in its second half
    EXPECT_EQ(volumes(play(song, 24), 12), (std::vector<int32_t>{63, 63, 59, 55, 51, 47, 43, 43, 39, 35, 1, 5}));
}

// Tremor counts the ticks after the row tick, across rows, from the last
// instrument start; a note it leaves muted stays silent after it.
TEST(Compat, TremorRunsAcrossRows) {
    XmSong song = song_of(8);
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    for (int r = 1; r <= 3; r++) at(song, r) = Cell{0, 0, 0, FX_TREMOR, 0x11};  // 2 ticks on, 2 off
    EXPECT_EQ(volumes(play(song, 30), 6), (std::vector<int32_t>{64, 64, 64, 0, 0, 64, 64, 64, 0, 0, 64, 64,
                                                                  64, 0, 0, 64, 64, 0, 0, 0, 0, 0, 0, 0}));
    at(song, 2) = Cell{NOTE_C5, 1, 0, FX_TREMOR, 0x11};
    EXPECT_EQ(volumes(play(song, 18), 12), (std::vector<int32_t>{64, 64, 64, 0, 0, 64}));
}

// Multi-retrigger counts ticks across rows: a row tick counts unless its row
// starts a note or the count is at zero. E90 restarts the note on the row tick.
TEST(Compat, RetriggerCounting) {
    XmSong song = song_of(8);
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    at(song, 1) = Cell{0, 0, 0, FX_MULTI_RETRIGGER, 0x03};
    at(song, 2) = Cell{0, 0, 0, FX_MULTI_RETRIGGER, 0x03};
    EXPECT_EQ(restarts(play(song, 18)), (std::vector<int32_t>{0, 9, 12, 15}));
    EXPECT_EQ(restarts(play(song, 18, MP_PROFILE_DEFINED)), (std::vector<int32_t>{0, 9, 15}));
    at(song, 1).note = NOTE_C5;
    at(song, 2).note = NOTE_C5;
    EXPECT_EQ(restarts(play(song, 18)), (std::vector<int32_t>{0, 6, 9, 12, 13, 16}));
    at(song, 1) = Cell{0, 0, 0, FX_EXTENDED, 0x90};
    at(song, 2) = Cell{0, 0, 0, FX_EXTENDED, 0x93};
    EXPECT_EQ(restarts(play(song, 18)), (std::vector<int32_t>{0, 6, 15}));
}

// Tone portamento in both columns of a cell slides twice a tick, at the
// volume column's speed.
TEST(Compat, TonePortamentoInBothColumns) {
    XmSong song = song_of(4);
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    at(song, 1) = Cell{NOTE_C6, 0, 0xF1, FX_TONE_PORTA, 0x20};
    EXPECT_EQ(frequencies(play(song, 12), 6), (std::vector<int32_t>{C5, 18774, E5, 23654, 26550, 29802}));
    EXPECT_EQ(frequencies(play(song, 12, MP_PROFILE_DEFINED), 6), (std::vector<int32_t>{C5, E5, 26550, C6, C6, C6}));
}

// A sample offset moves only the note that starts in its own cell.
TEST(Compat, SampleOffsetOnlyWithItsNote) {
    XmSong song = song_of(4);
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    at(song, 1) = Cell{NOTE_C6, 0, 0, FX_SAMPLE_OFFSET, 0x01};
    std::vector<Tick> t = play(song, 7);
    EXPECT_TRUE(t[6].restarted);
    EXPECT_EQ(t[6].position, 256u);
    at(song, 1) = Cell{0, 0, 0, FX_SAMPLE_OFFSET, 0x01};
    at(song, 2) = Cell{NOTE_C5, 0, 0, 0, 0};
    t = play(song, 13);
    EXPECT_EQ(t[12].position, 0u) << "not kept for a later note";
    EXPECT_EQ(play(song, 13, MP_PROFILE_DEFINED)[12].position, 256u);
    at(song, 1) = Cell{NOTE_C6, 0, 0xF1, FX_SAMPLE_OFFSET, 0x01};
    EXPECT_EQ(restarts(play(song, 12)), (std::vector<int32_t>{0})) << "a slide starts nothing";
    at(song, 1) = Cell{0, 0, 0, FX_SAMPLE_OFFSET, 0x10};  // beyond the end, without a note
    EXPECT_NE(play(song, 7)[6].sample, nullptr);
}

// Kxx is a key-off on tick xx; K00 takes the place of the cell's note.
TEST(Compat, KeyOffEffect) {
    XmSong song = song_of(4);
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    at(song, 1) = Cell{NOTE_C6, 0, 0, FX_KEY_OFF, 0x00};
    std::vector<Tick> t = play(song, 8);
    EXPECT_FALSE(t[6].restarted);
    EXPECT_EQ(t[6].frequency, C5);
    EXPECT_EQ(t[6].volume, 0);
    at(song, 1) = Cell{NOTE_C6, 1, 0, FX_KEY_OFF, 0x00};
    t = play(song, 8);
    EXPECT_EQ(t[7].frequency, C5);
    EXPECT_EQ(t[7].volume, 64);
    at(song, 1) = Cell{0, 0, 0, FX_KEY_OFF, 0x03};
    EXPECT_EQ(volumes(play(song, 12), 6), (std::vector<int32_t>{64, 64, 64, 0, 0, 0}));
}

// With the volume envelope's sustain on, Lxx moves the panning envelope too.
TEST(Compat, EnvelopePositionMovesPanning) {
    XmSong song = song_of(4, 3);
    XmInstrument& in = song.instruments[0];
    in.volume_envelope[0] = {0, 64};
    in.volume_envelope[1] = {64, 64};
    in.panning_envelope[0] = {0, 0};
    in.panning_envelope[1] = {64, 64};
    in.volume_points = in.panning_points = 2;
    in.volume_type = ENV_ON | ENV_SUSTAIN;
    in.volume_sustain = 1;
    in.panning_type = ENV_ON;
    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    at(song, 1) = Cell{0, 0, 0, FX_ENVELOPE_POSITION, 0x20};
    // A centred sample goes 4 to the right for each step of the envelope.
    std::vector<Tick> t = play(song, 5);
    EXPECT_EQ(t[3].panning, 128);
    EXPECT_EQ(t[4].panning, 132);
    in.volume_type = ENV_ON;
    EXPECT_EQ(play(song, 4)[3].panning, 12);
}

// ED0 plays the note at once; a delay without a note starts the last one
// again, at the channel's volume unless the cell names an instrument.
TEST(Compat, NoteDelay) {
    XmSong song = song_of(4);
    at(song, 0) = Cell{NOTE_C5, 1, 0, FX_SET_VOLUME, 0x30};
    at(song, 1) = Cell{NOTE_C6, 0, 0, FX_EXTENDED, 0xD0};
    std::vector<Tick> t = play(song, 7);
    EXPECT_TRUE(t[6].restarted);
    EXPECT_EQ(t[6].frequency, C6);
    EXPECT_EQ(t[6].volume, 48);
    EXPECT_EQ(play(song, 7, MP_PROFILE_DEFINED)[6].frequency, C5);
    at(song, 1) = Cell{0, 0, 0, FX_EXTENDED, 0xD2};
    t = play(song, 12);
    EXPECT_EQ(restarts(t), (std::vector<int32_t>{0, 8}));
    EXPECT_EQ(t[8].volume, 48);
    at(song, 1) = Cell{0, 1, 0x20, FX_EXTENDED, 0xD2};
    EXPECT_EQ(play(song, 9)[8].volume, 16);
    at(song, 1) = Cell{0, 1, 0, FX_EXTENDED, 0xD2};
    EXPECT_EQ(play(song, 9)[8].volume, 64);
}

// No pitch floor: a note slid far down reaches the voice below 100 Hz, and
// the mixer plays it. Panning by the square-root law.
TEST(Compat, LowPitchesAndThePanLaw) {
    XmSong song = song_of(16);
    at(song, 0) = Cell{1, 1, 0, FX_PORTA_DOWN, 0xFF};
    for (int r = 1; r < 16; r++) at(song, r) = Cell{0, 0, 0, FX_PORTA_DOWN, 0xFF};
    Loaded loaded(song, MP_PROFILE_COMPATIBLE);
    std::vector<int16_t> out(2 * 4410);
    for (int b = 0; b < 10; b++) ASSERT_EQ(render_frames(out.data(), 4410, nullptr, nullptr), 4410);
    EXPECT_LT(voices[0].frequency, 100);
    EXPECT_EQ(voices[0].step, 0u);
    EXPECT_EQ(voices[0].step_fraction, static_cast<uint32_t>((uint64_t(voices[0].frequency) << 32) / 44100));
    EXPECT_NE(voices[0].sample, nullptr);

    at(song, 0) = Cell{NOTE_C5, 1, 0, 0, 0};
    const Voice& v = voices[0];
    play(song, 1);
    EXPECT_EQ(v.volume, 127);
    EXPECT_EQ(v.left_volume, 89);  // 127 times the root of 127/255
    EXPECT_EQ(v.right_volume, 89);
    song.instruments[0].samples[0].panning = 0;
    play(song, 1);
    EXPECT_EQ(v.left_volume, 127);
    EXPECT_EQ(v.right_volume, 0);
    play(song, 1, MP_PROFILE_DEFINED);
    EXPECT_EQ(v.left_volume, 127);
}

// A pattern loop leaves its start row as the row the next pattern starts at;
// F00 does not stop the song.
TEST(Compat, PatternLoopStartCarriesOnAndSpeedZero) {
    XmSong song = song_of(8, 1);
    XmPattern second;
    second.rows = 8;
    song.patterns.push_back(second);
    song.song_length = 2;
    song.orders[1] = 1;
    at(song, 2) = Cell{0, 0, 0, FX_EXTENDED, 0x60};
    at(song, 5) = Cell{0, 0, 0, FX_EXTENDED, 0x61};
    for (MpProfile profile : {MP_PROFILE_COMPATIBLE, MP_PROFILE_DEFINED}) {
        Loaded loaded(song, profile);
        std::vector<int32_t> rows;
        for (int t = 0; t < 16; t++) {
            seq_tick(loaded.module);
            rows.push_back(loaded.module->order * 100 + loaded.module->row);
        }
        const int32_t first = profile == MP_PROFILE_COMPATIBLE ? 102 : 100;
        EXPECT_EQ(rows, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 2, 3, 4, 5, 6, 7, first, first + 1, first + 2,
                                              first + 3}));
    }
    XmSong slow = song_of(8, 6);
    at(slow, 0) = Cell{0, 0, 0, FX_SPEED, 0x00};
    Loaded loaded(slow, MP_PROFILE_COMPATIBLE);
    for (int t = 0; t < 6; t++) seq_tick(loaded.module);
    EXPECT_EQ(loaded.module->speed, 6);
    EXPECT_EQ(loaded.module->row, 0);
}

namespace {
void count_row(const RenderRow&, void* user) { ++*static_cast<int32_t*>(user); }
}  // namespace

// Real modules against the figures of the peer players: rows and length of
// one pass of the song, and every module heard in the compatible profile.
TEST(Compat, CorpusModules) {
    REQUIRE_CORPUS();
    const std::string dir = corpus_dir();
    struct Figures { const char* file; int32_t rows; int64_t frames; };
    const Figures figures[] = {{"m02_grass_near_the_house.xm", 3104, 8213184},  // 186.24 s
                               {"m08_roadblas.xm", 1664, 4402944},              // 99.84 s
                               {"m16_cydonian_sky.xm", 964, 8502480}};          // 192.8 s
    for (const Figures& f : figures) {
        SCOPED_TRACE(f.file);
        std::ifstream in(dir + "/" + f.file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Module* m = xm_load(bytes);
        ASSERT_NE(m, nullptr);
        ASSERT_TRUE(mp_set_profile(m, MP_PROFILE_COMPATIBLE));
        int32_t rows = 0;
        const SongEnd end = render_measure(m, 44100, 1, 44100LL * 600, count_row, &rows);
        EXPECT_EQ(end.kind, SONG_REPEATS);
        EXPECT_EQ(rows, f.rows);
        EXPECT_EQ(end.frame, f.frames);
        mp_free(m);
    }
    std::ifstream tsv(dir + "/SOURCES.tsv");
    std::string line;
    std::getline(tsv, line);
    while (std::getline(tsv, line)) {
        const std::string file = line.substr(0, line.find('\t'));
        SCOPED_TRACE(file);
        std::ifstream in(dir + "/" + file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Module* m = xm_load(bytes);
        ASSERT_NE(m, nullptr);
        ASSERT_TRUE(mp_set_profile(m, MP_PROFILE_COMPATIBLE));
        ASSERT_TRUE(render_begin(m, 44100));
        std::vector<int16_t> out(2 * 44100 * 3);
        EXPECT_EQ(render_frames(out.data(), 44100 * 3, nullptr, nullptr), 44100 * 3);
        int64_t energy = 0;
        for (int16_t v : out) energy += v < 0 ? -v : v;
        EXPECT_GT(energy, 0);
        mp_free(m);
    }
}
