// record_demo: the demo recorded into an MP4 video, offline and exactly as it
// plays. The music goes through the offline renderer; every 1/50 s of it
// (or 1/60) the demo's own frame code draws a picture from the music time
// and row of the output block that is audible at that moment, as the live
// demo reads them from the position log. It ends where the demo ends: in the
// picture in which the scroll text has passed, or with "/c" after --seconds.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "app/demo.h"
#include "assets/assets.h"
#include "player/mp.h"
#include "player/mp_render.h"
#include "tools/cli/cli.h"
#include "tools/record/encoder.h"

namespace {

constexpr int32_t RATE = 44100;  // the demo's own output rate
const char* program = "record_demo";

const std::vector<CliOption> OPTIONS = {
    {'s', "seconds", "S", "stop after S seconds at the latest (needed with /c)"},
    {'r', "fps", "N", "pictures per second of sound: 50 (default) or 60"},
    {'x', "scale", "N", "each pixel becomes N x N (1 to 8, default 3: 960 x 720)"},
    {'q', "quiet", nullptr, "say nothing but errors"},
    {'h', "help", nullptr, "show this help"},
    {'V', "version", nullptr, "show the version"},
};

const char* const DETAILS =
    "OUTPUT defaults to demo.mp4. '/c' keeps the demo running after the scroll\n"
    "text, as it does for the demo itself; --seconds then says when to stop.\n"
    "The video is H.264 (yuv420p) with AAC sound, made by FFmpeg, which must\n"
    "be installed (Debian package ffmpeg). It is written under a temporary\n"
    "name and renamed when complete.\n"
    "Exit status: 0 done, 1 the video could not be made, 2 a wrong command line.\n";

struct Settings {
    double seconds = 0.0;  // 0: until the demo ends
    int32_t fps = 50;
    int32_t scale = 3;
    bool quiet = false;
    bool keep_running = false;
    std::string output = "demo.mp4";
};

int read_command_line(int argc, char** argv, Settings* s) {
    CliParsed parsed;
    std::string error;
    if (!cli_parse(argc, argv, OPTIONS, &parsed, &error)) return cli_usage_error(program, error);
    for (const auto& [option, value] : parsed.options) {
        switch (option->short_name) {
        case 'h':
            cli_help(stdout, "Usage: record_demo [OPTION]... [/c] [OUTPUT.mp4]\n"
                             "Records the demo, picture and sound, into an MP4 video.\n", OPTIONS, DETAILS);
            return 0;
        case 'V': cli_version(program); return 0;
        case 's':
            if (!cli_number(value, 0.02, 24 * 3600.0, &s->seconds))
                return cli_usage_error(program, "--seconds must be a number from 0.02 to 86400");
            break;
        case 'r':
            if (!cli_whole_number(value, 50, 60, &s->fps) || (s->fps != 50 && s->fps != 60))
                return cli_usage_error(program, "--fps must be 50 or 60");
            break;
        case 'x':
            if (!cli_whole_number(value, 1, 8, &s->scale))
                return cli_usage_error(program, "--scale must be a whole number from 1 to 8");
            break;
        case 'q': s->quiet = true; break;
        }
    }
    std::vector<std::string> outputs;
    for (const char* operand : parsed.operands) {
        // The demo's own switch, matched as the demo matches it.
        if (command_line_keeps_running(operand)) s->keep_running = true;
        else outputs.push_back(operand);
    }
    if (outputs.size() > 1) return cli_usage_error(program, "one output file at most: '" + outputs[1] + "'");
    if (!outputs.empty()) s->output = outputs[0];
    if (s->output == "-") return cli_usage_error(program, "an MP4 needs a file; standard output cannot hold one");
    if (s->keep_running && s->seconds <= 0.0) return cli_usage_error(program, "with /c the demo runs for ever: give --seconds");
    return -1;
}

// The position-log entry of the block rendered last, which holds the frame
// handed out last.
void keep_entry(const PositionLogEntry& entry, void* user) { *static_cast<PositionLogEntry*>(user) = entry; }

struct Recording {
    int64_t pictures = 0;
    int64_t audio_frames = 0;
};

// Draws and hands over picture after picture until the demo ends; false
// with the reason when the encoder gives up.
bool record(const Settings& s, Encoder* encoder, Recording* done, std::string* error) {
    std::vector<uint32_t> pixels(static_cast<size_t>(SCREEN_WIDTH) * SCREEN_HEIGHT);
    std::vector<int16_t> audio;
    const int64_t most = s.seconds > 0.0 ? std::llround(s.seconds * s.fps) : INT64_MAX;
    PositionLogEntry latest = {0, 0, 0};
    CliProgress progress;
    progress_begin(&progress, !s.quiet);
    for (int64_t k = 0; k < most && !cli_interrupted; k++) {
        // Picture k shows while the sound from frame k x rate / fps plays.
        const int64_t from = k * RATE / s.fps, to = (k + 1) * RATE / s.fps;
        const int32_t frames = static_cast<int32_t>(to - from);
        audio.resize(static_cast<size_t>(frames) * 2);
        // Its first frame alone first: the block that holds it is then the
        // last one rendered, the block audible when the picture appears.
        if (render_frames(audio.data(), 1, keep_entry, &latest) != 1) {
            *error = "the music stopped";
            return false;
        }
        const PositionLogEntry audible = latest;
        if (render_frames(audio.data() + 2, frames - 1, keep_entry, &latest) != frames - 1) {
            *error = "the music stopped";
            return false;
        }
        draw_frame(pixels.data(), audible.elapsed_ms, audible.row);
        if (!encoder_put(encoder, pixels.data(), pixels.size(), audio.data(), frames, error)) return false;
        done->pictures = k + 1;
        done->audio_frames = to;
        double fraction = static_cast<double>(k + 1) / static_cast<double>(most);
        if (!s.keep_running) fraction = std::max(fraction, static_cast<double>(scroll_pos) / (scroll_length + 1));
        progress_show(&progress, fraction, static_cast<double>(to) / RATE);
        // The demo shows the picture in which the scroller asked to end, then ends.
        if (quit_requested && !s.keep_running) break;
    }
    progress_end(&progress);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    const int status = read_command_line(argc, argv, &s);
    if (status >= 0) return status;
    cli_catch_signals();
    const std::string ffmpeg = encoder_find_ffmpeg();
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "%s: ffmpeg is not installed; it encodes the video (Debian: apt-get install ffmpeg)\n",
                     program);
        return 1;
    }

    mp_set_stream(mem_open, mem_close, mem_read, mem_seek, mem_tell);
    Module* module = mp_load(asset_module, nullptr);
    if (!module || !decode_pictures() || !render_begin(module, RATE)) {
        std::fprintf(stderr, "%s: the demo cannot start: %s\n", program,
                     module ? "not enough memory" : mp_load_refusal()->reason);
        return 1;
    }
    scroll_length = static_cast<int>(std::strlen(scroll_text));
    keep_running = s.keep_running;

    // FFmpeg writes beside the output under a temporary name.
    CliOutput output;
    std::string error;
    if (!output_open(&output, s.output.c_str(), &error)) {
        std::fprintf(stderr, "%s: %s: %s\n", program, s.output.c_str(), error.c_str());
        return 1;
    }
    const bool in_place = output.in_place;
    if (output.file && !in_place) std::fclose(output.file);
    if (!in_place) output.file = nullptr;
    const double started = cli_clock();
    Encoder encoder;
    const EncoderSettings settings = {SCREEN_WIDTH, SCREEN_HEIGHT, s.scale, s.fps, RATE,
                                      in_place ? s.output : output.temporary};
    Recording done;
    bool ok = encoder_start(&encoder, settings, ffmpeg, &error) && record(s, &encoder, &done, &error);
    if (cli_interrupted) {
        encoder_abort(&encoder);
        output_discard(&output);
        std::fprintf(stderr, "%s: interrupted; %s not written\n", program, s.output.c_str());
        return 130;
    }
    if (ok) ok = encoder_finish(&encoder, &error);
    else encoder_abort(&encoder);
    if (ok) ok = output_commit(&output, &error);
    else output_discard(&output);
    mp_free(module);
    if (!ok) {
        std::fprintf(stderr, "%s: %s: %s\n", program, s.output.c_str(), error.c_str());
        return 1;
    }
    if (!s.quiet)
        std::fprintf(stderr, "%s: %s, %lld pictures at %d per second, %dx%d, made in %.1f s\n", s.output.c_str(),
                     cli_duration(static_cast<double>(done.audio_frames) / RATE).c_str(),
                     static_cast<long long>(done.pictures), s.fps, SCREEN_WIDTH * s.scale,
                     SCREEN_HEIGHT * s.scale, cli_clock() - started);
    return 0;
}
