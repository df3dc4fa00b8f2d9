// The players render_bench compares: ours and each peer library found at
// configure time, behind one small table of operations each.
#pragma once
#include <cstdint>
#include <vector>

constexpr int32_t BENCH_RATE = 44100;
constexpr int32_t BENCH_CHUNK = 4096;

struct BenchPlayer {
    const char* name;
    // Loads the module from its bytes and makes it ready to play from its
    // start; false when the player cannot load it.
    bool (*open)(const std::vector<uint8_t>& bytes);
    // Renders the next `frames` (at most BENCH_CHUNK) stereo 16-bit frames at
    // BENCH_RATE into `out`, playing on past the song's end; false on failure.
    bool (*render)(int16_t* out, int32_t frames);
    void (*close)();
};

// Our player; also the song's length in frames, which every player renders.
extern const BenchPlayer bench_ours;
int64_t bench_song_frames(const std::vector<uint8_t>& bytes);

// The peer libraries available in this build.
std::vector<const BenchPlayer*> bench_peers();
