// The output with its render thread, through a fake sound device whose play
// position the test sets: the ring arithmetic, priming, the thread following
// the device, the stop handshake, and the choice of device.
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>
#include "player/audio_devices.h"
#include "player/mp.h"
#include "player/mp_render.h"
#include "player/output_state.h"
#include "tests/output/fake_device.h"
#include "tests/player/seq_song.h"
#include "tests/player/xm_builder.h"

// No test of this program may reach a real sound device: the fake stands in
// wherever a test opens the output without installing a device of its own.
static const bool fake_installed = (output_state.audio_device = &fake_device, true);

namespace {

void* no_open(const void*) { return nullptr; }
void no_close(void*) {}
int32_t no_read(void*, int32_t, void*) { return 0; }
void no_seek(void*, int32_t, uint8_t) {}
int32_t no_tell(void*) { return 0; }

void register_stream() { mp_set_stream(no_open, no_close, no_read, no_seek, no_tell); }

// Waits, with a generous bound, until the render thread has made the block
// `block` audible; the bound only guards against a hang.
bool wait_for_audible(int32_t block) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (output_state.audible_block.load() != block) {
        if (std::chrono::steady_clock::now() > give_up) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A one-channel song with a note at its start, so the blocks carry sound.
struct ToneSong : SeqSong {
    ToneSong() : SeqSong(1, {64}) { at(0, 0, 0) = Cell{49, 1, 0, 0, 0}; }
};

}  // namespace

TEST(OutputThread, RingArithmetic) {
    ASSERT_TRUE(fake_installed);
    // 44100 Hz: 884-frame blocks, 100 to a ring of 88400 frames.
    EXPECT_EQ(ring_playing_block(0, 88400, 884), 0);
    EXPECT_EQ(ring_playing_block(884 * 4 - 4, 88400, 884), 0);
    EXPECT_EQ(ring_playing_block(884 * 4, 88400, 884), 1);
    EXPECT_EQ(ring_playing_block(88400ull * 4, 88400, 884), 0);             // once round
    EXPECT_EQ(ring_playing_block((88400ull * 7 + 884 * 42) * 4, 88400, 884), 42);
    // Past 2^32 bytes: 2^30 frames is 35424 into a ring, block 40. A count
    // wrapped to 32 bits would say block 0.
    EXPECT_EQ(ring_playing_block(1ull << 32, 88400, 884), 40);
    EXPECT_EQ(ring_playing_block((1ull << 32) + 884 * 4 * 3, 88400, 884), 43);
    EXPECT_EQ(ring_playing_block(1ull << 50, 88400, 884), static_cast<int32_t>((1ull << 48) % 88400 / 884));
    EXPECT_EQ(ring_playing_block(1000, 0, 0), 0);

    // Device in block p with output_state.write_block p: nothing; in p + 1: block p once.
    EXPECT_EQ(ring_blocks_due(37, 37, 100), 0);
    EXPECT_EQ(ring_blocks_due(37, 38, 100), 1);
    // After a stall every block up to the playing one.
    EXPECT_EQ(ring_blocks_due(37, 60, 100), 23);
    // Device in block 1, output_state.write_block 98: 98, 99 and 0.
    EXPECT_EQ(ring_blocks_due(98, 1, 100), 3);
    EXPECT_EQ(ring_blocks_due(98, 0, 100), 2);
    // Device in block 5, output_state.write_block 98: nothing until it reaches 99.
    EXPECT_EQ(ring_blocks_due(98, 5, 100), 0);
    EXPECT_EQ(ring_blocks_due(98, 98, 100), 0);
    EXPECT_EQ(ring_blocks_due(98, 99, 100), 1);
    // A position outside the ring renders at most one ring, never for ever.
    EXPECT_EQ(ring_blocks_due(3, 500, 100), 100);
}

TEST(OutputThread, SettingsAndPrimingThroughTheDevice) {
    register_stream();
    fake_opens = fake_plays = 0;
    ASSERT_TRUE(mp_open_output(22050));
    EXPECT_EQ(fake_rate, 22050);
    EXPECT_EQ(output_settings.block_frames, 444);  // 441 rounded up to a multiple of 4
    EXPECT_EQ(output_settings.ramp_frames, 64);
    EXPECT_EQ(output_settings.ring_blocks, 100);
    ASSERT_TRUE(mp_open_output(44100));
    EXPECT_EQ(fake_opens, 2);
    EXPECT_EQ(output_settings.block_frames, 884);
    EXPECT_EQ(output_settings.ring_frames, 88400);
    EXPECT_EQ(output_settings.ramp_frames, 128);
    // High rates: no product may overflow on the way, and a rate whose ring
    // would not fit in a 32-bit byte count is refused before the device.
    output_configure(20000000);
    EXPECT_EQ(output_settings.block_frames, 400000);
    EXPECT_EQ(output_settings.ramp_frames, 58049);
    EXPECT_FALSE(mp_open_output(300000000));
    // Below 50 Hz a 20 ms block has no frame, and the ring no blocks.
    EXPECT_FALSE(mp_open_output(49));
    EXPECT_FALSE(mp_open_output(1));
    EXPECT_EQ(fake_opens, 2);
    ASSERT_TRUE(mp_open_output(50));
    EXPECT_EQ(output_settings.block_frames, 4);
    EXPECT_EQ(output_settings.ring_blocks, 100);
    EXPECT_EQ(output_settings.ramp_frames, 1);
    EXPECT_EQ(fake_opens, 3);
    ASSERT_TRUE(mp_open_output(44100));
    EXPECT_EQ(fake_opens, 4);

    ToneSong song;
    EXPECT_FALSE(render_begin(&song.module, 300000000));
    EXPECT_FALSE(render_begin(&song.module, 20));
    ASSERT_TRUE(mp_start(&song.module));
    EXPECT_EQ(fake_plays, 1);
    // The device is still in block 0: the getters read the entry primed for it.
    EXPECT_EQ(mp_get_time(&song.module), 19);
    EXPECT_EQ(mp_get_row(&song.module), 0);
    EXPECT_EQ(mp_get_order(&song.module), 0);
    EXPECT_EQ(output_state.audible_block.load(), 0);
    EXPECT_TRUE(mp_stop(&song.module));
    EXPECT_EQ(output_state.write_block, 0);  // the thread rendered nothing
    mp_close_output();

    // The device refuses: no output, and a missing stream callback is refused
    // before the device is asked at all.
    fake_open_result = false;
    EXPECT_FALSE(mp_open_output(44100));
    fake_open_result = true;
    const int opens = fake_opens;
    mp_set_stream(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(mp_open_output(44100));
    EXPECT_EQ(fake_opens, opens);
}

TEST(Render, StartPrimesTheWholeRing) {
    SeqSong song(1, {64});
    mp_set_stream(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(mp_open_output(44100));
    register_stream();
    ASSERT_TRUE(mp_open_output(44100));
    EXPECT_EQ(output_settings.ring_blocks, 100);
    EXPECT_EQ(voices[200].index, 200);
    EXPECT_FALSE(mp_start(nullptr));
    output_state.audible_block = 0;
    ASSERT_TRUE(mp_start(&song.module));
    EXPECT_EQ(output_state.write_block, 0);
    // The getters read block 0, written first while priming.
    EXPECT_EQ(mp_get_time(&song.module), 19);
    EXPECT_EQ(mp_get_row(&song.module), 0);
    // 100 blocks of 884 frames at 6 ticks of 882 per row: row 16 by the end.
    EXPECT_EQ(output_state.position_log[99].row, 88400 / 5292);
    EXPECT_EQ(song.module.elapsed_ms, output_state.position_log[99].elapsed_ms);
    EXPECT_TRUE(mp_stop(&song.module));
    mp_close_output();
    mp_set_stream(nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(OutputThread, ThreadRendersWhatTheDeviceHasPlayed) {
    register_stream();
    ASSERT_TRUE(mp_open_output(44100));
    ToneSong song;
    ASSERT_TRUE(mp_start(&song.module));
    // Nothing moves while the device stays in block 0.
    const std::vector<PositionLogEntry> primed(output_state.position_log, output_state.position_log + output_settings.ring_blocks);

    // Into block 1: block 0 is rendered anew and block 1 is heard.
    fake_move_to(1);
    ASSERT_TRUE(wait_for_audible(1));
    EXPECT_EQ(mp_get_time(&song.module), primed[1].elapsed_ms);
    EXPECT_EQ(mp_get_row(&song.module), primed[1].row);
    // A jump to block 99 catches up on 1..98; round into block 1 of the next
    // pass renders 99 and 0.
    fake_move_to(99);
    ASSERT_TRUE(wait_for_audible(99));
    EXPECT_EQ(mp_get_time(&song.module), primed[99].elapsed_ms);
    fake_move_to(1, 1);
    ASSERT_TRUE(wait_for_audible(1));
    // Block 1 was rendered again for this pass when the device entered block 2
    // of the last one, so it now holds the song 100 blocks on.
    const int32_t heard = mp_get_time(&song.module);
    EXPECT_GT(heard, primed[99].elapsed_ms);
    EXPECT_TRUE(mp_stop(&song.module));
    EXPECT_EQ(output_state.write_block, 1);
    // Ring block 0 holds the song's block 200, ring block 99 its block 199.
    const size_t block_samples = static_cast<size_t>(output_settings.block_frames) * 2;
    const std::vector<int16_t> ring_0(output_state.ring_buffer, output_state.ring_buffer + block_samples);
    const std::vector<int16_t> ring_99(output_state.ring_buffer + 99 * block_samples,
                                       output_state.ring_buffer + 100 * block_samples);

    // 100 primed blocks and 101 from the thread: the same song rendered
    // offline for 201 blocks ends at the same place with the same sound.
    ToneSong offline;
    ASSERT_TRUE(render_begin(&offline.module, 44100));
    std::vector<int16_t> audio(static_cast<size_t>(output_settings.block_frames) * 2 * 201);
    ASSERT_EQ(render_frames(audio.data(), output_settings.block_frames * 201, nullptr, nullptr), output_settings.block_frames * 201);
    EXPECT_EQ(song.module.elapsed_ms, offline.module.elapsed_ms);
    EXPECT_EQ(song.module.row, offline.module.row);
    EXPECT_TRUE(std::equal(ring_0.begin(), ring_0.end(), audio.data() + 200 * block_samples));
    EXPECT_TRUE(std::equal(ring_99.begin(), ring_99.end(), audio.data() + 199 * block_samples));
    mp_stop(&offline.module);
    mp_close_output();
}

TEST(OutputThread, GettersWhileTheThreadRenders) {
    register_stream();
    ASSERT_TRUE(mp_open_output(44100));
    ToneSong song;
    ASSERT_TRUE(mp_start(&song.module));
    // The device walks block by block through two and a half passes while
    // this thread reads the position as the frame loop does. Music time never
    // runs backwards: no read may catch an entry already rendered for the
    // next pass of the ring, nor a half-written one.
    int32_t last = mp_get_time(&song.module);
    int32_t reads = 0;
    int32_t backwards_at = -1;  // the step where time ran backwards, if any
    for (int32_t step = 1; step <= 250 && backwards_at < 0; step++) {
        fake_move_to(step % 100, step / 100);
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (output_state.audible_block.load() != step % 100 && std::chrono::steady_clock::now() < give_up) {
            const int32_t now = mp_get_time(&song.module);
            if (now < last) backwards_at = step;
            last = now;
            reads++;
        }
        EXPECT_EQ(output_state.audible_block.load(), step % 100);
    }
    EXPECT_EQ(backwards_at, -1);
    EXPECT_GT(reads, 250);
    EXPECT_GE(mp_get_time(&song.module), 250 * 19);
    EXPECT_TRUE(mp_stop(&song.module));
    mp_close_output();
}

TEST(OutputThread, StopEndsTheThreadAndReleasesOnce) {
    register_stream();
    ASSERT_TRUE(mp_open_output(44100));
    ToneSong song;
    fake_releases = 0;
    ASSERT_TRUE(mp_start(&song.module));
    EXPECT_EQ(fake_releases, 0);
    fake_move_to(3);
    ASSERT_TRUE(wait_for_audible(3));
    EXPECT_TRUE(mp_stop(&song.module));
    EXPECT_EQ(output_state.thread_finished.load(), 1);
    EXPECT_EQ(output_state.render_busy.load(), 0);
    EXPECT_EQ(fake_releases, 1);
    EXPECT_EQ(output_state.position_log, nullptr);
    EXPECT_EQ(output_state.mix_buffer, nullptr);
    EXPECT_EQ(output_state.playing_module, nullptr);
    // The device moving on after the stop renders nothing more.
    fake_move_to(50);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(output_state.write_block, 3);
    EXPECT_TRUE(mp_stop(&song.module));
    EXPECT_EQ(fake_releases, 1);
    EXPECT_FALSE(mp_stop(nullptr));

    // Started again, the device starts from block 0 and so does the listener.
    ASSERT_TRUE(mp_start(&song.module));
    EXPECT_EQ(output_state.audible_block.load(), 0);
    EXPECT_EQ(mp_get_time(&song.module), 19);
    fake_move_to(2);
    ASSERT_TRUE(wait_for_audible(2));
    EXPECT_TRUE(mp_stop(&song.module));
    EXPECT_EQ(fake_releases, 2);

    // Opening the output again while playing would resize the ring under the
    // thread: the playback is stopped first.
    ASSERT_TRUE(mp_start(&song.module));
    ASSERT_TRUE(mp_open_output(22050));
    EXPECT_EQ(output_state.playing_module, nullptr);
    EXPECT_EQ(output_state.thread_finished.load(), 1);
    EXPECT_EQ(fake_releases, 3);

    const int resets = fake_resets;
    mp_close_output();
    EXPECT_EQ(fake_resets, resets + 1);
}

TEST(OutputThread, FreeWhilePlayingStopsTheThreadFirst) {
    std::vector<int8_t> wave(100);
    for (size_t i = 0; i < wave.size(); i++) wave[i] = static_cast<int8_t>(i < 50 ? 90 : -90);
    XmSong xm = xm_simple_song(xm_sample8(wave, 1, 0, 100), 2, 16);
    xm.patterns[0].cells.assign(32, Cell{0, 0, 0, 0, 0});
    xm.patterns[0].cells[0] = Cell{49, 1, 0, 0, 0};
    const std::vector<uint8_t> bytes = xm_build(xm);
    mp_set_stream(xm_stream_open, xm_stream_close, xm_stream_read, xm_stream_seek, xm_stream_tell);
    ASSERT_TRUE(mp_open_output(44100));
    Module* m = mp_load(&bytes, nullptr);
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(mp_start(m));
    // Keep the thread rendering while the module goes away under it.
    for (int32_t pass = 0; pass < 3; pass++) {
        fake_move_to(60, pass);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        fake_move_to(1, pass + 1);
    }
    EXPECT_TRUE(mp_free(m));
    EXPECT_EQ(output_state.thread_finished.load(), 1);
    EXPECT_EQ(output_state.playing_module, nullptr);
    EXPECT_EQ(mp_get_time(m), 0);  // no log any more; the pointer is only tested for null
    mp_close_output();
    mp_set_stream(nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(OutputThread, HeadlessDeviceFollowsItsClock) {
    mp_headless_use_virtual_clock(true);
    ASSERT_TRUE(mp_headless_device.open(44100));
    EXPECT_EQ(mp_headless_device.bytes_played(), 0u);  // nothing handed over yet
    int16_t ring[8] = {};
    mp_headless_device.play_looped(ring, sizeof ring);
    EXPECT_EQ(mp_headless_device.bytes_played(), 0u);
    mp_headless_advance_us(20000);
    EXPECT_EQ(mp_headless_device.bytes_played(), 882u * 4);
    // Many small steps add up without rounding drift: 1 s more in steps of
    // 333 us, each of them 14.685 frames.
    for (int i = 0; i < 3000; i++) mp_headless_advance_us(333);
    mp_headless_advance_us(1000);
    EXPECT_EQ(mp_headless_device.bytes_played(), 44100u * 4 + 882u * 4);
    // Hours on, the count keeps going past 2^32 bytes.
    mp_headless_advance_us(7ull * 3600 * 1000000);
    EXPECT_GT(mp_headless_device.bytes_played(), 1ull << 32);
    mp_headless_device.reset_close();
    EXPECT_EQ(mp_headless_device.bytes_played(), 0u);

    // The whole output on the virtual clock: 110 ms on is frame 4851, block 5.
    const AudioDevice* installed = output_state.audio_device;
    output_state.audio_device = &mp_headless_device;
    register_stream();
    ASSERT_TRUE(mp_open_output(44100));
    mp_headless_use_virtual_clock(true);
    ToneSong song;
    ASSERT_TRUE(mp_start(&song.module));
    mp_headless_advance_us(110000);
    EXPECT_TRUE(wait_for_audible(5));
    EXPECT_TRUE(mp_stop(&song.module));
    mp_close_output();

    // Real time: the position moves on by itself.
    mp_headless_use_virtual_clock(false);
    ASSERT_TRUE(mp_headless_device.open(44100));
    mp_headless_device.play_looped(ring, sizeof ring);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (mp_headless_device.bytes_played() < 4 * 441 && std::chrono::steady_clock::now() < give_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(mp_headless_device.bytes_played(), 4u * 441);
    mp_headless_device.reset_close();
    output_state.audio_device = installed;
}

TEST(OutputThread, DeviceChoice) {
    // With no device installed, BSA_AUDIO=headless picks the silent one.
    const AudioDevice* installed = output_state.audio_device;
    output_state.audio_device = nullptr;
    register_stream();
    setenv("BSA_AUDIO", "headless", 1);
    EXPECT_TRUE(mp_open_output(44100));
    EXPECT_EQ(output_state.audio_device, &mp_headless_device);
    // Chosen, not installed: the next open chooses again rather than keep it.
    EXPECT_TRUE(mp_open_output(22050));
    EXPECT_EQ(output_state.audio_device, &mp_headless_device);
    // BSA_AUDIO=virtual: the same device on its virtual clock, which stands
    // still, so the music does too.
    setenv("BSA_AUDIO", "virtual", 1);
    EXPECT_TRUE(mp_open_output(44100));
    EXPECT_EQ(output_state.audio_device, &mp_headless_device);
    ToneSong song;
    ASSERT_TRUE(mp_start(&song.module));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(mp_headless_device.bytes_played(), 0u);
    EXPECT_EQ(mp_get_time(&song.module), 19);
    // Closed while the thread runs: the chosen device is forgotten by the
    // output, but the thread keeps the one it started with.
    mp_close_output();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(mp_stop(&song.module));
    mp_headless_use_virtual_clock(false);
    // A name that is no device: silence in time, not a refusal.
    setenv("BSA_AUDIO", "nonesuch", 1);
    EXPECT_TRUE(mp_open_output(44100));
    EXPECT_EQ(output_state.audio_device, &mp_headless_device);
    mp_close_output();
    unsetenv("BSA_AUDIO");
    // An installed device is kept as it is.
    output_state.audio_device = installed;
    const int opens = fake_opens;
    EXPECT_TRUE(mp_open_output(44100));
    EXPECT_EQ(output_state.audio_device, &fake_device);
    EXPECT_EQ(fake_opens, opens + 1);
    mp_close_output();
    mp_set_stream(nullptr, nullptr, nullptr, nullptr, nullptr);
}
