// The scaled full screen that a backend offers on a desktop without a display
// mode of the frame's size: the modes it lists and where the frame goes on the
// desktop. The framework above the seam sees an ordinary mode of its size.
#include <algorithm>
#include "framework/fw_platform.h"

void fw_list_scaled_modes(int32_t width, int32_t height, int32_t desktop_bits, int32_t refresh,
                          FwModeCallback callback) {
    if (desktop_bits > 16) {
        const FwModeInfo full = {width, height, 32, refresh};
        callback(&full);
    }
    const FwModeInfo packed = {width, height, 16, refresh};
    callback(&packed);
}

FwRect fw_scaled_rect(int32_t width, int32_t height, int32_t output_width, int32_t output_height) {
    if (width <= 0 || height <= 0) return FwRect{0, 0, 0, 0};
    const int32_t factor = std::max(1, std::min(output_width / width, output_height / height));
    const int32_t scaled_width = width * factor;
    const int32_t scaled_height = height * factor;
    // An output smaller than the frame shows its middle, as halving rounds toward zero.
    return FwRect{(output_width - scaled_width) / 2, (output_height - scaled_height) / 2, scaled_width, scaled_height};
}
