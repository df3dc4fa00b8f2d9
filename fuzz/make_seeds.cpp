// Writes the fuzz seed corpus: small XM files of our own covering the
// loader's paths (packing, loops, 16-bit, packed samples, old layout,
// envelopes, effects). Run once; the files are committed under fuzz/corpus.
#include <cstdio>
#include <string>
#include "tests/player/xm_builder.h"

static void write(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

static std::vector<int8_t> wave(int n) {
    std::vector<int8_t> w(static_cast<size_t>(n));
    for (int k = 0; k < n; k++) w[static_cast<size_t>(k)] = static_cast<int8_t>(k % 16 < 8 ? 60 : -60);
    return w;
}

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";

    XmSong simple = xm_simple_song(xm_sample8(wave(32), 1, 0, 32), 2, 8);
    simple.patterns[0].cells.assign(16, Cell{0, 0, 0, 0, 0});
    simple.patterns[0].cells[0] = Cell{49, 1, 0x40, 0, 0};
    simple.patterns[0].cells[3] = Cell{97, 0, 0, 0x0A, 0x0F};
    simple.patterns[0].cells[6] = Cell{61, 1, 0, 0x04, 0x44};
    write(dir, "simple.xm", xm_build(simple));

    XmSong loops = simple;
    XmSample wide;
    wide.type = 0x12;  // 16-bit ping-pong
    wide.data = xm_delta16({0, 8000, 16000, 8000, 0, -8000, -16000, -8000});
    wide.length = static_cast<uint32_t>(wide.data.size());
    wide.loop_start = 4;
    wide.loop_length = 8;
    XmInstrument in;
    in.samples = {xm_sample8(wave(24), 1, 8, 8), wide};
    in.sample_map[48] = 1;
    in.volume_points = 3;
    in.volume_type = 7;
    in.volume_envelope[1] = {4, 64};
    in.volume_envelope[2] = {8, 16};
    in.volume_loop_end = 2;
    in.panning_points = 2;
    in.panning_type = 1;
    in.panning_envelope[1] = {6, 60};
    in.fadeout = 512;
    in.vibrato_depth = 4;
    in.vibrato_rate = 8;
    loops.instruments = {in, XmInstrument{}};
    write(dir, "loops.xm", xm_build(loops));

    XmSong packed = simple;
    XmSample nibbles;
    nibbles.length = 16;
    nibbles.reserved = 0xAD;
    nibbles.data = {0, 1, 2, 4, 8, 16, 32, 64, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF,
                    0x21, 0x43, 0x65, 0x87, 0xA9, 0xCB, 0xED, 0x0F};
    packed.instruments[0].samples = {nibbles};
    write(dir, "packed.xm", xm_build(packed));

    XmSong old = loops;
    old.version = 0x0102;
    old.song_length = 2;
    old.orders[1] = 1;
    old.patterns.push_back(simple.patterns[0]);
    write(dir, "old_layout.xm", xm_build(old));

    XmSong effects = simple;
    effects.channels = 4;
    effects.song_length = 3;
    effects.orders[1] = 0;
    effects.orders[2] = 3;  // a pattern the file lacks
    XmPattern p;
    p.rows = 4;
    p.cells.assign(16, Cell{0, 0, 0, 0, 0});
    p.cells[0] = Cell{37, 1, 0x10, 0x0E, 0x61};
    p.cells[1] = Cell{40, 1, 0xC8, 0x03, 0x20};
    p.cells[5] = Cell{0, 0, 0x65, 0x09, 0x80};
    p.cells[8] = Cell{50, 1, 0, 0x0F, 0x03};
    p.cells[14] = Cell{0, 0, 0, 0x0D, 0x01};
    effects.patterns = {p};
    write(dir, "effects.xm", xm_build(effects));

    std::vector<uint8_t> truncated = xm_build(loops);
    truncated.resize(truncated.size() - 40);
    write(dir, "truncated.xm", truncated);
    return 0;
}
