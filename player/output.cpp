// The output state: settings and voices, the ring with its mix buffer and
// position log, the block renderer, and the getters of the audible position.
// The sound device and the render thread are reached only through the hooks
// of output_state.h, so this file runs the same with or without them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include "player/mix_kernels.h"
#include "player/mixer.h"
#include "player/mp.h"
#include "player/output.h"
#include "player/output_state.h"
#include "player/seq.h"
#include "player/stream.h"

int16_t* ring_buffer = nullptr;
float* mix_buffer = nullptr;
PositionLogEntry* position_log = nullptr;
int32_t write_block = 0;
std::atomic<int32_t> audible_block{0};
Module* playing_module = nullptr;

const AudioDevice* audio_device = nullptr;
bool (*render_thread_start)() = output_thread_start;
void (*render_thread_join)() = output_thread_join;

static int32_t ring_buffer_frames = 0;  // size of ring_buffer as allocated
static bool thread_started = false;
static bool device_holds_ring = false;
static bool ring_handed_over = false;  // play_looped given, release not yet

// Odd while the render thread rewrites an entry and moves audible_block on;
// the getters read again when it was odd or changed under them.
static std::atomic<uint32_t> log_sequence{0};

// The log's fields are read by the getters while the render thread writes
// them: atomic accesses, no lock. Release and acquire, so that a reader that
// sees any field of a new entry also sees log_sequence odd afterwards.
template <typename T>
static void log_store(T& field, T value) { __atomic_store_n(&field, value, __ATOMIC_RELEASE); }
template <typename T>
static T log_load(const T& field) { return __atomic_load_n(&field, __ATOMIC_ACQUIRE); }

// ---- settings and device ----

void output_prepare(int32_t rate) {
    output_configure(rate);
    std::memset(voices, 0, sizeof voices);
    for (int32_t i = 0; i < VOICE_COUNT; i++) voices[i].index = i;
}

void mp_close_output() {
    audio_close_device();
    device_holds_ring = false;
    ring_handed_over = false;
    // Once the device is reset nothing reads the ring any more.
    if (!playing_module) {
        std::free(ring_buffer);
        ring_buffer = nullptr;
        ring_buffer_frames = 0;
    }
}

bool mp_open_output(int32_t rate) {
    if (!stream_ready()) return false;
    if (!output_rate_usable(rate)) return false;
    // New settings under a running render thread would resize the ring it writes.
    if (playing_module) mp_stop(playing_module);
    mp_close_output();
    if (!audio_open_device(rate)) return false;
    output_prepare(rate);
    return true;
}

// ---- starting and stopping ----

static bool ring_create() {
    if (ring_buffer && ring_buffer_frames == ring_frames && !device_holds_ring) {
        std::memset(ring_buffer, 0, static_cast<size_t>(ring_frames) * 4);
        return true;
    }
    // A ring the device may still be looping is left to it (leaked, once),
    // rather than freed under its feet.
    if (!device_holds_ring) std::free(ring_buffer);
    ring_buffer = static_cast<int16_t*>(std::calloc(static_cast<size_t>(ring_frames), 4));
    ring_buffer_frames = ring_buffer ? ring_frames : 0;
    device_holds_ring = false;
    return ring_buffer != nullptr;
}

static bool mix_create() {
    const size_t bytes = static_cast<size_t>(ring_frames) * 2 * sizeof(float);
    // aligned_alloc wants a size that is a multiple of the alignment; block_frames is a multiple of 4
    mix_buffer = static_cast<float*>(std::aligned_alloc(16, (bytes + 15) / 16 * 16));
    if (!mix_buffer) return false;
    std::memset(mix_buffer, 0, bytes);
    return true;
}

bool output_begin(Module* module) {
    if (!module) return false;
    mp_stop(module);
    if (block_frames < 1 || ring_blocks < 1) return false;  // output never configured
    seq_rewind(module);
    playing_module = module;

    position_log = static_cast<PositionLogEntry*>(
        std::calloc(static_cast<size_t>(ring_blocks), sizeof(PositionLogEntry)));
    if (!position_log || !ring_create() || !mix_create()) {
        mp_stop(module);
        return false;
    }
    write_block = 0;
    return true;
}

// The render thread reads the profile at every tick, so it changes only
// between playbacks.
bool mp_set_profile(Module* module, MpProfile profile) {
    if (!module || module == playing_module) return false;
    if (profile != MP_PROFILE_DEFINED && profile != MP_PROFILE_COMPATIBLE) return false;
    module->profile = profile;
    return true;
}

bool mp_start(Module* module) {
    if (!output_begin(module)) return false;
    do render_block(); while (write_block != 0);
    // The device starts again at block 0, so the listener does too, also when
    // a module is started a second time.
    audible_block.store(0, std::memory_order_release);
    if (!audio_device) return true;
    audio_device->play_looped(ring_buffer, ring_frames * 4);
    device_holds_ring = true;
    ring_handed_over = true;
    stop_requested.store(0);
    if (render_thread_start) {
        thread_started = render_thread_start();
        if (!thread_started) std::fprintf(stderr, "no render thread: the first seconds of the music repeat\n");
    }
    return true;
}

bool mp_stop(Module* module) {
    if (!module) return false;
    stop_requested.store(1);
    while (render_busy.load()) {
    }
    if (thread_started) {
        if (render_thread_join) render_thread_join();
        thread_started = false;
    }
    std::free(mix_buffer);
    mix_buffer = nullptr;
    // Released once per hand-over, so a second stop releases nothing.
    if (audio_device && ring_handed_over) audio_device->release();
    ring_handed_over = false;
    playing_module = nullptr;
    const int32_t count = module->channel_count < VOICE_COUNT ? module->channel_count : VOICE_COUNT;
    for (int32_t i = 0; i < count; i++) stop_voice(i);
    std::free(position_log);
    position_log = nullptr;
    return true;
}

// ---- block rendering ----

void convert_block(const float* source, int16_t* destination, int32_t frames) {
    mix_kernels->convert(source, destination, frames);
}

void render_block() {
    Module* module = playing_module;
    const int32_t b = write_block;
    float* block = mix_buffer + static_cast<size_t>(b) * block_frames * 2;
    std::memset(block, 0, static_cast<size_t>(block_frames) * 2 * sizeof(float));
    int32_t left = module->tick_samples_left;
    int32_t done = 0;
    while (done < block_frames) {
        if (left <= 0) {
            if (module->on_tick) module->on_tick(module);
            left = module->samples_per_tick;
            if (left < 1) left = 1;  // a tick of no frames would never let the block end
        }
        const int32_t n = left < block_frames - done ? left : block_frames - done;
        mix_voices(block + static_cast<size_t>(done) * 2, n);
        // the float 1/rate lies just below the true value: 882 frames add 19 ms
        const int32_t piece = static_cast<int32_t>(static_cast<double>(n) * static_cast<double>(inverse_rate) * 1000.0);
        // After 24.8 days ("/c") the 32-bit time wraps, as a defined unsigned sum.
        module->elapsed_ms = static_cast<int32_t>(static_cast<uint32_t>(module->elapsed_ms) + static_cast<uint32_t>(piece));
        done += n;
        left -= n;
    }
    PositionLogEntry& entry = position_log[b];
    log_store(entry.elapsed_ms, module->elapsed_ms);
    log_store(entry.row, static_cast<uint8_t>(module->row));
    log_store(entry.order, static_cast<uint8_t>(module->order));
    module->tick_samples_left = left;
    convert_block(block, ring_buffer + static_cast<size_t>(b) * block_frames * 2, block_frames);
    write_block = b + 1 == ring_blocks ? 0 : b + 1;
}

void render_next_block() {
    log_sequence.fetch_add(1, std::memory_order_relaxed);
    render_block();
    const int32_t next = audible_block.load(std::memory_order_relaxed) + 1;
    audible_block.store(next >= ring_blocks ? 0 : next, std::memory_order_release);
    log_sequence.fetch_add(1, std::memory_order_release);
}

// ---- the audible position ----

// The log is gone outside playback: false then rather than a read of freed memory.
// A read that overlapped a render is repeated; a render takes well under a
// millisecond, so the wait is short.
static bool audible_entry(const Module* module, PositionLogEntry* out) {
    if (!module || !position_log) return false;
    for (;;) {
        const uint32_t before = log_sequence.load(std::memory_order_acquire);
        if (before & 1) {
            std::this_thread::yield();
            continue;
        }
        const int32_t b = audible_block.load(std::memory_order_acquire);
        if (b < 0 || b >= ring_blocks) return false;
        out->order = log_load(position_log[b].order);
        out->row = log_load(position_log[b].row);
        out->elapsed_ms = log_load(position_log[b].elapsed_ms);
        if (log_sequence.load(std::memory_order_relaxed) == before) return true;
    }
}

int32_t mp_get_order(const Module* module) {
    PositionLogEntry entry;
    return audible_entry(module, &entry) ? entry.order : 0;
}

int32_t mp_get_row(const Module* module) {
    PositionLogEntry entry;
    return audible_entry(module, &entry) ? entry.row : 0;
}

int32_t mp_get_time(const Module* module) {
    PositionLogEntry entry;
    return audible_entry(module, &entry) ? entry.elapsed_ms : 0;
}
