// Opening and closing the output's sound device: the step that needs a real
// device, kept beside the devices so that offline users of the player link none.
#include <cstdlib>
#include "player/audio_devices.h"
#include "player/mp.h"
#include "player/output_state.h"
#include "player/stream.h"

void mp_close_output() {
    OutputState& o = output_state;
    audio_close_device();
    o.device_holds_ring = false;
    o.ring_handed_over = false;
    // Once the device is reset nothing reads the ring any more.
    if (!o.playing_module) {
        std::free(o.ring_buffer);
        o.ring_buffer = nullptr;
        o.ring_buffer_frames = 0;
    }
}

bool mp_open_output(int32_t rate) {
    if (!stream_ready()) return false;
    if (!output_rate_usable(rate)) return false;
    // New settings under a running render thread would resize the ring it writes.
    if (output_state.playing_module) mp_stop(output_state.playing_module);
    mp_close_output();
    if (!audio_open_device(rate)) return false;
    output_prepare(rate);
    return true;
}
