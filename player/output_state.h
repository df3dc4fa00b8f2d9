// The output's ring, mix buffer and position log, and the block renderer that
// fills them. Player-internal: shared by the output, the offline renderer and
// the device/thread code.
#pragma once
#include <atomic>
#include <cstdint>
#include "player/module.h"

struct PositionLogEntry {
    uint8_t order;       // low 8 bits of the order position
    uint8_t row;         // low 8 bits of the row
    int32_t elapsed_ms;  // music time up to the end of the block
};

extern int16_t* ring_buffer;        // ring_frames stereo frames
extern float* mix_buffer;           // ring_frames stereo frames, 16-byte aligned
extern PositionLogEntry* position_log;  // ring_blocks entries
extern int32_t write_block;         // next block to render
// The block the listener hears; indexes the log. Moved on by the render
// thread after it has written the entry, read by the getters on any thread.
extern std::atomic<int32_t> audible_block;
extern Module* playing_module;

// True for a rate the output can run at: at least 50 Hz (one frame to a
// 20 ms block), and a ring whose byte count fits the device's 32-bit count.
bool output_rate_usable(int32_t rate);
// Sets the output settings from the rate and clears the 256 voices; no device.
void output_prepare(int32_t rate);
// Resets the module's playback fields and channels, makes it the playing
// module and creates the buffers; false for null, no settings or no memory.
bool output_begin(Module* module);
// Renders block write_block: ticks, mix, log entry, conversion; advances write_block.
void render_block();
// Renders block write_block and moves audible_block on by one, so that
// readers of the log never see an entry half written or already holding the
// next pass of the ring (the render thread's step).
void render_next_block();
// 2 x frames floats to 16-bit samples, rounded half to even and clamped.
void convert_block(const float* source, int16_t* destination, int32_t frames);

// The sound device as the output uses it: one buffer looped for ever and a
// byte count played since it was handed over, 64 bits so that it never wraps.
// Null: no device (offline use).
struct AudioDevice {
    bool (*open)(int32_t rate);
    void (*play_looped)(int16_t* buffer, int32_t bytes);
    uint64_t (*bytes_played)();
    void (*release)();      // the device lets go of the buffer
    void (*reset_close)();  // stop at once and close
};
extern const AudioDevice* audio_device;

// Opens audio_device at the rate; when no device was installed by the caller,
// chooses one first (see audio_select.cpp). False when it cannot be opened.
bool audio_open_device(int32_t rate);
// Resets and closes audio_device; forgets it when it was chosen by the open.
void audio_close_device();

// The render thread, started by mp_start and ended by mp_stop. Null: none.
extern bool (*render_thread_start)();
extern void (*render_thread_join)();
bool output_thread_start();  // the real thread, the hooks' default
void output_thread_join();

// The ring arithmetic of the render thread: the block the device plays after
// `bytes` bytes of the looping ring, and how many blocks from `write` on are
// due for rendering with the device in block `playing`.
int32_t ring_playing_block(uint64_t bytes, int32_t frames_in_ring, int32_t frames_in_block);
int32_t ring_blocks_due(int32_t write, int32_t playing, int32_t blocks_in_ring);
