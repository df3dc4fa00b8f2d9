// xmrender: renders an XM module through the player's offline renderer into
// a 16-bit stereo WAV file, or describes it (--info, --timeline). The song
// is played once and ends exactly where it would start repeating itself.
// Also answers to the name xm2wav, whose third argument was the length.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "player/module.h"
#include "player/mp.h"
#include "player/mp_render.h"
#include "tools/cli/cli.h"
#include "tools/xmrender/xmrender.h"

namespace {

constexpr double LIMIT_SECONDS = 3600.0;  // a song that has not repeated by then is stopped there

const char* program = "xmrender";

const std::vector<CliOption> OPTIONS = {
    {'l', "loops", "N", "play the song N times over (default 1)"},
    {'s', "seconds", "S", "render S seconds instead, whatever the song does"},
    {'r', "rate", "HZ", "sample rate, 8000 to 192000 (default 44100)"},
    {'f', "fade", "S", "fade the last S seconds out"},
    {'p', "profile", "NAME", "compatible (default, as the module's tracker plays) or defined"},
    {'i', "info", nullptr, "describe the module on standard output"},
    {'t', "timeline", nullptr, "print the time, order, pattern, row, speed and BPM of every row"},
    {'q', "quiet", nullptr, "say nothing but errors"},
    {'h', "help", nullptr, "show this help"},
    {'V', "version", nullptr, "show the version"},
};

const char* const DETAILS =
    "Without OUTPUT the WAV is written to the current folder, named after the\n"
    "module; '-' writes it to standard output. With --info or --timeline only\n"
    "what they print is made, unless OUTPUT is named. The song ends at the\n"
    "first row that comes back in the same state; a song that has not come\n"
    "back after 60 minutes is stopped there.\n"
    "Exit status: 0 done, 1 a file could not be read, loaded or written, 2 a\n"
    "wrong command line.\n";

struct Settings {
    int32_t loops = 1;
    double seconds = 0.0;  // 0: the song's own length
    int32_t rate = 44100;
    double fade = 0.0;
    bool info = false;
    bool timeline = false;
    bool quiet = false;
    MpProfile profile = MP_PROFILE_COMPATIBLE;
    const char* module = nullptr;
    const char* output = nullptr;  // null: named after the module, or nothing with --info/--timeline
};

int file_error(const std::string& path, const std::string& cause) {
    std::fprintf(stderr, "%s: %s: %s\n", program, path.c_str(), cause.c_str());
    return 1;
}

// Fills `settings` from the command line; returns -1 to go on, else the exit status.
int read_command_line(int argc, char** argv, Settings* settings) {
    CliParsed parsed;
    std::string error;
    if (!cli_parse(argc, argv, OPTIONS, &parsed, &error)) return cli_usage_error(program, error);
    for (const auto& [option, value] : parsed.options) {
        switch (option->short_name) {
        case 'h':
            cli_help(stdout, "Usage: xmrender [OPTION]... MODULE [OUTPUT.wav|-]\n"
                             "Renders an XM module into a 16-bit stereo WAV file.\n", OPTIONS, DETAILS);
            return 0;
        case 'V': cli_version(program); return 0;
        case 'l':
            if (!cli_whole_number(value, 1, 1000, &settings->loops))
                return cli_usage_error(program, "--loops must be a whole number from 1 to 1000");
            break;
        case 's':
            if (!cli_number(value, 0.001, LIMIT_SECONDS, &settings->seconds))
                return cli_usage_error(program, "--seconds must be a number above 0 and at most 3600");
            break;
        case 'r':
            if (!cli_whole_number(value, 8000, 192000, &settings->rate))
                return cli_usage_error(program, "--rate must be a whole number of Hz from 8000 to 192000");
            break;
        case 'f':
            if (!cli_number(value, 0, LIMIT_SECONDS, &settings->fade))
                return cli_usage_error(program, "--fade must be a number of seconds from 0 to 3600");
            break;
        case 'p':
            if (std::strcmp(value, "compatible") == 0) settings->profile = MP_PROFILE_COMPATIBLE;
            else if (std::strcmp(value, "defined") == 0) settings->profile = MP_PROFILE_DEFINED;
            else return cli_usage_error(program, std::string("--profile is compatible or defined, not '") + value + "'");
            break;
        case 'i': settings->info = true; break;
        case 't': settings->timeline = true; break;
        case 'q': settings->quiet = true; break;
        }
    }
    std::vector<const char*>& operands = parsed.operands;
    // The old name's third argument was the length in seconds.
    const char* slash = std::strrchr(argv[0], '/');
    if (std::strcmp(slash ? slash + 1 : argv[0], "xm2wav") == 0 && operands.size() == 3) {
        if (!cli_number(operands[2], 0.001, LIMIT_SECONDS, &settings->seconds))
            return cli_usage_error(program, "SECONDS must be a number above 0 and at most 3600");
        operands.pop_back();
    }
    if (operands.empty()) return cli_usage_error(program, "no module given");
    if (operands.size() > 2) return cli_usage_error(program, std::string("one module and one output at most: '") + operands[2] + "'");
    settings->module = operands[0];
    settings->output = operands.size() > 1 ? operands[1] : nullptr;
    if (settings->output && std::strcmp(settings->output, "-") == 0 && (settings->info || settings->timeline))
        return cli_usage_error(program, "--info and --timeline print on standard output; the WAV cannot go there too");
    return -1;
}

// The module's file name with .wav for its extension, in the current folder.
std::string default_output(const char* module) {
    const char* slash = std::strrchr(module, '/');
    std::string name = slash ? slash + 1 : module;
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + ".wav";
}

// Fades `count` frames that start `at` frames into a render of `total`
// frames whose last `fade` frames go down to silence, the last one silent.
void apply_fade(int16_t* frames, int32_t count, int64_t at, int64_t total, int64_t fade) {
    for (int32_t k = 0; k < count; k++) {
        const int64_t to_end = total - (at + k);
        if (to_end > fade) continue;
        const double gain = static_cast<double>(to_end - 1) / static_cast<double>(fade);
        frames[2 * k] = static_cast<int16_t>(std::lrint(frames[2 * k] * gain));
        frames[2 * k + 1] = static_cast<int16_t>(std::lrint(frames[2 * k + 1] * gain));
    }
}

struct Timeline {
    std::FILE* out;
    int32_t rate;
};

void timeline_row(const RenderRow& row, void* user) {
    const Timeline* t = static_cast<const Timeline*>(user);
    print_timeline_row(t->out, row, t->rate);
}

int render_to_file(const Settings& s, ModuleFile* file, const std::string& path) {
    const int64_t limit = static_cast<int64_t>(LIMIT_SECONDS * s.rate);
    const int32_t passes = s.seconds > 0.0 ? 0 : s.loops;
    const int64_t stop = s.seconds > 0.0 ? std::llround(s.seconds * s.rate) : limit;
    // The length comes first, from a pass without mixing: the WAV header
    // holds it, and the fade and the progress need it.
    int64_t total = stop;
    const SongEnd measured = render_measure(file->module, s.rate, passes, stop, nullptr, nullptr);
    if (passes > 0 && measured.kind == SONG_REPEATS && measured.passes >= passes) total = measured.pass_frame;
    if (passes > 0 && total == limit && !s.quiet)
        std::fprintf(stderr, "%s: %s: the song has not repeated within %s; stopped there\n", program,
                     file->path.c_str(), cli_duration(LIMIT_SECONDS).c_str());

    CliOutput output;
    std::string error;
    if (!output_open(&output, path.c_str(), &error)) return file_error(path, error);
    uint8_t header[44];
    wav_header(header, s.rate, static_cast<uint32_t>(total));
    bool written = std::fwrite(header, 1, sizeof header, output.file) == sizeof header;

    CliProgress progress;
    progress_begin(&progress, !s.quiet);
    const int64_t fade = std::min<int64_t>(total, std::llround(s.fade * s.rate));
    if (!render_begin(file->module, s.rate)) {
        output_discard(&output);
        return file_error(path, "the renderer cannot start: not enough memory");
    }
    render_stop_at(passes, stop);
    std::vector<int16_t> chunk(4096 * 2);
    int64_t done = 0;
    int32_t n;
    while (written && !cli_interrupted && (n = render_frames(chunk.data(), 4096, nullptr, nullptr)) > 0) {
        if (fade > 0) apply_fade(chunk.data(), n, done, total, fade);
        written = wav_write(output.file, chunk.data(), n);
        done += n;
        progress_show(&progress, static_cast<double>(done) / static_cast<double>(total),
                      static_cast<double>(done) / s.rate);
    }
    progress_end(&progress);
    mp_stop(file->module);
    if (cli_interrupted) {
        output_discard(&output);
        std::fprintf(stderr, "%s: interrupted; %s not written\n", program, path.c_str());
        return 130;
    }
    if (!written) {
        output_discard(&output);
        return file_error(path, std::string("cannot write: ") + std::strerror(errno));
    }
    if (done != total) {
        output_discard(&output);
        return file_error(path, "the render ended at another frame than measured");
    }
    if (!output_commit(&output, &error)) return file_error(path, error);
    if (!s.quiet)
        std::fprintf(stderr, "%s: %s, %d Hz\n", output.is_stdout ? "(standard output)" : path.c_str(),
                     cli_duration(static_cast<double>(total) / s.rate).c_str(), s.rate);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    const int status = read_command_line(argc, argv, &s);
    if (status >= 0) return status;
    cli_catch_signals();

    ModuleFile file;
    std::string error;
    if (!module_file_load(s.module, &file, &error)) return file_error(s.module, error);
    mp_set_profile(file.module, s.profile);

    if (s.info) {
        const SongFacts facts = song_facts(file.module, s.rate, static_cast<int64_t>(LIMIT_SECONDS * s.rate));
        print_info(stdout, file, facts, s.rate);
    }
    if (s.timeline) {
        if (s.info) std::printf("\n");
        Timeline t = {stdout, s.rate};
        print_timeline_header(stdout);
        const int64_t limit = static_cast<int64_t>((s.seconds > 0.0 ? s.seconds : LIMIT_SECONDS) * s.rate);
        render_measure(file.module, s.rate, s.seconds > 0.0 ? 0 : s.loops, limit, timeline_row, &t);
    }
    int result = 0;
    if (s.output || !(s.info || s.timeline)) {
        const std::string path = s.output ? s.output : default_output(s.module);
        if (cli_same_file(path.c_str(), s.module)) {
            result = file_error(path, "is the module itself; name another output");
        } else {
            // The player plays what is there, and so does the render; the user hears of it.
            if (file.missing_bytes > 0 && !s.quiet)
                std::fprintf(stderr, "%s: %s: warning: the file is cut off, %lld bytes of its samples are missing\n",
                             program, s.module, static_cast<long long>(file.missing_bytes));
            result = render_to_file(s, &file, path);
        }
    }
    module_file_free(&file);
    if (std::fflush(stdout) != 0) return file_error("(standard output)", std::strerror(errno));
    return result;
}
