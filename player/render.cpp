// Offline rendering for tests and tools: the block renderer driven by the
// caller instead of a device, its blocks copied out frame by frame.
#include <cstring>
#include "player/mp.h"
#include "player/output.h"
#include "player/render.h"

static int32_t current_block = -1;  // block being handed out, -1 before the first
static int32_t block_used = 0;      // its frames already copied out

bool render_begin(Module* module, int32_t rate) {
    if (!module || !output_rate_usable(rate)) return false;
    output_prepare(rate);
    if (!output_begin(module)) return false;
    current_block = -1;
    block_used = 0;
    return true;
}

int32_t render_frames(int16_t* out, int32_t frames, RenderBlockFn on_block, void* user) {
    if (!out || frames < 1 || !playing_module || !position_log || !ring_buffer || !mix_buffer) return 0;
    int32_t written = 0;
    while (written < frames) {
        if (current_block < 0 || block_used == block_frames) {
            current_block = write_block;
            render_block();
            // With no device the block just rendered is the one "heard", so the
            // getters report the position of the frames handed out last.
            audible_block = current_block;
            block_used = 0;
            if (on_block) on_block(position_log[current_block], user);
        }
        int32_t n = block_frames - block_used;
        if (n > frames - written) n = frames - written;
        const int16_t* source = ring_buffer + (static_cast<size_t>(current_block) * block_frames + block_used) * 2;
        std::memcpy(out + static_cast<size_t>(written) * 2, source, static_cast<size_t>(n) * 4);
        written += n;
        block_used += n;
    }
    return written;
}
