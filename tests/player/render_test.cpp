// The block renderer through the offline path: tick timing inside blocks,
// the position log, conversion to 16 bits, and playback start and stop.
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "player/mp.h"
#include "player/mp_render.h"
#include "player/output_state.h"
#include "tests/player/seq_song.h"
#include "tests/player/xm_builder.h"

namespace {

std::vector<PositionLogEntry> render_blocks(Module* m, int blocks, std::vector<int16_t>* audio = nullptr) {
    std::vector<PositionLogEntry> log;
    std::vector<int16_t> out(static_cast<size_t>(output_settings.block_frames) * 2);
    auto keep = [](const PositionLogEntry& e, void* user) {
        static_cast<std::vector<PositionLogEntry>*>(user)->push_back(e);
    };
    for (int b = 0; b < blocks; b++) {
        EXPECT_EQ(render_frames(out.data(), output_settings.block_frames, keep, &log), output_settings.block_frames);
        if (audio) audio->insert(audio->end(), out.begin(), out.end());
    }
    (void)m;
    return log;
}

}  // namespace

TEST(Render, TicksInsideBlocksAndElapsedTime) {
    SeqSong song(1, {16});
    ASSERT_TRUE(render_begin(&song.module, 44100));
    EXPECT_EQ(output_settings.block_frames, 884);
    EXPECT_EQ(song.module.samples_per_tick, 882);
    std::vector<PositionLogEntry> log = render_blocks(&song.module, 13);
    // Row 1 starts at frame 5292 (6 ticks of 882), inside block 5; row 2 at 10584, in block 11.
    for (int b = 0; b < 5; b++) EXPECT_EQ(log[b].row, 0) << b;
    EXPECT_EQ(log[5].row, 1);
    EXPECT_EQ(log[10].row, 1);
    EXPECT_EQ(log[11].row, 2);
    // Block 0 is 882 + 2 frames: 19 ms + 0 ms, the float 1/44100 being a hair small.
    EXPECT_EQ(log[0].elapsed_ms, 19);
    // Block 1: 880 + 4 frames, again 19 + 0.
    EXPECT_EQ(log[1].elapsed_ms, 38);
    EXPECT_EQ(mp_get_row(&song.module), 2);
    EXPECT_EQ(mp_get_time(&song.module), log[12].elapsed_ms);
    // Near the end of the 32-bit range the time wraps instead of overflowing.
    song.module.elapsed_ms = INT32_MAX - 10;
    log = render_blocks(&song.module, 1);
    EXPECT_EQ(log[0].elapsed_ms, INT32_MIN + 8);
    EXPECT_EQ(mp_get_order(nullptr), 0);
    EXPECT_EQ(mp_get_time(nullptr), 0);
    EXPECT_TRUE(mp_stop(&song.module));
    EXPECT_EQ(mp_get_time(&song.module), 0);  // no log after the stop
    EXPECT_TRUE(mp_stop(&song.module));        // twice is harmless
    EXPECT_FALSE(mp_stop(nullptr));
}

TEST(Render, PatternLoopSeenInThePositionLog) {
    SeqSong song(1, {16, 16});
    song.module.default_speed = 1;
    song.at(0, 4, 0) = Cell{0, 0, 0, 14, 0x60};
    song.at(0, 8, 0) = Cell{0, 0, 0, 14, 0x62};
    ASSERT_TRUE(render_begin(&song.module, 44100));
    std::vector<PositionLogEntry> log = render_blocks(&song.module, 30);
    std::vector<int32_t> rows;
    bool loop_started = false;
    for (const PositionLogEntry& e : log) {
        if (e.row == 4) loop_started = true;
        if (e.row == 9) break;
        if (loop_started) {
            EXPECT_NE(e.row, 3);
        }
        if (rows.empty() || rows.back() != e.row) rows.push_back(e.row);
    }
    // One 884-frame block per 882-frame row: the log steps through each row,
    // block 0 already ending in row 1.
    EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8, 4, 5, 6, 7, 8}));
    mp_stop(&song.module);
}

TEST(Render, NotesSoundAndPiecesMatchWholeBlocks) {
    SeqSong song(2, {4});
    song.at(0, 0, 0) = Cell{49, 1, 0, 0, 0};
    song.at(0, 2, 1) = Cell{61, 1, 0, 0, 0};
    ASSERT_TRUE(render_begin(&song.module, 44100));
    std::vector<int16_t> whole;
    render_blocks(&song.module, 20, &whole);
    mp_stop(&song.module);
    bool sound = false;
    for (int16_t s : whole) sound = sound || s != 0;
    EXPECT_TRUE(sound);

    // The same song rendered in uneven pieces gives the same frames.
    ASSERT_TRUE(render_begin(&song.module, 44100));
    std::vector<int16_t> pieces(whole.size());
    size_t done = 0;
    int32_t piece = 1;
    while (done < whole.size() / 2) {
        int32_t n = std::min<int32_t>(piece, static_cast<int32_t>(whole.size() / 2 - done));
        ASSERT_EQ(render_frames(pieces.data() + done * 2, n, nullptr, nullptr), n);
        done += n;
        piece = piece * 3 % 1000 + 1;
    }
    mp_stop(&song.module);
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(render_frames(pieces.data(), 10, nullptr, nullptr), 0);  // nothing plays now
    EXPECT_FALSE(render_begin(nullptr, 44100));
    EXPECT_FALSE(render_begin(&song.module, 0));
}

TEST(Render, ConvertRoundsHalfToEvenAndClamps) {
    float in[8] = {0.5f, 1.5f, -2.5f, 40000.0f, -40000.0f, NAN, 2.4999f, -0.5f};
    int16_t out[8];
    convert_block(in, out, 4);
    for (float x : in) EXPECT_EQ(x, 0.0f) << "the block is left clear for the next mix";
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 2);
    EXPECT_EQ(out[2], -2);
    EXPECT_EQ(out[3], 32767);
    EXPECT_EQ(out[4], -32768);
    EXPECT_EQ(out[5], 0);
    EXPECT_EQ(out[6], 2);
    EXPECT_EQ(out[7], 0);
}

TEST(Render, LoadedModulePlaysItsOrderListRowByRow) {
    std::vector<int8_t> wave(100);
    for (size_t i = 0; i < wave.size(); i++) wave[i] = static_cast<int8_t>(i < 50 ? 100 : -100);
    XmSong xm = xm_simple_song(xm_sample8(wave, 1, 0, 100), 2, 4);
    xm.song_length = 3;
    xm.restart = 1;
    xm.speed = 3;
    xm.orders[0] = 0;
    xm.orders[1] = 1;
    xm.orders[2] = 0;
    XmPattern second;
    second.rows = 4;
    second.cells.assign(8, Cell{0, 0, 0, 0, 0});
    second.cells[1] = Cell{61, 1, 0, 0, 0};  // row 0, channel 1
    xm.patterns.push_back(second);
    xm.patterns[0].cells.assign(8, Cell{0, 0, 0, 0, 0});
    xm.patterns[0].cells[0] = Cell{49, 1, 0, 0, 0};
    const std::vector<uint8_t> bytes = xm_build(xm);
    mp_set_stream(xm_stream_open, xm_stream_close, xm_stream_read, xm_stream_seek, xm_stream_tell);
    Module* m = mp_load(&bytes, nullptr);
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(render_begin(m, 44100));
    std::vector<int16_t> audio;
    // 3 ticks of 882 frames per row, 4 rows per pattern: 10584 frames per order position.
    std::vector<PositionLogEntry> log = render_blocks(m, 55, &audio);
    std::vector<int32_t> orders;
    for (const PositionLogEntry& e : log)
        if (orders.empty() || orders.back() != e.order) orders.push_back(e.order);
    EXPECT_EQ(orders, (std::vector<int32_t>{0, 1, 2, 1, 2}));
    // Block 11 ends at frame 10608, just past the start of order 1.
    EXPECT_EQ(log[10].order, 0);
    EXPECT_EQ(log[10].row, 3);
    EXPECT_EQ(log[11].order, 1);
    EXPECT_EQ(log[11].row, 0);
    bool left = false, right = false;
    for (size_t i = 0; i < audio.size(); i += 2) {
        left = left || audio[i] != 0;
        right = right || audio[i + 1] != 0;
    }
    EXPECT_TRUE(left && right);  // centred notes reach both sides
    EXPECT_EQ(channels[1].real_note, 60);
    EXPECT_TRUE(mp_free(m));
    mp_set_stream(nullptr, nullptr, nullptr, nullptr, nullptr);
}
