// The numbers of the Windows sound device, worked out on every platform: the
// format and the looping header it hands the system, and the 64-bit count of
// bytes played that it keeps from the device's 32-bit one.
#include <gtest/gtest.h>
#include "player/audio_waveout.h"
#include "player/output_state.h"

TEST(WaveOut, FormatAndLoopingHeader) {
    const WaveOutFormat f = waveout_format(44100);
    EXPECT_EQ(f.format_tag, 1);  // PCM
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samples_per_sec, 44100u);
    EXPECT_EQ(f.avg_bytes_per_sec, 176400u);
    EXPECT_EQ(f.block_align, 4);
    EXPECT_EQ(f.bits_per_sample, 16);
    EXPECT_EQ(f.extra_bytes, 0);
    EXPECT_EQ(waveout_format(22050).avg_bytes_per_sec, 88200u);

    // The whole ring of 88400 frames, begun and ended in one header, for ever.
    const WaveOutLoop loop = waveout_loop(88400 * 4);
    EXPECT_EQ(loop.length, 353600u);
    EXPECT_EQ(loop.flags, 0x0Cu);
    EXPECT_EQ(loop.loops, 0xFFFFFFFFu);
}

TEST(WaveOut, ByteCountCarriesOnPastThirtyTwoBits) {
    uint64_t counted = waveout_count(0, 884 * 4);
    EXPECT_EQ(counted, 884u * 4);
    EXPECT_EQ(waveout_count(counted, 884 * 4), counted);  // no progress, no change
    // The device's count wraps after 2^32 bytes, 6.7 hours at 44100 Hz; the
    // carried count goes on, also through a second wrap.
    EXPECT_EQ(waveout_count(0xFFFFFF00ull, 0x100), 0x100000100ull);
    EXPECT_EQ(waveout_count(0x1FFFFFFF0ull, 0x10), 0x200000010ull);
    // So the ring position stays right: 2^32 bytes are block 40, not block 0.
    EXPECT_EQ(ring_playing_block(waveout_count(0xFFFFFFFCull, 0), 88400, 884), 40);

    // A driver answering in sample frames: four bytes each, wrapping alike.
    EXPECT_EQ(waveout_position_bytes(WAVEOUT_TIME_SAMPLES, 884), 884u * 4);
    EXPECT_EQ(waveout_position_bytes(WAVEOUT_TIME_BYTES, 884), 884u);
    EXPECT_EQ(waveout_count(0xFFFFFFF0ull, waveout_position_bytes(WAVEOUT_TIME_SAMPLES, 0x40000001)), 0x100000004ull);
}
