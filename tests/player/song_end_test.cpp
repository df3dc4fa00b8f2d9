// The song's end found by the offline renderer, to the frame: songs built as
// XM files that end at the order list's end, loop to themselves, jump or
// break back, and use pattern loops; rendering and measuring agree.
#include <gtest/gtest.h>
#include <vector>
#include "player/mp_render.h"
#include "tests/player/xm_builder.h"

namespace {

constexpr int64_t ROW = 6 * 882;  // speed 6 at BPM 125, 44100 Hz

// A two-channel song of patterns with the given rows, played in order.
XmSong song_of(std::vector<int32_t> rows) {
    std::vector<int8_t> wave(64);
    for (size_t i = 0; i < wave.size(); i++) wave[i] = static_cast<int8_t>(i < 32 ? 90 : -90);
    XmSong song = xm_simple_song(xm_sample8(wave, 1, 0, 64), 2, rows[0]);
    song.patterns.clear();
    for (int32_t r : rows) {
        XmPattern p;
        p.rows = r;
        p.cells.assign(static_cast<size_t>(r) * 2, Cell{0, 0, 0, 0, 0});
        p.cells[0] = Cell{49, 1, 0, 0, 0};  // something to hear
        song.patterns.push_back(p);
    }
    song.song_length = static_cast<uint16_t>(rows.size());
    for (size_t i = 0; i < rows.size(); i++) song.orders[i] = static_cast<uint8_t>(i);
    return song;
}

void put(XmSong& song, int pattern, int row, int channel, uint8_t effect, uint8_t param) {
    song.patterns[pattern].cells[static_cast<size_t>(row) * song.channels + channel] = Cell{0, 0, 0, effect, param};
}

struct Rendered {
    int64_t frames = 0;
    SongEnd end{};
    std::vector<RenderRow> rows;
    std::vector<int16_t> audio;
};

void keep_row(const RenderRow& row, void* user) { static_cast<std::vector<RenderRow>*>(user)->push_back(row); }

// Renders in uneven pieces until the output stops.
Rendered render_song(Module* m, int32_t passes, int64_t limit = 0) {
    Rendered r;
    EXPECT_TRUE(render_begin(m, 44100));
    render_stop_at(passes, limit);
    render_watch_rows(keep_row, &r.rows);
    std::vector<int16_t> piece(2 * 4000);
    for (int32_t size = 1000;; size = size % 3000 + 777) {
        const int32_t n = render_frames(piece.data(), size, nullptr, nullptr);
        r.audio.insert(r.audio.end(), piece.begin(), piece.begin() + 2 * n);
        r.frames += n;
        if (n < size) break;
    }
    EXPECT_EQ(render_frames(piece.data(), 10, nullptr, nullptr), 0);
    r.end = render_song_end();
    mp_stop(m);
    return r;
}

// The song's length in frames, rendered and measured, which must agree.
int64_t song_frames(const XmSong& song, int32_t passes = 1, MpProfile profile = MP_PROFILE_DEFINED) {
    const std::vector<uint8_t> bytes = xm_build(song);
    Module* m = xm_load(bytes);
    EXPECT_NE(m, nullptr);
    if (!m) return -1;
    EXPECT_TRUE(mp_set_profile(m, profile));
    const Rendered r = render_song(m, passes);
    const SongEnd measured = render_measure(m, 44100, passes, 0, nullptr, nullptr);
    EXPECT_EQ(r.end.kind, SONG_REPEATS);
    EXPECT_EQ(measured.kind, SONG_REPEATS);
    EXPECT_EQ(measured.pass_frame, r.frames);
    EXPECT_EQ(r.end.pass_frame, r.frames);
    mp_free(m);
    return r.frames;
}

}  // namespace

TEST(SongEnd, EndsWhereTheSongComesBackToARowItPlayed) {
    // The order list's end goes back to the restart position.
    XmSong plain = song_of({8, 8, 8});
    EXPECT_EQ(song_frames(plain), 24 * ROW);
    EXPECT_EQ(song_frames(plain, 2), 48 * ROW);
    plain.restart = 1;
    EXPECT_EQ(song_frames(plain, 1), 24 * ROW);
    EXPECT_EQ(song_frames(plain, 3), (24 + 16 + 16) * ROW);

    // One pattern jumping to itself on its fifth row.
    XmSong self = song_of({16});
    put(self, 0, 4, 1, 11, 0);
    EXPECT_EQ(song_frames(self), 5 * ROW);
    EXPECT_EQ(song_frames(self, 2), 10 * ROW);

    // A jump back to the second order position from row 4 of the third.
    XmSong back = song_of({8, 8, 8, 8});
    put(back, 2, 4, 0, 11, 1);
    EXPECT_EQ(song_frames(back), (8 + 8 + 5) * ROW);
    EXPECT_EQ(song_frames(back, 2), (8 + 8 + 5 + 8 + 5) * ROW);

    // A break into rows not heard yet is no end: D05 in the last pattern
    // wraps to row 5 of the first, which the first pass left by D08 on row 2.
    XmSong breaks = song_of({16, 16});
    put(breaks, 0, 2, 0, 13, 0x08);
    put(breaks, 1, 12, 0, 13, 0x05);
    // Then order 0 rows 5-15 and order 1 rows 0-7; row 8 there was heard.
    EXPECT_EQ(song_frames(breaks), (3 + 5 + 11 + 8) * ROW);
}

// Pieces larger than a block, whose blocks go straight to the caller: a stop
// moved on after it was reached plays on from there, as one render of both
// passes does.
TEST(SongEnd, AStopMovedOnPlaysOnFromIt) {
    const std::vector<uint8_t> bytes = xm_build(song_of({8, 8, 8}));
    Module* m = xm_load(bytes);
    ASSERT_NE(m, nullptr);
    const Rendered both = render_song(m, 2);
    ASSERT_TRUE(render_begin(m, 44100));
    std::vector<int16_t> audio, piece(2 * 4096);
    for (int32_t passes = 1; passes <= 2; passes++) {
        render_stop_at(passes, 0);
        for (int32_t n; (n = render_frames(piece.data(), 4096, nullptr, nullptr)) > 0;)
            audio.insert(audio.end(), piece.begin(), piece.begin() + 2 * n);
        EXPECT_EQ(static_cast<int64_t>(audio.size()) / 2, 24 * passes * ROW);
    }
    mp_stop(m);
    EXPECT_EQ(audio, both.audio);
    mp_free(m);
}

TEST(SongEnd, PatternLoopsPlayOutBeforeTheEnd) {
    // E60 on row 4 and E62 on row 8: rows 4 to 8 three times, then on.
    XmSong loop = song_of({16});
    put(loop, 0, 4, 1, 14, 0x60);
    put(loop, 0, 8, 1, 14, 0x62);
    EXPECT_EQ(song_frames(loop), (4 + 3 * 5 + 7) * ROW);
    EXPECT_EQ(song_frames(loop, 2), 2 * (4 + 3 * 5 + 7) * ROW);

    // The last pattern looped once from its last row to row 0 (no E60: the
    // loop starts at 0): played twice, then the song's start comes back.
    XmSong whole = song_of({8, 8});
    put(whole, 1, 7, 1, 14, 0x61);
    EXPECT_EQ(song_frames(whole), (8 + 8 + 8) * ROW);

    // The compatible profile starts the next pattern at the row the last loop
    // went to. Rows 0-3, 4-6 twice, 7-15; the second pattern from row 4; its
    // D07 back to row 7 of the first, entered now with no loop behind it, so
    // the second pattern comes next from row 0, new rows up to row 4.
    XmSong carry = song_of({16, 8});
    put(carry, 0, 4, 1, 14, 0x60);
    put(carry, 0, 6, 1, 14, 0x61);
    put(carry, 1, 7, 0, 13, 0x07);
    EXPECT_EQ(song_frames(carry, 1, MP_PROFILE_COMPATIBLE), (19 + 4 + 9 + 4) * ROW);
    // The defined profile plays the second pattern whole; row 7 comes back.
    EXPECT_EQ(song_frames(carry, 1, MP_PROFILE_DEFINED), (19 + 8) * ROW);
}

TEST(SongEnd, RowsTempoAndLimit) {
    // F06 then BPM 150 (735 frames a tick) from row 2 on; F03 on row 5.
    XmSong song = song_of({8});
    put(song, 0, 2, 1, 15, 150);
    put(song, 0, 5, 1, 15, 3);
    const std::vector<uint8_t> bytes = xm_build(song);
    Module* m = xm_load(bytes);
    ASSERT_NE(m, nullptr);
    const int64_t tick2 = 735;
    const std::vector<int64_t> starts = {0, ROW, 2 * ROW, 2 * ROW + 6 * tick2, 2 * ROW + 12 * tick2,
                                         2 * ROW + 18 * tick2, 2 * ROW + 21 * tick2, 2 * ROW + 24 * tick2};
    const int64_t length = 2 * ROW + 27 * tick2;
    Rendered r = render_song(m, 1);
    EXPECT_EQ(r.frames, length);
    ASSERT_EQ(r.rows.size(), 8u);
    for (size_t i = 0; i < 8; i++) {
        EXPECT_EQ(r.rows[i].frame, starts[i]) << i;
        EXPECT_EQ(r.rows[i].row, static_cast<int32_t>(i));
    }
    EXPECT_EQ(r.rows[2].bpm, 150);
    EXPECT_EQ(r.rows[5].speed, 3);
    EXPECT_EQ(r.rows[4].speed, 6);
    std::vector<RenderRow> measured_rows;
    render_measure(m, 44100, 1, 0, keep_row, &measured_rows);
    ASSERT_EQ(measured_rows.size(), 8u);
    EXPECT_EQ(measured_rows[7].frame, starts[7]);

    // The same song twice over with a limit inside the second pass: the
    // output stops at the limit, the song's end is still the first pass's.
    const Rendered limited = render_song(m, 3, length + 1000);
    EXPECT_EQ(limited.frames, length + 1000);
    EXPECT_EQ(limited.end.kind, SONG_REPEATS);
    EXPECT_EQ(limited.end.frame, length);
    // The first pass of the twice-rendered song is the once-rendered song.
    EXPECT_TRUE(std::equal(r.audio.begin(), r.audio.end(), limited.audio.begin()));
    // Rendering on for ever up to a limit alone ends at it.
    const Rendered capped = render_song(m, 0, 50000);
    EXPECT_EQ(capped.frames, 50000);
    EXPECT_EQ(capped.end.kind, SONG_REPEATS);
    const SongEnd short_cap = render_measure(m, 44100, 1, 20000, nullptr, nullptr);
    EXPECT_EQ(short_cap.kind, SONG_LIMIT);
    EXPECT_EQ(short_cap.frame, 20000);
    EXPECT_EQ(render_song(m, 1, 20000).end.kind, SONG_LIMIT);
    mp_free(m);
}

TEST(SongEnd, MeasuringLeavesTheModuleAsLoaded) {
    // E5F changes the sample's finetune while playing; a render after a
    // measure must still start from the loaded finetune.
    XmSong song = song_of({4});
    song.patterns[0].cells[2] = Cell{49, 1, 0, 14, 0x5F};  // row 1
    song.patterns[0].cells[0] = Cell{49, 1, 0, 0, 0};
    const std::vector<uint8_t> bytes = xm_build(song);
    Module* m = xm_load(bytes);
    ASSERT_NE(m, nullptr);
    const Rendered first = render_song(m, 1);
    ASSERT_NE(m->instruments[0].samples[0]->finetune, 0);  // E5F changed it
    m->instruments[0].samples[0]->finetune = 0;
    EXPECT_EQ(render_measure(m, 44100, 1, 0, nullptr, nullptr).frame, 4 * ROW);
    EXPECT_EQ(m->instruments[0].samples[0]->finetune, 0);
    const Rendered second = render_song(m, 1);
    EXPECT_EQ(second.audio, first.audio);
    EXPECT_EQ(render_measure(m, 44100, 0, 0, nullptr, nullptr).kind, SONG_PLAYING);  // no stop asked
    mp_free(m);
}
