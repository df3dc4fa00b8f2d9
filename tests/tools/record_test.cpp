// record_demo from the outside: a short recording probed with ffprobe, its
// pictures decoded and held against the demo's frame code at the music time
// and row of the audible block, its sound against the offline render, and
// its refusals.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <map>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"
#include "player/mp.h"
#include "player/mp_render.h"
#include "tests/tools/tool_run.h"

namespace {

const std::string RECORD = std::string(BSA_BINARY_DIR) + "/tools/record/record_demo";

// FFmpeg comes with scripts/setup.sh; a machine without it cannot record.
bool have_ffmpeg() { return std::system("command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null") == 0; }

// ffprobe's flat output as key -> value, quotes taken off.
std::map<std::string, std::string> probe(const std::string& dir, const std::string& file) {
    const ToolRun r = tool_run(dir, "ffprobe -v error -of flat -show_entries stream=codec_type,codec_name,width,"
                                    "height,pix_fmt,r_frame_rate,sample_rate,channels,nb_frames "
                                    "-show_entries format=duration " + file);
    std::map<std::string, std::string> values;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = r.out.substr(at, end - at);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
        values[line.substr(0, eq)] = value;
    }
    return values;
}

struct Music {
    std::vector<PositionLogEntry> blocks;  // the position-log entry of every block, in order
    std::vector<int16_t> frames;
};

void keep_block(const PositionLogEntry& e, void* user) { static_cast<std::vector<PositionLogEntry>*>(user)->push_back(e); }

// The embedded module through the offline renderer, as the demo plays it.
Music render_music(int32_t frames) {
    Music m;
    mp_set_stream(mem_open, mem_close, mem_read, mem_seek, mem_tell);
    Module* module = mp_load(asset_module, nullptr);
    EXPECT_NE(module, nullptr);
    EXPECT_TRUE(render_begin(module, 44100));
    m.frames.resize(static_cast<size_t>(frames) * 2);
    EXPECT_EQ(render_frames(m.frames.data(), frames, keep_block, &m.blocks), frames);
    mp_free(module);
    return m;
}

// The frame the demo draws at music time t and row r. The scroller moves on
// from frame to frame unless `keep_scroller` puts it back afterwards.
std::vector<uint32_t> demo_frame(int t, int r, bool keep_scroller = false) {
    const int pos = scroll_pos, offset = scroll_offset, last = scroll_last_time;
    const bool started = scroll_started;
    std::vector<uint32_t> frame(SCREEN_WIDTH * SCREEN_HEIGHT);
    draw_frame(frame.data(), t, r);
    if (keep_scroller) {
        scroll_pos = pos;
        scroll_offset = offset;
        scroll_last_time = last;
        scroll_started = started;
    }
    return frame;
}

// The largest mean difference of an 8 x 8 tile between a decoded RGB picture
// scaled by 3 and a drawn one: small for the same picture through a lossy
// codec, large where anything stands somewhere else. The middle pixel of
// each 3 x 3 block is compared: its colour, halved in resolution, comes from
// that block alone.
double tile_difference(const uint8_t* rgb, const std::vector<uint32_t>& frame) {
    double worst = 0.0;
    for (int ty = 0; ty < SCREEN_HEIGHT; ty += 8)
        for (int tx = 0; tx < SCREEN_WIDTH; tx += 8) {
            double sum = 0.0;
            for (int y = ty; y < ty + 8; y++)
                for (int x = tx; x < tx + 8; x++) {
                    const uint32_t p = frame[static_cast<size_t>(y) * SCREEN_WIDTH + x];
                    const uint8_t* d = rgb + ((static_cast<size_t>(y) * 3 + 1) * SCREEN_WIDTH * 3 + x * 3 + 1) * 3;
                    sum += std::abs(d[0] - static_cast<int>(p >> 16 & 255)) +
                           std::abs(d[1] - static_cast<int>(p >> 8 & 255)) + std::abs(d[2] - static_cast<int>(p & 255));
                }
            worst = std::max(worst, sum / (64 * 3));
        }
    return worst;
}

}  // namespace

TEST(RecordDemo, ShortRecordingIsTheDemoInPictureAndSound) {
    if (!have_ffmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    const std::string dir = tool_scratch("record_short");
    ToolRun r = tool_run(dir, RECORD + " -q --seconds 3 short.mp4");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(tool_listing(dir), "short.mp4\n");

    std::map<std::string, std::string> p = probe(dir, "short.mp4");
    EXPECT_NEAR(std::atof(p["format.duration"].c_str()), 3.0, 0.03);
    EXPECT_EQ(p["streams.stream.0.codec_type"], "video");
    EXPECT_EQ(p["streams.stream.0.codec_name"], "h264");
    EXPECT_EQ(p["streams.stream.0.pix_fmt"], "yuv420p");
    EXPECT_EQ(p["streams.stream.0.width"], "960");
    EXPECT_EQ(p["streams.stream.0.height"], "720");
    EXPECT_EQ(p["streams.stream.0.r_frame_rate"], "50/1");
    EXPECT_EQ(p["streams.stream.0.nb_frames"], "150");
    EXPECT_EQ(p["streams.stream.1.codec_type"], "audio");
    EXPECT_EQ(p["streams.stream.1.codec_name"], "aac");
    EXPECT_EQ(p["streams.stream.1.sample_rate"], "44100");
    EXPECT_EQ(p["streams.stream.1.channels"], "2");

    // Pictures 0, 49, 100 and 149. Picture k shows from sound frame k x 882
    // on, which lies in block k x 882 / 884.
    const Music music = render_music(3 * 44100);
    r = tool_run(dir, "ffmpeg -v error -i short.mp4 -vf \"select='eq(n,0)+eq(n,49)+eq(n,100)+eq(n,149)'\""
                      " -vsync 0 -f rawvideo -pix_fmt rgb24 pictures.raw");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string pictures = tool_read(dir + "/pictures.raw");
    const size_t picture_bytes = SCREEN_WIDTH * SCREEN_HEIGHT * 9 * 3;
    ASSERT_EQ(pictures.size(), 4 * picture_bytes);
    // The scroller keeps its state from picture to picture: every picture is
    // drawn in turn, as the demo draws them.
    ASSERT_TRUE(decode_pictures());
    scroll_length = static_cast<int>(std::strlen(scroll_text));
    const int shown[4] = {0, 49, 100, 149};
    for (int k = 0, i = 0; i < 4; k++) {
        const PositionLogEntry& e = music.blocks[static_cast<size_t>(k) * 882 / 884];
        if (k != shown[i]) {
            demo_frame(e.elapsed_ms, e.row);
            continue;
        }
        const uint8_t* rgb = reinterpret_cast<const uint8_t*>(pictures.data()) + i++ * picture_bytes;
        // The same picture a quarter of a second later, its animals moved on.
        const double later = tile_difference(rgb, demo_frame(e.elapsed_ms + 250, e.row + 4, true));
        const double same = tile_difference(rgb, demo_frame(e.elapsed_ms, e.row));
        EXPECT_LT(same, 12.0) << "picture " << k;
        EXPECT_GT(later, 3 * same) << "picture " << k;
    }

    // The sound is the offline render, through AAC: its signal stands well
    // above the coding noise, aligned to the frame.
    r = tool_run(dir, "ffmpeg -v error -i short.mp4 -f s16le -ac 2 -ar 44100 sound.raw");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string sound = tool_read(dir + "/sound.raw");
    ASSERT_GE(sound.size(), music.frames.size() * 2);
    ASSERT_LT(sound.size(), music.frames.size() * 2 + 2048 * 4);  // at most the codec's padding more
    double signal = 0.0, noise = 0.0;
    for (size_t i = 0; i < music.frames.size(); i++) {
        const int16_t decoded = static_cast<int16_t>(static_cast<uint8_t>(sound[2 * i]) | sound[2 * i + 1] << 8);
        signal += static_cast<double>(music.frames[i]) * music.frames[i];
        noise += static_cast<double>(decoded - music.frames[i]) * (decoded - music.frames[i]);
    }
    ASSERT_GT(signal, 0.0);
    EXPECT_GT(10.0 * std::log10(signal / std::max(noise, 1.0)), 20.0);
}

TEST(RecordDemo, OptionsAndRefusals) {
    if (!have_ffmpeg()) GTEST_SKIP() << "ffmpeg and ffprobe are not installed";
    const std::string dir = tool_scratch("record_options");
    ToolRun r = tool_run(dir, RECORD + " -q --fps 60 --scale 1 --seconds 1 /c small.mp4");
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, std::string> p = probe(dir, "small.mp4");
    EXPECT_EQ(p["streams.stream.0.width"], "320");
    EXPECT_EQ(p["streams.stream.0.r_frame_rate"], "60/1");
    EXPECT_EQ(p["streams.stream.0.nb_frames"], "60");
    std::remove((dir + "/small.mp4").c_str());

    r = tool_run(dir, RECORD + " --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: record_demo"), std::string::npos);
    for (const char* args : {"--fps 30", "--scale 0", "--seconds x", "/c", "a.mp4 b.mp4", "-", "--nope"}) {
        r = tool_run(dir, RECORD + " " + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err.rfind("record_demo: ", 0), 0u) << args;
    }
    // Without ffmpeg, and with an output that cannot be made: one line, no file.
    r = tool_run(dir, "PATH=/nonexistent " + RECORD + " x.mp4");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "record_demo: ffmpeg is not installed; it encodes the video (Debian: apt-get install ffmpeg)\n");
    r = tool_run(dir, RECORD + " --seconds 1 no/such/folder.mp4");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("record_demo: no/such/folder.mp4: cannot create"), std::string::npos) << r.err;
    EXPECT_EQ(tool_listing(dir), "");
}
