// The output state: settings and voices, the ring with its mix buffer and
// position log, the block renderer, and the getters of the audible position.
// The sound device and the render thread are reached only through the hooks
// of output_state.h, so this file runs the same with or without them.
#include <cmath>
#include <cstdlib>
#include <cstring>
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
int32_t audible_block = 0;
Module* playing_module = nullptr;

const AudioDevice* audio_device = nullptr;
bool (*render_thread_start)() = nullptr;
void (*render_thread_join)() = nullptr;

static int32_t ring_buffer_frames = 0;  // size of ring_buffer as allocated
static bool thread_started = false;
static bool device_holds_ring = false;

// ---- settings and device ----

void output_prepare(int32_t rate) {
    output_configure(rate);
    std::memset(voices, 0, sizeof voices);
    for (int32_t i = 0; i < VOICE_COUNT; i++) voices[i].index = i;
}

void mp_close_output() {
    if (audio_device) audio_device->reset_close();
    device_holds_ring = false;
    // Once the device is reset nothing reads the ring any more.
    if (!playing_module) {
        std::free(ring_buffer);
        ring_buffer = nullptr;
        ring_buffer_frames = 0;
    }
}

bool mp_open_output(int32_t rate) {
    if (!stream_ready()) return false;
    if (rate < 1) return false;  // no block size, no tempo can be derived from it
    mp_close_output();
    if (audio_device && !audio_device->open(rate)) return false;
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
    module->next_order = -1;
    module->next_row = -1;
    module->global_volume = module->initial_global_volume;
    module->speed = module->default_speed;
    module->row = 0;
    module->order = 0;
    module->tick_samples_left = 0;
    module->tick = 0;
    module->pattern_delay_ticks = 0;
    module->elapsed_ms = 0;
    seq_set_bpm(module, module->default_bpm);

    const int32_t count = module->channel_count < CHANNEL_COUNT ? module->channel_count : CHANNEL_COUNT;
    for (int32_t i = 0; i < count; i++) {
        std::memset(&channels[i], 0, sizeof channels[i]);
        channels[i].voice = &voices[i];
        voices[i].index = i;
    }
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

bool mp_start(Module* module) {
    if (!output_begin(module)) return false;
    do render_block(); while (write_block != 0);
    if (audio_device) {
        audio_device->play_looped(ring_buffer, ring_frames * 4);
        device_holds_ring = true;
    }
    stop_requested.store(0);
    if (render_thread_start) thread_started = render_thread_start();
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
    if (audio_device) audio_device->release();
    playing_module = nullptr;
    const int32_t count = module->channel_count < VOICE_COUNT ? module->channel_count : VOICE_COUNT;
    for (int32_t i = 0; i < count; i++) stop_voice(i);
    std::free(position_log);
    position_log = nullptr;
    return true;
}

// ---- block rendering ----

void convert_block(const float* source, int16_t* destination, int32_t frames) {
    for (int32_t i = 0; i < frames * 2; i++) {
        // nearbyint follows the default rounding mode: to nearest, ties to even
        const float r = std::nearbyint(source[i]);
        int16_t s;
        if (r >= 32767.0f) s = 32767;
        else if (r <= -32768.0f) s = -32768;
        else if (r == r) s = static_cast<int16_t>(r);
        else s = 0;  // NaN
        destination[i] = s;
    }
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
        module->elapsed_ms += static_cast<int32_t>(
            static_cast<double>(n) * static_cast<double>(inverse_rate) * 1000.0);
        done += n;
        left -= n;
    }
    PositionLogEntry& entry = position_log[b];
    entry.elapsed_ms = module->elapsed_ms;
    entry.row = static_cast<uint8_t>(module->row);
    entry.order = static_cast<uint8_t>(module->order);
    module->tick_samples_left = left;
    convert_block(block, ring_buffer + static_cast<size_t>(b) * block_frames * 2, block_frames);
    write_block = b + 1 == ring_blocks ? 0 : b + 1;
}

// ---- the audible position ----

// The log is gone outside playback: 0 then rather than a read of freed memory.
static const PositionLogEntry* audible_entry(const Module* module) {
    if (!module || !position_log || audible_block < 0 || audible_block >= ring_blocks) return nullptr;
    return &position_log[audible_block];
}

int32_t mp_get_order(const Module* module) {
    const PositionLogEntry* entry = audible_entry(module);
    return entry ? entry->order : 0;
}

int32_t mp_get_row(const Module* module) {
    const PositionLogEntry* entry = audible_entry(module);
    return entry ? entry->row : 0;
}

int32_t mp_get_time(const Module* module) {
    const PositionLogEntry* entry = audible_entry(module);
    return entry ? entry->elapsed_ms : 0;
}
