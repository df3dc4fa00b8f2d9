// song_picture OUT.png: one pass of the demo's own module through the offline
// renderer, drawn as a waveform over a spectrogram, one column per 40 ms
// (two ticks), with a line and the pattern's number where each pattern starts.
#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"
#include "player/mp_render.h"
#include "tools/png_out.h"

namespace {

constexpr int RATE = 44100;
constexpr int COLUMN = 1764;  // frames in one column: two ticks at 125 BPM
constexpr int WAVE_HEIGHT = 96, SPECTRUM_HEIGHT = 256, FFT = 2048;
constexpr double PI = 3.14159265358979323846;

struct Start {
    int64_t frame;
    int32_t pattern;
};

void note_pattern_start(const RenderRow& row, void* user) {
    if (row.row == 0) static_cast<std::vector<Start>*>(user)->push_back({row.frame, row.pattern});
}

// In-place radix-2 transform of a power-of-two length.
void fft(std::vector<std::complex<double>>* a) {
    const size_t n = a->size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap((*a)[i], (*a)[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * PI / len);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < len / 2; k++, w *= step) {
                const std::complex<double> u = (*a)[i + k], v = (*a)[i + k + len / 2] * w;
                (*a)[i + k] = u + v;
                (*a)[i + k + len / 2] = u - v;
            }
        }
    }
}

// Dark blue through red to pale yellow, for levels 0..1.
uint32_t heat(double v) {
    v = v < 0 ? 0 : v > 1 ? 1 : v;
    const int r = static_cast<int>(255 * std::min(1.0, 2 * v));
    const int g = static_cast<int>(255 * std::max(0.0, 2 * v - 1));
    const int b = static_cast<int>(255 * (v < 0.5 ? 0.25 + v : 0.75 * (1 - v)));
    return static_cast<uint32_t>(r << 16 | g << 8 | b);
}

// Digits of a 3 x 5 font, rows top first, three bits each.
const uint16_t DIGITS[10] = {075557, 022222, 071747, 071717, 055711, 074717, 074757, 071111, 075757, 075717};

void draw_digit(std::vector<uint32_t>* px, int width, int x, int y, int d) {
    for (int r = 0; r < 5; r++)
        for (int c = 0; c < 3; c++)
            if (DIGITS[d] >> (3 * (4 - r) + (2 - c)) & 1)
                for (int s = 0; s < 4; s++) (*px)[(y + 2 * r + s / 2) * width + x + 2 * c + s % 2] = 0xFFFFFF;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: song_picture OUT.png\n");
        return 2;
    }
    mp_set_stream(mem_open, mem_close, mem_read, mem_seek, mem_tell);
    Module* module = mp_load(asset_module, nullptr);
    if (!module || !render_begin(module, RATE)) return 1;
    std::vector<Start> starts;
    render_stop_at(1, 0);
    render_watch_rows(note_pattern_start, &starts);
    std::vector<double> mono;
    std::vector<int16_t> block(2 * 4096);
    for (int32_t n; (n = render_frames(block.data(), 4096, nullptr, nullptr)) > 0;)
        for (int32_t i = 0; i < n; i++) mono.push_back((block[2 * i] + block[2 * i + 1]) / 65536.0);
    mp_free(module);

    const int width = static_cast<int>(mono.size() / COLUMN), height = WAVE_HEIGHT + SPECTRUM_HEIGHT;
    std::vector<uint32_t> px(static_cast<size_t>(width) * height, 0x101018);
    std::vector<std::complex<double>> bins(FFT);
    for (int x = 0; x < width; x++) {
        double low = 0, high = 0;
        for (int i = x * COLUMN; i < (x + 1) * COLUMN; i++) low = std::min(low, mono[i]), high = std::max(high, mono[i]);
        for (int y = 0; y < WAVE_HEIGHT; y++) {
            const double v = 1 - 2.0 * (y + 0.5) / WAVE_HEIGHT;
            if (v <= high && v >= low) px[y * width + x] = 0x7FD07F;
        }
        // The spectrum around the column's middle, on a frequency scale from
        // 40 Hz to 16 kHz that gives each octave the same height.
        for (int i = 0; i < FFT; i++) {
            const int64_t at = static_cast<int64_t>(x) * COLUMN + COLUMN / 2 - FFT / 2 + i;
            const double hann = 0.5 - 0.5 * std::cos(2 * PI * i / FFT);
            bins[i] = at >= 0 && at < static_cast<int64_t>(mono.size()) ? mono[at] * hann : 0.0;
        }
        fft(&bins);
        for (int y = 0; y < SPECTRUM_HEIGHT; y++) {
            const double f = 40 * std::pow(400.0, 1 - (y + 0.5) / SPECTRUM_HEIGHT);
            const double db = 20 * std::log10(std::abs(bins[static_cast<size_t>(f * FFT / RATE)]) / (FFT / 4) + 1e-9);
            px[(WAVE_HEIGHT + y) * width + x] = heat((db + 100) / 95);
        }
    }
    for (const Start& s : starts) {
        const int x = static_cast<int>(s.frame / COLUMN);
        for (int y = 0; y < height && x < width; y++) px[y * width + x] = 0xFFFFFF;
        if (x + 14 < width && s.pattern >= 0 && s.pattern < 10) draw_digit(&px, width, x + 4, 4, s.pattern);
    }
    if (!png_write(argv[1], px.data(), width, height)) {
        std::fprintf(stderr, "song_picture: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
