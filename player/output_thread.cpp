// The render thread: follows the device's play position round the ring and
// re-renders each block right after the device has played it, so the ring
// always holds the next two seconds of the song.
#include <chrono>
#include <system_error>
#include <thread>
#include "player/output_state.h"
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <pthread.h>
#include <sched.h>
#endif

static std::thread render_thread_handle;

int32_t ring_playing_block(uint64_t bytes, int32_t frames_in_ring, int32_t frames_in_block) {
    if (frames_in_ring < 1 || frames_in_block < 1) return 0;
    // Kept in 64 bits throughout: a 32-bit count would wrap after 6.7 hours
    // at 44100 Hz and jump to the wrong block.
    const uint64_t frame = bytes / 4;
    return static_cast<int32_t>(frame % static_cast<uint64_t>(frames_in_ring) / static_cast<uint64_t>(frames_in_block));
}

int32_t ring_blocks_due(int32_t write, int32_t playing, int32_t blocks_in_ring) {
    // Blocks below the playing one are due; a write position above it waits
    // for the device to come round, except with the device in block 0 or 1,
    // when the end of the ring is due as well. At most one ring at a time.
    int32_t due = 0;
    while (write != playing && (write < playing || playing <= 1) && due < blocks_in_ring) {
        write = write + 1 == blocks_in_ring ? 0 : write + 1;
        due++;
    }
    return due;
}

// The thread must not miss its blocks behind the program's drawing. On Linux
// real-time scheduling usually needs privileges; without them it runs at
// normal priority, which is enough on an idle machine.
static void raise_thread_priority() {
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
#else
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
#endif
}

// The device is the one playing the ring when the thread starts: closing the
// output under a running thread leaves it a closed device whose position no
// longer moves on, rather than a device forgotten under its feet.
static void render_thread(const AudioDevice* device) {
    OutputState& o = output_state;
    const OutputSettings& s = output_settings;
    raise_thread_priority();
    while (!o.stop_requested.load()) {
        const int32_t playing = ring_playing_block(device->bytes_played(), s.ring_frames, s.block_frames);
        // The position is read once per poll, however many blocks are due.
        for (int32_t due = ring_blocks_due(o.write_block, playing, s.ring_blocks); due > 0; due--) {
            o.render_busy.store(1);
            render_next_block();
            o.render_busy.store(0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    o.thread_finished.store(1);
}

bool output_thread_start() {
    OutputState& o = output_state;
    if (!o.audio_device || render_thread_handle.joinable()) return false;
    // Cleared here rather than by the thread, so that a stop arriving before
    // the thread has run cannot take the previous thread's "finished".
    o.thread_finished.store(0);
    try {
        render_thread_handle = std::thread(render_thread, o.audio_device);
    } catch (const std::system_error&) {
        o.thread_finished.store(1);
        return false;
    }
    return true;
}

void output_thread_join() {
    OutputState& o = output_state;
    while (!o.thread_finished.load()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (render_thread_handle.joinable()) render_thread_handle.join();
}
