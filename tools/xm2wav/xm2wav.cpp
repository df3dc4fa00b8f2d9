// xm2wav IN.xm OUT.wav [SECONDS]: plays a module through the offline renderer
// into a 16-bit stereo 44.1 kHz WAV file. Without SECONDS it renders the
// song once, up to its end, at most 10 minutes.
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "player/mp_render.h"
#include "tools/xm2wav/xm2wav.h"

constexpr int32_t RATE = 44100;
constexpr double MAX_SECONDS = 3600.0;  // keeps the WAV far below its 4 GiB limit

static int usage() {
    std::fprintf(stderr, "usage: xm2wav IN.xm OUT.wav [SECONDS]\n");
    return 2;
}

// Renders `frames` frames, or up to the song's end when `to_end` is set.
static bool render_to(WavOut* wav, int64_t frames, bool to_end) {
    std::vector<int16_t> block(4096 * 2);
    render_stop_at(to_end ? 1 : 0, frames);
    int32_t n;
    while ((n = render_frames(block.data(), 4096, nullptr, nullptr)) > 0) wav_write(wav, block.data(), n);
    return true;
}

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) return usage();
    double seconds = 600.0;
    const bool to_end = argc == 3;
    if (!to_end) {
        char* rest = nullptr;
        seconds = std::strtod(argv[3], &rest);
        if (rest == argv[3] || *rest != '\0' || !(seconds > 0.0) || seconds > MAX_SECONDS) {
            std::fprintf(stderr, "xm2wav: SECONDS must be a number above 0 and at most %.0f\n", MAX_SECONDS);
            return 2;
        }
    }
    std::vector<uint8_t> bytes;
    if (!file_read_all(argv[1], &bytes)) {
        std::fprintf(stderr, "xm2wav: cannot read %s\n", argv[1]);
        return 1;
    }
    file_stream_register();
    Module* module = mp_load(&bytes, nullptr);
    if (!module) {
        std::fprintf(stderr, "xm2wav: %s: refused: %s\n", argv[1], mp_load_refusal()->reason);
        return 1;
    }
    WavOut wav = {};
    bool ok = render_begin(module, RATE) && wav_open(&wav, argv[2], RATE);
    if (ok) ok = render_to(&wav, static_cast<int64_t>(seconds * RATE), to_end);
    if (wav.file && !wav_close(&wav)) ok = false;
    mp_free(module);
    if (!ok) {
        std::fprintf(stderr, "xm2wav: rendering into %s failed\n", argv[2]);
        return 1;
    }
    std::printf("%s: %.2f s\n", argv[2], static_cast<double>(wav.data_bytes) / 4.0 / RATE);
    return 0;
}
