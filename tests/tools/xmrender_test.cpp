// xmrender from the outside: its command line, songs built here rendered to
// their exact end, standard output, --info and --timeline, and bad inputs
// that must give one line, exit status 1 and no file.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "tests/corpus.h"
#include "tests/tools/tool_run.h"
#include "tools/xm_writer/xm_writer.h"

namespace {

const std::string XMRENDER = std::string(BSA_BINARY_DIR) + "/tools/xmrender/xmrender";
constexpr int64_t ROW = 6 * 882;  // frames of a row at speed 6, BPM 125, 44100 Hz

// A two-channel song of patterns with the given rows, played in order, a
// looped note sounding from its start.
XmSong song_of(std::vector<int32_t> rows) {
    std::vector<int8_t> wave(64);
    for (size_t i = 0; i < wave.size(); i++) wave[i] = static_cast<int8_t>(i < 32 ? 90 : -90);
    XmSong song;
    song.channels = 2;
    song.name = "Test Song";
    song.tracker = "Test Tracker";
    XmInstrument in;
    in.name = "lead";
    in.samples.push_back(xm_sample8(wave, 1, 0, 64));
    in.samples[0].name = "square";
    song.instruments.push_back(in);
    for (int32_t r : rows) {
        XmPattern p;
        p.rows = r;
        p.cells.assign(static_cast<size_t>(r) * 2, Cell{0, 0, 0, 0, 0});
        song.patterns.push_back(p);
    }
    song.patterns[0].cells[0] = Cell{49, 1, 0, 0, 0};
    song.song_length = static_cast<uint16_t>(rows.size());
    for (size_t i = 0; i < rows.size(); i++) song.orders[i] = static_cast<uint8_t>(i);
    return song;
}

void put(XmSong& song, int pattern, int row, int channel, uint8_t effect, uint8_t param) {
    song.patterns[pattern].cells[static_cast<size_t>(row) * song.channels + channel] = Cell{0, 0, 0, effect, param};
}

uint32_t u32(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
           static_cast<uint8_t>(b[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// Frames of a well-formed 16-bit stereo WAV at `rate`, or -1.
int64_t wav_frames(const std::string& wav, uint32_t rate = 44100) {
    if (wav.size() < 44 || wav.compare(0, 4, "RIFF") != 0 || wav.compare(8, 8, "WAVEfmt ") != 0) return -1;
    if (u32(wav, 4) != wav.size() - 8 || u32(wav, 40) != wav.size() - 44 || u32(wav, 24) != rate) return -1;
    if ((wav.size() - 44) % 4 != 0) return -1;
    return static_cast<int64_t>(wav.size() - 44) / 4;
}

}  // namespace

TEST(Xmrender, CommandLine) {
    const std::string dir = tool_scratch("xmrender_cli");
    ToolRun r = tool_run(dir, XMRENDER + " --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: xmrender"), std::string::npos);
    EXPECT_NE(r.out.find("--loops N"), std::string::npos);
    EXPECT_EQ(r.err, "");
    r = tool_run(dir, XMRENDER + " -V");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("xmrender ", 0), 0u);
    tool_write(dir + "/song.xm", xm_build(song_of({4})));
    for (const char* args : {"", "--bogus song.xm", "-x song.xm", "--rate 7000 song.xm", "--rate=44100.5 song.xm",
                             "--loops 0 song.xm", "-l", "--seconds abc song.xm", "--seconds=0 song.xm",
                             "--fade -1 song.xm", "--info=yes song.xm", "song.xm a.wav b.wav", "-i song.xm -"}) {
        r = tool_run(dir, XMRENDER + " " + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("xmrender: ", 0), 0u) << args;
        EXPECT_NE(r.err.find("Try 'xmrender --help'"), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    EXPECT_EQ(tool_listing(dir), "song.xm\n") << "no command line error writes a file";
    // Values glued to short options, bundled switches, "--" before operands.
    r = tool_run(dir, XMRENDER + " -qs0.5 -r8000 -- song.xm half.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(wav_frames(tool_read(dir + "/half.wav"), 8000), 4000);
    // Without an output the WAV is named after the module; the old name
    // still works with its length as third argument.
    r = tool_run(dir, XMRENDER + " -q song.xm");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(wav_frames(tool_read(dir + "/song.wav")), 4 * ROW);
    r = tool_run(dir, std::string(BSA_BINARY_DIR) + "/tools/xmrender/xm2wav song.xm old.wav 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(wav_frames(tool_read(dir + "/old.wav")), 44100);
}

TEST(Xmrender, RendersTheSongOnceToItsExactEnd) {
    const std::string dir = tool_scratch("xmrender_end");
    struct Case {
        const char* name;
        XmSong song;
        int64_t frames;
    };
    std::vector<Case> cases;
    XmSong self = song_of({16});
    put(self, 0, 4, 1, 11, 0);  // B00 on row 4: the pattern jumps to itself
    cases.push_back({"self", self, 5 * ROW});
    XmSong back = song_of({8, 8, 8});
    put(back, 2, 4, 0, 11, 1);  // B01: back to the second order position
    cases.push_back({"back", back, (8 + 8 + 5) * ROW});
    XmSong loop = song_of({16});
    put(loop, 0, 4, 1, 14, 0x60);
    put(loop, 0, 8, 1, 14, 0x62);  // rows 4-8 three times
    cases.push_back({"loop", loop, (4 + 3 * 5 + 7) * ROW});
    XmSong breaks = song_of({16, 16});
    put(breaks, 0, 2, 0, 13, 0x08);  // D08: on to row 8 of the next pattern
    cases.push_back({"break", breaks, (3 + 8) * ROW});
    for (Case& c : cases) {
        const std::string name = c.name;
        tool_write(dir + "/" + name + ".xm", xm_build(c.song));
        ToolRun r = tool_run(dir, XMRENDER + " " + name + ".xm");
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(wav_frames(tool_read(dir + "/" + name + ".wav")), c.frames) << name;
        r = tool_run(dir, XMRENDER + " -q --loops 2 " + name + ".xm twice.wav");
        EXPECT_EQ(r.status, 0) << name << r.err;
        // These songs start again from their very beginning, but for the jump
        // back, and the loop, whose start row carries into the next pass as
        // the tracker plays it: rows 4-8 three times and 9-15.
        const int64_t second = name == "back" ? 13 * ROW : name == "loop" ? (3 * 5 + 7) * ROW : c.frames;
        EXPECT_EQ(wav_frames(tool_read(dir + "/twice.wav")), c.frames + second) << name;
    }

    // Standard output carries the same WAV, through a pipe too, and nothing else.
    ToolRun r = tool_run(dir, XMRENDER + " -q loop.xm - > piped.wav && " + XMRENDER + " loop.xm - | cat > cat.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string file = tool_read(dir + "/loop.wav");
    EXPECT_TRUE(tool_read(dir + "/piped.wav") == file);
    EXPECT_TRUE(tool_read(dir + "/cat.wav") == file);

    // A fixed length at another rate, and a fade that ends in silence.
    r = tool_run(dir, XMRENDER + " -q --seconds 1.5 --rate 22050 --fade 0.5 self.xm faded.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string faded = tool_read(dir + "/faded.wav");
    ASSERT_EQ(wav_frames(faded, 22050), 33075);
    auto peak = [&](size_t from, size_t to) {
        int m = 0;
        for (size_t i = 44 + from * 4; i < 44 + to * 4; i += 2)
            m = std::max(m, std::abs(static_cast<int16_t>(static_cast<uint8_t>(faded[i]) | faded[i + 1] << 8)));
        return m;
    };
    EXPECT_GT(peak(20000, 22000), 4 * peak(32500, 33075));
    EXPECT_EQ(peak(33074, 33075), 0);
}

TEST(Xmrender, InfoAndTimeline) {
    const std::string dir = tool_scratch("xmrender_info");
    XmSong song = song_of({8});
    put(song, 0, 2, 1, 15, 3);  // F03: speed 3 from row 2
    put(song, 0, 5, 1, 14, 0x61);  // E61: rows 0-5 once more
    song.patterns[0].cells[6] = Cell{0, 0, 0x28, 0, 0};  // row 3: volume 24
    tool_write(dir + "/song.xm", xm_build(song));
    ToolRun r = tool_run(dir, XMRENDER + " --info song.xm");
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* line : {"Name:           Test Song\n", "Tracker:        Test Tracker\n", "Version:        1.04\n",
                             "Channels:       2\n", "Song length:    1, restart at 0\n", "Frequencies:    linear\n",
                             "Speed, BPM:     6, 125\n", "  F set speed / BPM", "  E6 pattern loop",
                             "  set volume ", "    1 \"lead\"  1 sample\n",
                             "         1 \"square\"  64 frames, 8-bit, forward loop 0..64,"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
    // Rows 0-1 at speed 6, then 2-5, 0-5 and 6-7 at speed 3: 2 x 6 + 12 x 3 ticks.
    const int64_t frames = (2 * 6 + 12 * 3) * 882;
    EXPECT_NE(r.out.find("Duration:       0:00.960 (" + std::to_string(frames) + " frames at 44100 Hz)"),
              std::string::npos) << r.out;
    EXPECT_EQ(tool_listing(dir), "song.xm\n") << "--info alone writes no WAV";

    r = tool_run(dir, XMRENDER + " -t song.xm");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(r.out.substr(at, end - at));
    ASSERT_EQ(lines.size(), 1u + 14u);
    EXPECT_EQ(lines[0], "        ms order pattern row speed bpm");
    EXPECT_EQ(lines[1], "         0     0       0   0     6 125");
    EXPECT_EQ(lines[3], "       240     0       0   2     3 125");  // 2 x 5292 frames
    EXPECT_EQ(lines[7], "       480     0       0   0     3 125");  // the loop goes back to row 0
    EXPECT_EQ(lines[14], "       900     0       0   7     3 125");

    // Real modules, and the exact reason of a refusal.
    if (corpus_available()) {
        r = tool_run(dir, XMRENDER + " -i '" + corpus_dir() + "/m04_rhino_sting.xm'");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("Channels:       6\n"), std::string::npos);
        EXPECT_NE(r.out.find("then it repeats from order 0, row 0\n"), std::string::npos);
    }
    song.channels = 33;
    tool_write(dir + "/wide.xm", xm_build(song));
    r = tool_run(dir, XMRENDER + " -i wide.xm");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "xmrender: wide.xm: not a module this player can load: channel count is 33, above the limit of 32\n");
}

// The compatible profile unless told otherwise: F00 is ignored there, and
// in the defined one makes every following row one tick long.
TEST(Xmrender, Profile) {
    const std::string dir = tool_scratch("xmrender_profile");
    XmSong song = song_of({8});
    put(song, 0, 2, 1, 15, 0);
    tool_write(dir + "/song.xm", xm_build(song));
    ToolRun r = tool_run(dir, XMRENDER + " -i song.xm");
    EXPECT_NE(r.out.find("Profile:        compatible"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Duration:       0:00.960 (" + std::to_string(8 * ROW) + " frames"), std::string::npos) << r.out;
    r = tool_run(dir, XMRENDER + " --profile defined -i song.xm out.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Profile:        defined"), std::string::npos) << r.out;
    EXPECT_EQ(wav_frames(tool_read(dir + "/out.wav")), 2 * ROW + 6 * 882);
    r = tool_run(dir, XMRENDER + " -p tracker song.xm");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "xmrender: --profile is compatible or defined, not 'tracker'\nTry 'xmrender --help'.\n");
}

TEST(Xmrender, BadInputsGiveOneLineAndLeaveNoFile) {
    const std::string dir = tool_scratch("xmrender_bad");
    const std::vector<uint8_t> good = xm_build(song_of({4}));
    tool_write(dir + "/same.xm", good);
    tool_write(dir + "/empty.xm", {});
    tool_write(dir + "/cut.xm", std::vector<uint8_t>(good.begin(), good.begin() + 340));
    std::system(("mkdir '" + dir + "/folder.xm'").c_str());
    const std::string picture = std::string(BSA_SOURCE_DIR) + "/assets/font.tga";
    const std::string before = tool_listing(dir);
    struct Case {
        std::string args;
        std::string named;  // the file the message names
        std::string cause;
    };
    const std::vector<Case> cases = {
        {"missing.xm out.wav", "missing.xm", "No such file or directory"},
        {"folder.xm out.wav", "folder.xm", "is a directory"},
        {"empty.xm out.wav", "empty.xm", "empty file"},
        {"'" + picture + "' out.wav", picture, "signature"},
        {"cut.xm out.wav", "cut.xm", "pattern 0 header end is 345, beyond the end of the file at 340"},
        {"same.xm no/such/folder.wav", "no/such/folder.wav", "cannot create"},
        {"same.xm folder.xm", "folder.xm", "is a directory"},
        {"same.xm /dev/full", "/dev/full", "No space left on device"},
        {"same.xm same.xm", "same.xm", "is the module itself"},
        {"same.xm ./same.xm", "./same.xm", "is the module itself"},
    };
    for (const Case& c : cases) {
        const ToolRun r = tool_run(dir, XMRENDER + " " + c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_EQ(r.err.rfind("xmrender: " + c.named + ": ", 0), 0u) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find(c.cause), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.args << ": " << r.err;
        EXPECT_EQ(tool_listing(dir), before) << c.args;
    }
    EXPECT_TRUE(tool_read(dir + "/same.xm") == std::string(good.begin(), good.end())) << "the module is untouched";
}
