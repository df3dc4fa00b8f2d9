// Our player in render_bench: the module loaded from memory and rendered
// through the offline renderer; and the song's length, found by ticking the
// sequencer alone until the song comes back to a row it has played.
#include <set>
#include "app/demo.h"
#include "bench/bench_players.h"
#include "player/module.h"
#include "player/mp.h"
#include "player/render.h"
#include "player/seq.h"

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

static bool inside_pattern_loop(const Module* m) {
    for (int32_t c = 0; c < m->channel_count && c < CHANNEL_COUNT; c++)
        if (channels[c].loop_count != 0) return true;
    return false;
}

int64_t bench_song_frames(const std::vector<uint8_t>& bytes) {
    constexpr int64_t LIMIT = int64_t(30) * 60 * BENCH_RATE;
    Module* m = load(bytes);
    if (!m || !render_begin(m, BENCH_RATE)) {
        mp_free(m);
        return 0;
    }
    // A row played again outside a pattern loop: from there the song repeats.
    std::set<int32_t> rows_played;
    int64_t frames = 0;
    while (frames < LIMIT) {
        const bool row_tick = m->tick == 0;
        const bool looping = inside_pattern_loop(m);
        m->on_tick(m);
        if (row_tick && !looping && !rows_played.insert(m->order << 8 | m->row).second) break;
        frames += m->samples_per_tick < 1 ? 1 : m->samples_per_tick;
    }
    mp_free(m);
    return frames;
}
