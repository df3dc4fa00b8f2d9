// Our player in render_bench: the module loaded from memory and rendered
// through the offline renderer; and the song's length, up to where it comes
// back to a row it has played.
#include "app/mem_stream.h"
#include "bench/bench_players.h"
#include "player/mp_render.h"

static Module* module = nullptr;

// The stream's name is the vector of bytes.
static void* bytes_open(const void* name) {
    const std::vector<uint8_t>* bytes = static_cast<const std::vector<uint8_t>*>(name);
    return mem_open_bytes(bytes->data(), static_cast<int32_t>(bytes->size()));
}

static Module* load(const std::vector<uint8_t>& bytes) {
    mp_set_stream(bytes_open, mem_close, mem_read, mem_seek, mem_tell);
    return mp_load(&bytes, nullptr);
}

static bool ours_open(const std::vector<uint8_t>& bytes) {
    module = load(bytes);
    return module && render_begin(module, BENCH_RATE);
}

static bool ours_render(int16_t* out, int32_t frames) {
    return render_frames(out, frames, nullptr, nullptr) == frames;
}

static void ours_close() {
    mp_free(module);
    module = nullptr;
}

const BenchPlayer bench_ours = {"ours", ours_open, ours_render, ours_close};

int64_t bench_song_frames(const std::vector<uint8_t>& bytes) {
    constexpr int64_t LIMIT = int64_t(30) * 60 * BENCH_RATE;
    Module* m = load(bytes);
    if (!m) return 0;
    const SongEnd end = render_measure(m, BENCH_RATE, 1, LIMIT, nullptr, nullptr);
    mp_free(m);
    return end.frame;
}
