// The player's public face for offline rendering: a module played into the
// caller's buffer with no sound device and no thread, and the song's end,
// which only offline rendering looks for. Playback ends with mp_stop or mp_free.
#pragma once
#include <cstdint>
#include "player/mp.h"

// What the position log keeps of one rendered block.
struct PositionLogEntry {
    uint8_t order;       // low 8 bits of the order position
    uint8_t row;         // low 8 bits of the row
    int32_t elapsed_ms;  // music time up to the end of the block
};

// Called once per rendered block with the block's position-log entry.
typedef void (*RenderBlockFn)(const PositionLogEntry& entry, void* user);

// Configures the output for `rate` and starts `module` at its beginning;
// false for null, a rate the output cannot run at, or no memory. Playback
// stops with mp_stop. The song plays on for ever until render_stop_at says otherwise.
bool render_begin(Module* module, int32_t rate);
// Renders `frames` stereo frames (left, right) into `out`; a block only partly
// used is kept for the next call. Returns the frames written: fewer once the
// stop set by render_stop_at is reached, and 0 after it or when nothing plays.
int32_t render_frames(int16_t* out, int32_t frames, RenderBlockFn on_block, void* user);

// ---- the song's end ----
// Every row tick is watched. The song has ended at the first row tick that
// comes back to a row already played in the same pattern-loop state: from
// there on it can only repeat itself. That covers the end of the order list,
// a jump back and a break into rows already heard, and a pattern that jumps
// to itself. The pattern-loop state is, for each channel inside a loop, its
// loop counter and start row, and in the compatible profile the row the
// next pattern starts at; a loop that runs again later (count 0 anew) is
// not a new state.
enum SongEndKind : uint8_t {
    SONG_PLAYING = 0,  // no end found yet
    SONG_REPEATS = 1,  // a row came back in the same state
    SONG_LIMIT = 2,    // the length limit came first
};

struct SongEnd {
    SongEndKind kind;
    int64_t frame;       // the first frame past the song: its length in frames
    int32_t order;       // where it goes on: the row it came back to
    int32_t row;
    int32_t passes;      // times it has come back to that row so far
    int64_t pass_frame;  // the frame at which the last of those passes ended
};

// What the renderer saw at one row tick, after the row's effects.
struct RenderRow {
    int64_t frame;  // first frame of the row, counted from the start of the song
    int32_t order;
    int32_t pattern;
    int32_t row;
    int32_t speed;
    int32_t bpm;
};
typedef void (*RenderRowFn)(const RenderRow& row, void* user);

// Makes render_frames end exactly where pass `passes` of the song ends (0:
// never), or after `limit` frames (0: no limit), whichever comes first.
// Call it after render_begin.
void render_stop_at(int32_t passes, int64_t limit);
// Calls `on_row` at every row tick before the stop (null: none); until the next render_begin.
void render_watch_rows(RenderRowFn on_row, void* user);
// The end as far as the song has been rendered.
const SongEnd& render_song_end();

// The song's end found by ticking the sequencer as the renderer does, without
// mixing: the same frames, far faster. Stops as render_stop_at would (a stop
// is needed: both 0 measures nothing). Not while a module plays; the module
// is left as it was. Reports rows to `on_row` when given.
SongEnd render_measure(Module* module, int32_t rate, int32_t passes, int64_t limit,
                       RenderRowFn on_row, void* user);
