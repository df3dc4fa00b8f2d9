// The output state and what works on it without choosing a device: starting
// and stopping, the block renderer, and the getters of the audible position.
// The sound device is opened and closed in output_device.cpp; with none the
// output renders offline.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include "player/loader_internal.h"
#include "player/mix_kernels.h"
#include "player/mixer.h"
#include "player/mp.h"
#include "player/output_state.h"
#include "player/seq.h"

OutputState output_state{};

constexpr std::align_val_t MIX_ALIGNMENT{16};

// The log's fields are read by the getters while the render thread writes
// them: atomic accesses, no lock. Release and acquire, so that a reader that
// sees any field of a new entry also sees log_sequence odd afterwards.
template <typename T>
static void log_store(T& field, T value) { __atomic_store_n(&field, value, __ATOMIC_RELEASE); }
template <typename T>
static T log_load(const T& field) { return __atomic_load_n(&field, __ATOMIC_ACQUIRE); }

// ---- settings ----

void output_prepare(int32_t rate) {
    output_configure(rate);
    std::memset(voices, 0, sizeof voices);
    for (int32_t i = 0; i < VOICE_COUNT; i++) voices[i].index = i;
}

// ---- starting and stopping ----

static bool ring_create() {
    OutputState& o = output_state;
    const int32_t frames = output_settings.ring_frames;
    if (o.ring_buffer && o.ring_buffer_frames == frames && !o.device_holds_ring) {
        std::memset(o.ring_buffer, 0, static_cast<size_t>(frames) * 4);
        return true;
    }
    // A ring the device may still be looping is left to it (leaked, once),
    // rather than freed under its feet.
    if (!o.device_holds_ring) std::free(o.ring_buffer);
    o.ring_buffer = static_cast<int16_t*>(std::calloc(static_cast<size_t>(frames), 4));
    o.ring_buffer_frames = o.ring_buffer ? frames : 0;
    o.device_holds_ring = false;
    return o.ring_buffer != nullptr;
}

// One block's floats, used for every block in turn: small enough to stay in
// the processor's nearest cache from one block to the next, where a buffer
// as long as the ring would have each block fetched from memory again.
static bool mix_create() {
    const size_t bytes = static_cast<size_t>(output_settings.block_frames) * 2 * sizeof(float);
    // The aligned operator new rather than aligned_alloc, which the Windows C
    // library lacks; it answers null instead of throwing.
    output_state.mix_buffer = static_cast<float*>(::operator new[](bytes, MIX_ALIGNMENT, std::nothrow));
    if (!output_state.mix_buffer) return false;
    std::memset(output_state.mix_buffer, 0, bytes);
    return true;
}

bool output_begin(Module* module) {
    if (!module) return false;
    mp_stop(module);
    const int32_t blocks = output_settings.ring_blocks;
    if (output_settings.block_frames < 1 || blocks < 1) return false;  // output never configured
    seq_rewind(module);
    output_state.playing_module = module;

    output_state.position_log =
        static_cast<PositionLogEntry*>(std::calloc(static_cast<size_t>(blocks), sizeof(PositionLogEntry)));
    if (!output_state.position_log || !ring_create() || !mix_create()) {
        mp_stop(module);
        return false;
    }
    output_state.write_block = 0;
    return true;
}

// The render thread reads the profile at every tick, so it changes only
// between playbacks.
bool mp_set_profile(Module* module, MpProfile profile) {
    if (!module || module == output_state.playing_module) return false;
    if (profile != MP_PROFILE_DEFINED && profile != MP_PROFILE_COMPATIBLE) return false;
    module->profile = profile;
    return true;
}

bool mp_start(Module* module) {
    if (!output_begin(module)) return false;
    OutputState& o = output_state;
    do render_block(); while (o.write_block != 0);
    // The device starts again at block 0, so the listener does too, also when
    // a module is started a second time.
    o.audible_block.store(0, std::memory_order_release);
    if (!o.audio_device) return true;
    o.audio_device->play_looped(o.ring_buffer, output_settings.ring_frames * 4);
    o.device_holds_ring = true;
    o.ring_handed_over = true;
    o.stop_requested.store(0);
    o.thread_started = output_thread_start();
    if (!o.thread_started) std::fprintf(stderr, "no render thread: the first seconds of the music repeat\n");
    return true;
}

bool mp_stop(Module* module) {
    if (!module) return false;
    OutputState& o = output_state;
    o.stop_requested.store(1);
    while (o.render_busy.load()) {
    }
    if (o.thread_started) {
        output_thread_join();
        o.thread_started = false;
    }
    ::operator delete[](o.mix_buffer, MIX_ALIGNMENT);
    o.mix_buffer = nullptr;
    // Released once per hand-over, so a second stop releases nothing.
    if (o.audio_device && o.ring_handed_over) o.audio_device->release();
    o.ring_handed_over = false;
    o.playing_module = nullptr;
    const int32_t count = module->channel_count < VOICE_COUNT ? module->channel_count : VOICE_COUNT;
    for (int32_t i = 0; i < count; i++) stop_voice(i);
    std::free(o.position_log);
    o.position_log = nullptr;
    return true;
}

// The render thread may be inside a block that reads the module: it is let
// finish and stopped before the module goes.
bool mp_free(Module* module) {
    if (!module) return false;
    while (output_state.render_busy.load()) {
    }
    mp_stop(module);
    release_module(module);
    return true;
}

// ---- block rendering ----

void convert_block(float* source, int16_t* destination, int32_t frames) {
    mix_kernels->convert(source, destination, frames);
}

void render_block(int16_t* destination) {
    OutputState& o = output_state;
    const int32_t block_frames = output_settings.block_frames;
    Module* module = o.playing_module;
    const int32_t b = o.write_block;
    float* block = o.mix_buffer;  // clear: at its creation, then by each conversion
    int32_t left = module->tick_samples_left;
    int32_t done = 0;
    while (done < block_frames) {
        if (left <= 0) {
            if (module->on_tick) module->on_tick(module);
            left = module->samples_per_tick;
            if (left < 1) left = 1;  // a tick of no frames would never let the block end
        }
        const int32_t n = left < block_frames - done ? left : block_frames - done;
        mix_voices(block + static_cast<size_t>(done) * 2, n, true);
        // the float 1/rate lies just below the true value: 882 frames add 19 ms
        const int32_t piece =
            static_cast<int32_t>(static_cast<double>(n) * static_cast<double>(output_settings.inverse_rate) * 1000.0);
        // After 24.8 days ("/c") the 32-bit time wraps, as a defined unsigned sum.
        module->elapsed_ms = static_cast<int32_t>(static_cast<uint32_t>(module->elapsed_ms) + static_cast<uint32_t>(piece));
        done += n;
        left -= n;
    }
    PositionLogEntry& entry = o.position_log[b];
    log_store(entry.elapsed_ms, module->elapsed_ms);
    log_store(entry.row, static_cast<uint8_t>(module->row));
    log_store(entry.order, static_cast<uint8_t>(module->order));
    module->tick_samples_left = left;
    if (!destination) destination = o.ring_buffer + static_cast<size_t>(b) * block_frames * 2;
    convert_block(block, destination, block_frames);
    o.write_block = b + 1 == output_settings.ring_blocks ? 0 : b + 1;
}

void render_next_block() {
    OutputState& o = output_state;
    o.log_sequence.fetch_add(1, std::memory_order_relaxed);
    render_block();
    const int32_t next = o.audible_block.load(std::memory_order_relaxed) + 1;
    o.audible_block.store(next >= output_settings.ring_blocks ? 0 : next, std::memory_order_release);
    o.log_sequence.fetch_add(1, std::memory_order_release);
}

// ---- the audible position ----

// The log is gone outside playback: false then rather than a read of freed memory.
// A read that overlapped a render is repeated; a render takes well under a
// millisecond, so the wait is short.
static bool audible_entry(const Module* module, PositionLogEntry* out) {
    const OutputState& o = output_state;
    if (!module || !o.position_log) return false;
    for (;;) {
        const uint32_t before = o.log_sequence.load(std::memory_order_acquire);
        if (before & 1) {
            std::this_thread::yield();
            continue;
        }
        const int32_t b = o.audible_block.load(std::memory_order_acquire);
        if (b < 0 || b >= output_settings.ring_blocks) return false;
        out->order = log_load(o.position_log[b].order);
        out->row = log_load(o.position_log[b].row);
        out->elapsed_ms = log_load(o.position_log[b].elapsed_ms);
        if (o.log_sequence.load(std::memory_order_relaxed) == before) return true;
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
