// render_bench: how many times faster than real time our player and the peer
// libraries render whole songs, side by side in one run: the players take
// turns on every module, pinned to one core, and the median CPU time of
// several rounds counts. With --blocks it reports block render times instead.
#include <sched.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include "bench/bench_players.h"
#include "player/mix_kernels.h"

namespace fs = std::filesystem;

struct Options {
    int rounds = 5;
    int cpu = -1;  // -1: the one the program starts on
    bool peers = true;
    bool blocks = false;
    std::vector<std::string> paths;
};

static double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

static double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t h = values.size() / 2;
    return values.size() % 2 ? values[h] : (values[h - 1] + values[h]) / 2.0;
}

static bool read_file(const std::string& path, std::vector<uint8_t>* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes->insert(bytes->end(), chunk, chunk + n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Every .xm file of a folder, sorted by name; a file is taken as it is.
static std::vector<std::string> module_files(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    for (const std::string& p : paths) {
        std::error_code error;
        if (!fs::is_directory(p, error)) {
            files.push_back(p);
            continue;
        }
        std::vector<std::string> found;
        for (const fs::directory_entry& e : fs::directory_iterator(p, error)) {
            std::string ext = e.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
            if (ext == ".xm") found.push_back(e.path().string());
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

static bool pin_to_cpu(int cpu) {
    if (cpu < 0) cpu = sched_getcpu();
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpu, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0) return false;
    std::fprintf(stderr, "pinned to cpu %d\n", cpu);
    return true;
}

static int16_t chunk[BENCH_CHUNK * 2];

constexpr int32_t LEVEL_FRAMES = BENCH_RATE / 20;  // 50 ms

// Renders the song; with `loudness`, also the RMS level of every 50 ms.
static bool render_song(const BenchPlayer& player, int64_t frames, std::vector<double>* loudness) {
    double energy = 0.0;
    int64_t in_second = 0;
    for (int64_t done = 0; done < frames;) {
        const int32_t n = frames - done < BENCH_CHUNK ? static_cast<int32_t>(frames - done) : BENCH_CHUNK;
        if (!player.render(chunk, n)) return false;
        done += n;
        if (!loudness) continue;
        for (int32_t k = 0; k < n; k++) {
            energy += static_cast<double>(chunk[2 * k]) * chunk[2 * k] + static_cast<double>(chunk[2 * k + 1]) * chunk[2 * k + 1];
            if (++in_second < LEVEL_FRAMES) continue;
            loudness->push_back(std::sqrt(energy / (2.0 * LEVEL_FRAMES)));
            energy = 0.0;
            in_second = 0;
        }
    }
    return true;
}

// CPU seconds of one whole render, or a negative value when it failed.
static double time_render(const BenchPlayer& player, const std::vector<uint8_t>& bytes, int64_t frames) {
    if (!player.open(bytes)) return -1.0;
    const double start = cpu_seconds();
    const bool ok = render_song(player, frames, nullptr);
    const double used = cpu_seconds() - start;
    player.close();
    return ok ? used : -1.0;
}

static std::vector<double> loudness_of(const BenchPlayer& player, const std::vector<uint8_t>& bytes, int64_t frames) {
    std::vector<double> loudness;
    if (!player.open(bytes)) return loudness;
    if (!render_song(player, frames, &loudness)) loudness.clear();
    player.close();
    return loudness;
}

// How alike two players' levels move every 50 ms (correlation, -1 to 1):
// with the notes and beats of the same song close to 1, whatever each
// player's overall loudness.
static double alike(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size() || a.size() < 2) return 0.0;
    double ma = 0.0, mb = 0.0;
    for (size_t i = 0; i < a.size(); i++) {
        ma += a[i];
        mb += b[i];
    }
    ma /= static_cast<double>(a.size());
    mb /= static_cast<double>(a.size());
    double aa = 0.0, bb = 0.0, ab = 0.0;
    for (size_t i = 0; i < a.size(); i++) {
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
        ab += (a[i] - ma) * (b[i] - mb);
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

struct Song {
    std::string name;
    std::vector<uint8_t> bytes;
    int64_t frames;
    std::vector<std::vector<double>> times;  // per player, per round
    std::vector<bool> plays;                 // per player: renders the music, not silence
};

static void print_table(const std::vector<const BenchPlayer*>& players, const std::vector<Song>& songs) {
    std::printf("%-34s %8s", "module (x real time)", "seconds");
    for (const BenchPlayer* p : players) std::printf(" %11s", p->name);
    if (players.size() > 1) std::printf(" %13s", "ours/fastest");
    std::printf("\n");
    std::vector<std::vector<double>> speeds(players.size());
    std::vector<double> ratios;
    bool marked = false;
    for (const Song& s : songs) {
        for (size_t i = 0; i < players.size(); i++) marked = marked || !s.plays[i];
        const double seconds = static_cast<double>(s.frames) / BENCH_RATE;
        std::printf("%-34.34s %8.1f", s.name.c_str(), seconds);
        double fastest_peer = 0.0, ours = 0.0;
        for (size_t i = 0; i < players.size(); i++) {
            const double t = median(s.times[i]);
            const double speed = t > 0.0 ? seconds / t : 0.0;
            if (t <= 0.0) {
                std::printf(" %11s", "failed");
                continue;
            }
            if (!s.plays[i]) {
                std::printf(" %10.1f!", speed);
                continue;
            }
            speeds[i].push_back(speed);
            std::printf(" %11.1f", speed);
            if (i == 0) ours = speed;
            else fastest_peer = std::max(fastest_peer, speed);
        }
        if (players.size() > 1 && fastest_peer > 0.0 && ours > 0.0) {
            ratios.push_back(ours / fastest_peer);
            std::printf(" %13.2f", ours / fastest_peer);
        }
        std::printf("\n");
    }
    std::printf("%-34s %8s", "median", "");
    double fastest_median = 0.0;
    for (size_t i = 0; i < players.size(); i++) {
        std::printf(" %11.1f", median(speeds[i]));
        if (i > 0) fastest_median = std::max(fastest_median, median(speeds[i]));
    }
    if (!ratios.empty()) std::printf(" %13.2f", median(ratios));
    std::printf("\n");
    if (fastest_median > 0.0)
        std::printf("median ours / fastest peer's median: %.2f\n", median(speeds[0]) / fastest_median);
    if (marked)
        std::printf("! its level does not move like any other player's (it renders silence or noise): left out of the medians\n");
}

static int run_songs(const Options& options) {
    std::vector<const BenchPlayer*> players = {&bench_ours};
    if (options.peers)
        for (const BenchPlayer* p : bench_peers()) players.push_back(p);
    std::vector<Song> songs;
    for (const std::string& f : module_files(options.paths)) {
        Song s;
        s.name = fs::path(f).filename().string();
        if (!read_file(f, &s.bytes)) {
            std::fprintf(stderr, "render_bench: cannot read %s\n", f.c_str());
            continue;
        }
        s.frames = bench_song_frames(s.bytes);
        if (s.frames <= 0) {
            std::fprintf(stderr, "render_bench: our player cannot load %s; left out\n", f.c_str());
            continue;
        }
        s.times.resize(players.size());
        // A player that fails on a module may render silence or noise, and
        // its speed then says nothing: a peer counts where its level moves
        // like that of another player (ours or a peer) playing the song.
        std::vector<std::vector<double>> levels;
        for (const BenchPlayer* p : players) levels.push_back(loudness_of(*p, s.bytes, s.frames));
        for (size_t i = 0; i < players.size(); i++) {
            bool plays = i == 0;
            for (size_t j = 0; j < players.size() && !plays; j++) plays = j != i && alike(levels[i], levels[j]) > 0.8;
            s.plays.push_back(plays);
        }
        songs.push_back(std::move(s));
    }
    if (songs.empty()) {
        std::fprintf(stderr, "render_bench: no module to render\n");
        return 1;
    }
    // Interleaved: each round plays every module on every player, the
    // players' order turning round by round so none always goes first.
    for (int r = 0; r < options.rounds; r++) {
        std::fprintf(stderr, "round %d of %d\n", r + 1, options.rounds);
        for (Song& s : songs)
            for (size_t k = 0; k < players.size(); k++) {
                const size_t i = (k + static_cast<size_t>(r)) % players.size();
                const double t = time_render(*players[i], s.bytes, s.frames);
                if (t >= 0.0) s.times[i].push_back(t);
            }
    }
    print_table(players, songs);
    return 0;
}

// Block render times on one module: each block's smallest CPU time over the
// rounds (what the block costs without interference), then the worst block.
static int run_blocks(const Options& options) {
    const std::vector<std::string> files = module_files(options.paths);
    if (files.size() != 1) {
        std::fprintf(stderr, "render_bench: --blocks takes one module\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    if (!read_file(files[0], &bytes)) {
        std::fprintf(stderr, "render_bench: cannot read %s\n", files[0].c_str());
        return 1;
    }
    const int64_t frames = bench_song_frames(bytes);
    const int32_t block = (BENCH_RATE * 20 / 1000 + 3) / 4 * 4;  // the output's block
    const size_t count = static_cast<size_t>(frames / block);
    if (count == 0) return 1;
    std::vector<double> best(count, 1e9);
    for (int r = 0; r < options.rounds; r++) {
        if (!bench_ours.open(bytes)) return 1;
        for (size_t b = 0; b < count; b++) {
            const double start = cpu_seconds();
            if (!bench_ours.render(chunk, block)) return 1;
            best[b] = std::min(best[b], cpu_seconds() - start);
        }
        bench_ours.close();
    }
    std::vector<double> sorted = best;
    std::sort(sorted.begin(), sorted.end());
    const double worst = sorted.back();
    std::printf("%s: %zu blocks of %d frames (20 ms)\n", fs::path(files[0]).filename().c_str(), count, block);
    std::printf("median %.1f us, 99th percentile %.1f us, worst %.1f us = %.3f %% of the block\n",
                median(best) * 1e6, sorted[count * 99 / 100] * 1e6, worst * 1e6, worst / 0.020 * 100.0);
    return 0;
}

// The mixer's kernels by name; by default the fastest this processor has.
static bool use_path(const std::string& name) {
    for (int32_t p = 0; p < MIX_PATH_COUNT; p++) {
        const MixPath path = static_cast<MixPath>(p);
        const MixKernels* k = mix_path_kernels(path);
        if (k && name == k->name) {
            if (mix_use_path(path)) return true;
            std::fprintf(stderr, "render_bench: this processor cannot run the %s path\n", name.c_str());
            return false;
        }
    }
    std::fprintf(stderr, "render_bench: no mixer path named %s\n", name.c_str());
    return false;
}

static int usage() {
    std::fprintf(stderr,
                 "usage: render_bench [--rounds N] [--cpu N] [--ours-only] [--path reference|scalar|sse2|avx2] [--blocks]\n"
                 "                    [FOLDER|FILE.xm ...]\n"
                 "  default folder: %s\n", BENCH_DEFAULT_CORPUS);
    return 2;
}

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) options.rounds = std::atoi(argv[++i]);
        else if (a == "--cpu" && i + 1 < argc) options.cpu = std::atoi(argv[++i]);
        else if (a == "--ours-only") options.peers = false;
        else if (a == "--blocks") options.blocks = true;
        else if (a == "--path" && i + 1 < argc) {
            if (!use_path(argv[++i])) return 2;
        }
        else if (a.rfind("--", 0) == 0) return usage();
        else options.paths.push_back(a);
    }
    if (options.rounds < 1) return usage();
    if (options.paths.empty()) options.paths.push_back(options.blocks ? BENCH_EMBEDDED_MODULE : BENCH_DEFAULT_CORPUS);
    std::fprintf(stderr, "mixer: %s\n", mix_kernels->name);
    if (!pin_to_cpu(options.cpu)) std::fprintf(stderr, "render_bench: could not pin to one core; timing anyway\n");
    return options.blocks ? run_blocks(options) : run_songs(options);
}
