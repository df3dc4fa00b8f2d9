// Offline rendering for tests and tools: the block renderer driven by the
// caller instead of a device, its blocks copied out frame by frame, and the
// watch over row ticks that finds where the song ends.
#include <cstring>
#include <string>
#include <vector>
#include "player/mp.h"
#include "player/mp_render.h"
#include "player/output_state.h"
#include "player/seq.h"

static int32_t current_block = -1;  // block being handed out, -1 before the first
static int32_t block_used = 0;      // its frames already copied out
static int64_t frames_out = 0;      // frames handed out since render_begin

// ---- the watch over row ticks ----

static void (*song_tick)(Module* module) = nullptr;  // the module's own tick handler
static int64_t next_tick_frame = 0;  // frame at which the next tick falls
static SongEnd song_end;
static int32_t stop_passes = 0;
static int64_t stop_limit = 0;
static int64_t stop_frame = -1;      // where the output ends; -1 while not known
static RenderRowFn row_watcher = nullptr;
static void* row_watcher_user = nullptr;
static std::string repeat_key;  // the row the song came back to
// Kept from row to row so that their bytes are not allocated anew each time.
static std::string row_loops;   // the loop state as the row is entered
static std::string row_key;     // position and loop state of the row

// The keys of every row so far: an open-addressed table that grows by
// doubling, where a set of nodes would allocate one for every row.
struct RowSet {
    std::vector<std::string> slots;  // an empty slot holds "": a key never is
    size_t used = 0;

    void clear() {
        for (std::string& slot : slots) slot.clear();
        used = 0;
    }

    size_t slot_of(const std::string& key) const {
        uint32_t h = 2166136261u;  // FNV-1a over the key's few bytes
        for (char byte : key) h = (h ^ static_cast<uint8_t>(byte)) * 16777619u;
        size_t i = h & (slots.size() - 1);
        while (!slots[i].empty() && slots[i] != key) i = (i + 1) & (slots.size() - 1);
        return i;
    }

    // False when the key is there already.
    bool insert(const std::string& key) {
        if (2 * (used + 1) > slots.size()) grow();
        std::string& slot = slots[slot_of(key)];
        if (!slot.empty()) return false;
        slot = key;
        used++;
        return true;
    }

    void grow() {
        std::vector<std::string> old(slots.empty() ? 512 : 2 * slots.size());
        old.swap(slots);
        for (std::string& key : old)
            if (!key.empty()) slots[slot_of(key)].swap(key);
    }
};
static RowSet rows_played;

static void watch_begin() {
    next_tick_frame = 0;
    song_end = SongEnd{SONG_PLAYING, 0, 0, 0, 0, 0};
    stop_passes = 0;
    stop_limit = 0;
    stop_frame = -1;
    row_watcher = nullptr;
    row_watcher_user = nullptr;
    rows_played.clear();
    repeat_key.clear();
}

// The pattern-loop state as a row is entered: counter and start row of each
// channel inside a loop. A channel outside one adds nothing, so a loop that
// has run out looks as if it had never run.
static void loop_state(const Module* module, std::string* state) {
    state->clear();
    const int32_t count = module->channel_count < CHANNEL_COUNT ? module->channel_count : CHANNEL_COUNT;
    for (int32_t c = 0; c < count; c++) {
        if (channels[c].loop_count == 0) continue;
        const char entry[3] = {static_cast<char>(c), static_cast<char>(channels[c].loop_count),
                               static_cast<char>(channels[c].loop_row)};
        state->append(entry, 3);
    }
}

static void watch_row(const Module* module, int64_t frame, const std::string& loops) {
    if (stop_frame >= 0 && frame >= stop_frame) return;  // past the output's end
    std::string& key = row_key;
    key.assign(1, static_cast<char>(module->order));
    key.push_back(static_cast<char>(module->row));
    // The compatible profile starts the next pattern where a loop of this
    // order position last went: that too decides what comes. Taken after
    // the row, which may have set it.
    if (module->profile == MP_PROFILE_COMPATIBLE) key.push_back(static_cast<char>(seq_next_pattern_row()));
    key.append(loops);
    if (song_end.kind != SONG_REPEATS) {
        if (rows_played.insert(key)) {
            // a new row; the song plays on
        } else {
            song_end = SongEnd{SONG_REPEATS, frame, module->order, module->row, 1, frame};
            repeat_key = key;
            rows_played.clear();
        }
    } else if (key == repeat_key) {
        song_end.passes++;
        song_end.pass_frame = frame;
    }
    if (song_end.kind == SONG_REPEATS && stop_passes > 0 && song_end.passes >= stop_passes) {
        stop_frame = frame;
        return;
    }
    if (!row_watcher) return;
    const int32_t pattern = module->order >= 0 && module->order < 256 ? module->orders[module->order] : 0;
    row_watcher(RenderRow{frame, module->order, pattern, module->row, module->speed, module->bpm}, row_watcher_user);
}

// Stands in for the module's tick handler while the offline renderer runs:
// ticks fall at the frames the block renderer gives them, each tick lasting
// samples_per_tick frames and at least one.
static void watched_tick(Module* module) {
    const int64_t frame = next_tick_frame;
    const bool row_tick = module->tick == 0;
    if (row_tick) loop_state(module, &row_loops);
    if (song_tick) song_tick(module);
    next_tick_frame += module->samples_per_tick < 1 ? 1 : module->samples_per_tick;
    if (row_tick) watch_row(module, frame, row_loops);
}

// The limit reached before the song came back to a row.
static void note_limit() {
    if (song_end.kind == SONG_PLAYING && stop_limit > 0) song_end = SongEnd{SONG_LIMIT, stop_limit, 0, 0, 0, 0};
}

void render_stop_at(int32_t passes, int64_t limit) {
    stop_passes = passes < 0 ? 0 : passes;
    stop_limit = limit < 0 ? 0 : limit;
    stop_frame = stop_limit > 0 ? stop_limit : -1;
    if (song_end.kind == SONG_REPEATS && stop_passes > 0 && song_end.passes >= stop_passes &&
        (stop_frame < 0 || song_end.pass_frame < stop_frame))
        stop_frame = song_end.pass_frame;
}

void render_watch_rows(RenderRowFn on_row, void* user) {
    row_watcher = on_row;
    row_watcher_user = user;
}

const SongEnd& render_song_end() { return song_end; }

// ---- rendering ----

bool render_begin(Module* module, int32_t rate) {
    if (!module || !output_rate_usable(rate)) return false;
    output_prepare(rate);
    if (!output_begin(module)) return false;
    current_block = -1;
    block_used = 0;
    frames_out = 0;
    watch_begin();
    return true;
}

int32_t render_frames(int16_t* out, int32_t frames, RenderBlockFn on_block, void* user) {
    OutputState& o = output_state;
    const int32_t block_frames = output_settings.block_frames;
    if (!out || frames < 1 || !o.playing_module || !o.position_log || !o.ring_buffer || !o.mix_buffer) return 0;
    int32_t written = 0;
    while (written < frames && (stop_frame < 0 || frames_out < stop_frame)) {
        if (current_block < 0 || block_used == block_frames) {
            current_block = o.write_block;
            // A block the caller takes whole goes straight into its buffer.
            int16_t* const direct = out + static_cast<size_t>(written) * 2;
            bool whole = frames - written >= block_frames && (stop_frame < 0 || stop_frame - frames_out >= block_frames);
            // The watch stands in for the tick handler only while this block renders.
            Module* module = o.playing_module;
            song_tick = module->on_tick;
            module->on_tick = watched_tick;
            render_block(whole ? direct : nullptr);
            module->on_tick = song_tick;
            if (whole && stop_frame >= 0 && stop_frame - frames_out < block_frames) {
                // The song ended within the block: it goes into the ring after
                // all, where the frames after the stop wait like any others.
                std::memcpy(o.ring_buffer + static_cast<size_t>(current_block) * block_frames * 2, direct,
                            static_cast<size_t>(block_frames) * 4);
                whole = false;
            }
            // With no device the block just rendered is the one "heard", so the
            // getters report the position of the frames handed out last.
            o.audible_block = current_block;
            block_used = whole ? block_frames : 0;
            if (on_block) on_block(o.position_log[current_block], user);
            if (whole) {
                written += block_frames;
                frames_out += block_frames;
                continue;
            }
        }
        int64_t n = block_frames - block_used;
        if (n > frames - written) n = frames - written;
        if (stop_frame >= 0 && n > stop_frame - frames_out) n = stop_frame - frames_out;
        const int16_t* source = o.ring_buffer + (static_cast<size_t>(current_block) * block_frames + block_used) * 2;
        std::memcpy(out + static_cast<size_t>(written) * 2, source, static_cast<size_t>(n) * 4);
        written += static_cast<int32_t>(n);
        block_used += static_cast<int32_t>(n);
        frames_out += n;
    }
    if (stop_frame >= 0 && frames_out >= stop_frame) note_limit();
    return written;
}

// ---- the song's length without mixing ----

// Every sample's finetune, which E5y changes while playing: kept, or put back.
static void keep_finetunes(Module* module, std::vector<int8_t>* kept, bool put_back) {
    size_t k = 0;
    for (int32_t i = 0; module->instruments && i < module->instrument_count; i++) {
        for (int32_t j = 0; j < module->instruments[i].sample_count; j++) {
            Sample* sample = module->instruments[i].samples[j];
            if (!sample) continue;
            if (put_back) sample->finetune = (*kept)[k++];
            else kept->push_back(sample->finetune);
        }
    }
}

SongEnd render_measure(Module* module, int32_t rate, int32_t passes, int64_t limit,
                       RenderRowFn on_row, void* user) {
    SongEnd none = {SONG_PLAYING, 0, 0, 0, 0, 0};
    if (!module || output_state.playing_module || !output_rate_usable(rate) || (passes < 1 && limit < 1)) return none;
    // Playing changes the module (playback fields, effect memories, finetunes
    // set by E5y): all of it is put back, so that a render afterwards starts
    // from the module as loaded.
    const Module saved = *module;
    std::vector<int8_t> finetunes;
    keep_finetunes(module, &finetunes, false);
    output_prepare(rate);
    seq_rewind(module);
    watch_begin();
    render_stop_at(passes, limit);
    render_watch_rows(on_row, user);
    song_tick = module->on_tick;
    while (stop_frame < 0 || next_tick_frame < stop_frame) watched_tick(module);
    note_limit();
    const SongEnd found = song_end;

    *module = saved;
    keep_finetunes(module, &finetunes, true);
    output_prepare(rate);  // no voice keeps sounding from the measure
    watch_begin();
    return found;
}
