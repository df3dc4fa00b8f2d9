// The output state in one record: the ring with its mix buffer and position
// log, the ring positions, the stop handshake and the sound device.
// Player-internal: the output, the offline renderer, the device and thread code.
#pragma once
#include <atomic>
#include <cstdint>
#include "player/module.h"
#include "player/mp_render.h"
#include "player/output_settings.h"

// The sound device as the output uses it: one buffer looped for ever and a
// byte count played since it was handed over, 64 bits so that it never wraps.
struct AudioDevice {
    bool (*open)(int32_t rate);
    void (*play_looped)(int16_t* buffer, int32_t bytes);
    uint64_t (*bytes_played)();
    void (*release)();      // the device lets go of the buffer
    void (*reset_close)();  // stop at once and close
};

struct OutputState {
    // Playback buffers, created by mp_start; all but the ring released by mp_stop.
    int16_t* ring_buffer;           // ring_frames stereo frames
    float* mix_buffer;              // block_frames stereo frames, 16-byte aligned, for each block in turn
    PositionLogEntry* position_log;  // ring_blocks entries
    int32_t ring_buffer_frames;     // size of ring_buffer as allocated

    int32_t write_block;  // next block to render
    // The block the listener hears; indexes the log. Moved on by the render
    // thread after it has written the entry, read by the getters on any thread.
    std::atomic<int32_t> audible_block;
    // Odd while the render thread rewrites an entry and moves audible_block on;
    // the getters read again when it was odd or changed under them.
    std::atomic<uint32_t> log_sequence;
    Module* playing_module;

    // The stop handshake between the controlling thread and the render thread.
    std::atomic<uint8_t> stop_requested;
    std::atomic<uint8_t> render_busy;
    std::atomic<uint8_t> thread_finished{1};  // no thread yet

    // The device; null: none (offline use). A device the device code chose
    // is forgotten when it is closed; one a caller installed stays.
    const AudioDevice* audio_device;
    bool device_holds_ring;  // the device may still be looping ring_buffer
    bool ring_handed_over;   // play_looped given, release not yet

    bool thread_started;  // by mp_start; its handle is the thread code's own
};
// Constant-initialised, so that a test may install its device before main.
extern OutputState output_state;

// Sets the output settings from the rate and clears the 256 voices; no device.
void output_prepare(int32_t rate);
// Resets the module's playback fields and channels, makes it the playing
// module and creates the buffers; false for null, no settings or no memory.
bool output_begin(Module* module);
// Renders block write_block: ticks, mix, log entry, conversion; advances
// write_block. The 16-bit frames go into the ring, or into `destination`
// (block_frames frames) when one is given, as the offline renderer does for
// a block its caller takes whole.
void render_block(int16_t* destination = nullptr);
// Renders block write_block and moves audible_block on by one, so that
// readers of the log never see an entry half written or already holding the
// next pass of the ring (the render thread's step).
void render_next_block();
// 2 x frames floats to 16-bit samples, rounded half to even and clamped; the
// floats are left at 0.
void convert_block(float* source, int16_t* destination, int32_t frames);

// The render thread, started by mp_start and ended by mp_stop; false when
// there is no device to follow or the thread cannot be created.
bool output_thread_start();
void output_thread_join();

// The ring arithmetic of the render thread: the block the device plays after
// `bytes` bytes of the looping ring, and how many blocks from `write` on are
// due for rendering with the device in block `playing`.
int32_t ring_playing_block(uint64_t bytes, int32_t frames_in_ring, int32_t frames_in_block);
int32_t ring_blocks_due(int32_t write, int32_t playing, int32_t blocks_in_ring);
