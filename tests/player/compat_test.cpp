// The compatible profile: small modules that show each place where the
// tracker's own playback differs from the defined one, with the rows, ticks,
// pitches and volumes that tracker gives them, and the profile's choice.
#include <gtest/gtest.h>
#include <vector>
#include "player/output.h"
#include "player/render.h"
#include "player/seq.h"
#include "tests/player/xm_builder.h"

namespace {

// What one tick leaves in channel 0's voice.
struct Tick {
    int32_t row;
    int32_t frequency;
    int32_t volume;      // the voice's 0..127 scale
    int32_t panning;
    bool restarted;      // the sample was (re)started on this tick
    uint32_t position;   // where it was started
    const Sample* sample;
};

constexpr uint32_t UNTOUCHED = 0xDEADBEEF;

// A song of one pattern of `rows` rows and one instrument holding one looped
// 16-bit sample of 4096 frames, volume 64, centred.
XmSong song_of(int rows, int speed = 6, int channels = 2) {
    XmSong song = xm_simple_song(xm_sample16(std::vector<int16_t>(4096, 1000), 1, 0, 4096), channels, rows);
    song.speed = static_cast<uint16_t>(speed);
    song.patterns[0].cells.assign(static_cast<size_t>(rows) * channels, Cell{0, 0, 0, 0, 0});
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

// Plays `ticks` ticks of the song through the tick handler alone.
std::vector<Tick> play(const XmSong& song, int ticks, MpProfile profile = MP_PROFILE_COMPATIBLE) {
    Loaded loaded(song, profile);
    std::vector<Tick> out;
    if (!loaded.module) return out;
    Voice& v = voices[0];
    for (int t = 0; t < ticks; t++) {
        v.position = UNTOUCHED;
        seq_tick(loaded.module);
        out.push_back({loaded.module->row, v.frequency, v.volume, v.panning, v.position != UNTOUCHED,
                       v.position, v.sample});
        if (v.position == UNTOUCHED) v.position = 0;
    }
    return out;
}

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
