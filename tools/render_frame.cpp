// Renders the frame the demo draws at a given music time and row into a PNG,
// without a display or a sound device.
//   render_frame OUT.png TIME_MS [ROW] [SCALE]
// The scroller keeps state from frame to frame, so the frames before TIME_MS
// are run first, one per 20 ms output block, as the demo would see them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "app/demo.h"
#include "tools/png_out.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.png TIME_MS [ROW] [SCALE]\n", argv[0]);
        return 2;
    }
    const int t = std::atoi(argv[2]);
    const int row = argc > 3 ? std::atoi(argv[3]) : 0;
    const int scale = argc > 4 ? std::atoi(argv[4]) : 1;
    if (t < 0 || row < 0 || row > 255 || scale < 1 || scale > 8) {
        std::fprintf(stderr, "render_frame: TIME_MS must be >= 0, ROW 0..255, SCALE 1..8\n");
        return 2;
    }
    if (!decode_pictures()) {
        std::fprintf(stderr, "render_frame: out of memory\n");
        return 1;
    }
    scroll_length = static_cast<int>(std::strlen(scroll_text));

    std::vector<uint32_t> frame(SCREEN_WIDTH * SCREEN_HEIGHT);
    for (int earlier = 0; earlier < t; earlier += 20) update_scroller(frame.data(), earlier);
    draw_frame(frame.data(), t, row);

    std::vector<uint32_t> scaled(frame.size() * scale * scale);
    const int width = SCREEN_WIDTH * scale;
    for (int y = 0; y < SCREEN_HEIGHT * scale; y++)
        for (int x = 0; x < width; x++)
            scaled[static_cast<size_t>(y) * width + x] = frame[(y / scale) * SCREEN_WIDTH + x / scale];
    if (!png_write(argv[1], scaled.data(), width, SCREEN_HEIGHT * scale)) {
        std::fprintf(stderr, "render_frame: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
