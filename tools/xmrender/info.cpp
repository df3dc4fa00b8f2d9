// What --info and --timeline print: the module's header, instruments and
// samples as the file has them, the song's duration found by a silent pass
// of the sequencer, the effects that pass plays, and its rows one by one.
#include <cstring>
#include <map>
#include <set>
#include "player/module.h"
#include "player/mp.h"
#include "tools/cli/cli.h"
#include "tools/xmrender/xmrender.h"

static void keep_row(const RenderRow& row, void* user) { static_cast<std::vector<RenderRow>*>(user)->push_back(row); }

SongFacts song_facts(Module* module, int32_t rate, int64_t limit) {
    SongFacts facts;
    facts.end = render_measure(module, rate, 1, limit, keep_row, &facts.rows);
    return facts;
}

// Text of the file at [at, at + length): printable characters, trailing blanks cut.
static std::string text_at(const std::vector<uint8_t>& bytes, int64_t at, int64_t length) {
    std::string text;
    for (int64_t i = at; i < at + length && i >= 0 && i < static_cast<int64_t>(bytes.size()); i++) {
        const uint8_t c = bytes[static_cast<size_t>(i)];
        if (c == 0) break;
        text += c >= 32 && c < 127 ? static_cast<char>(c) : '.';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

static uint32_t u32_at(const std::vector<uint8_t>& bytes, int64_t at) {
    if (at < 0 || at + 4 > static_cast<int64_t>(bytes.size())) return 0;
    const uint8_t* p = bytes.data() + at;
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24;
}

static uint8_t u8_at(const std::vector<uint8_t>& bytes, int64_t at) {
    return at >= 0 && at < static_cast<int64_t>(bytes.size()) ? bytes[static_cast<size_t>(at)] : 0;
}

// ---- effects ----

static char effect_letter(uint8_t effect) {
    return static_cast<char>(effect < 10 ? '0' + effect : 'A' + (effect - 10));
}

static const char* effect_name(uint8_t effect, uint8_t x) {
    static const char* const main_names[36] = {
        "arpeggio", "portamento up", "portamento down", "tone portamento", "vibrato",
        "tone portamento + volume slide", "vibrato + volume slide", "tremolo", "set panning",
        "sample offset", "volume slide", "position jump", "set volume", "pattern break", nullptr,
        "set speed / BPM", "set global volume", "global volume slide", nullptr, nullptr, "key off",
        "envelope position", nullptr, nullptr, nullptr, "panning slide", nullptr, "multi retrigger",
        nullptr, "tremor", nullptr, nullptr, nullptr, "extra fine portamento", nullptr, nullptr};
    static const char* const extended_names[16] = {
        "filter", "fine portamento up", "fine portamento down", "glissando control", "vibrato waveform",
        "set finetune", "pattern loop", "tremolo waveform", "set panning (coarse)", "retrigger",
        "fine volume slide up", "fine volume slide down", "note cut", "note delay", "pattern delay", "E command F"};
    if (effect == 14) return extended_names[x & 15];
    const char* name = effect < 36 ? main_names[effect] : nullptr;
    return name ? name : "not an XM effect";
}

static const char* volume_command_name(uint8_t v) {
    switch (v >> 4) {
    case 1: case 2: case 3: case 4: case 5: return "set volume";
    case 6: return "volume slide down";
    case 7: return "volume slide up";
    case 8: return "fine volume slide down";
    case 9: return "fine volume slide up";
    case 10: return "vibrato speed";
    case 11: return "vibrato";
    case 12: return "set panning";
    case 13: return "panning slide left";
    case 14: return "panning slide right";
    case 15: return "tone portamento";
    default: return nullptr;
    }
}

// Counts the effects and volume-column commands of every row the pass plays,
// each row once however often it plays.
static void print_effects(std::FILE* out, const Module* module, const SongFacts& facts) {
    std::set<std::pair<int32_t, int32_t>> rows;
    for (const RenderRow& r : facts.rows) rows.insert({r.pattern, r.row});
    std::map<std::string, int> effects, volume;
    for (const auto& [pattern, row] : rows) {
        if (pattern >= module->pattern_count) continue;
        const Pattern& p = module->patterns[pattern];
        if (!p.cells || row >= p.rows) continue;
        for (int32_t c = 0; c < module->channel_count; c++) {
            const Cell& cell = p.cells[static_cast<size_t>(row) * module->channel_count + c];
            if (cell.effect != 0 || cell.param != 0) {
                std::string key(1, effect_letter(cell.effect));
                if (cell.effect == 14) key += effect_letter(cell.param >> 4);
                key += std::string(" ") + effect_name(cell.effect, cell.param >> 4);
                effects[key]++;
            }
            if (const char* name = volume_command_name(cell.volume)) volume[name]++;
        }
    }
    std::fprintf(out, effects.empty() ? "Effects:        none\n" : "Effects:\n");
    for (const auto& [name, count] : effects) std::fprintf(out, "  %-36s %6d\n", name.c_str(), count);
    std::fprintf(out, volume.empty() ? "Volume column:  none\n" : "Volume column:\n");
    for (const auto& [name, count] : volume) std::fprintf(out, "  %-36s %6d\n", name.c_str(), count);
}

// ---- instruments and samples ----

static const char* loop_name(uint8_t kind) {
    return kind == LOOP_FORWARD ? "forward loop" : kind == LOOP_PINGPONG ? "ping-pong loop" : "no loop";
}

static void print_instruments(std::FILE* out, const ModuleFile& file) {
    const Module* m = file.module;
    const std::vector<uint8_t>& b = file.bytes;
    for (int32_t i = 0; i < m->instrument_count; i++) {
        const Instrument& in = m->instruments[i];
        const int64_t at = mp_load_instrument_at(i);
        std::fprintf(out, "  %3d \"%s\"  %d sample%s\n", i + 1, text_at(b, at + 4, 22).c_str(), in.sample_count,
                     in.sample_count == 1 ? "" : "s");
        // Sample headers follow the instrument header, 40 bytes each.
        const int64_t headers = at < 0 ? -1 : at + u32_at(b, at);
        for (int32_t j = 0; j < in.sample_count; j++) {
            const Sample* s = in.samples[j];
            const int64_t h = headers < 0 ? -1 : headers + 40 * static_cast<int64_t>(j);
            const uint8_t type = u8_at(b, h + 14);
            const char* form = (type & 16) ? "16-bit" : u8_at(b, h + 17) == 0xAD ? "4-bit packed" : "8-bit";
            std::fprintf(out, "        %2d \"%s\"  %u frames, %s, %s", j + 1, text_at(b, h + 18, 22).c_str(),
                         s->length, form, loop_name(s->loop_kind));
            if (s->loop_kind != LOOP_NONE) std::fprintf(out, " %u..%u", s->loop_start, s->loop_start + s->loop_length);
            std::fprintf(out, ", volume %u, finetune %d, relative note %d, panning %u\n", s->volume, s->finetune,
                         s->relative_note, s->panning);
        }
    }
}

// ---- the report ----

void print_info(std::FILE* out, const ModuleFile& file, const SongFacts& facts, int32_t rate) {
    const Module* m = file.module;
    const std::vector<uint8_t>& b = file.bytes;
    const uint32_t version = u8_at(b, 58) | u8_at(b, 59) << 8;
    int32_t samples = 0;
    for (int32_t i = 0; i < m->instrument_count; i++) samples += m->instruments[i].sample_count;

    std::fprintf(out, "File:           %s (%zu bytes)\n", file.path.c_str(), b.size());
    if (file.missing_bytes > 0)
        std::fprintf(out, "Cut off:        %lld bytes of its samples missing at the end; what is there plays\n",
                     static_cast<long long>(file.missing_bytes));
    std::fprintf(out, "Name:           %s\n", text_at(b, 17, 20).c_str());
    std::fprintf(out, "Tracker:        %s\n", text_at(b, 38, 20).c_str());
    std::fprintf(out, "Version:        %x.%02x\n", version >> 8, version & 0xFF);
    std::fprintf(out, "Channels:       %d\n", m->channel_count);
    std::fprintf(out, "Patterns:       %d\n", m->pattern_count);
    std::fprintf(out, "Instruments:    %d, with %d sample%s\n", m->instrument_count, samples, samples == 1 ? "" : "s");
    std::fprintf(out, "Song length:    %d, restart at %d\n", m->song_length, m->restart_position);
    std::fprintf(out, "Orders:        ");
    for (int32_t i = 0; i < m->song_length; i++) std::fprintf(out, " %d", m->orders[i]);
    std::fprintf(out, "\nSpeed, BPM:     %d, %d\n", m->default_speed, m->default_bpm);
    std::fprintf(out, "Frequencies:    %s\n", (m->flags & MODULE_LINEAR_TABLE) ? "linear" : "Amiga");
    std::fprintf(out, "Profile:        %s\n", m->profile == MP_PROFILE_COMPATIBLE
                                                    ? "compatible (as the module's tracker plays it)"
                                                    : "defined (the player's own rules)");
    const double seconds = static_cast<double>(facts.end.frame) / rate;
    if (facts.end.kind == SONG_REPEATS)
        std::fprintf(out, "Duration:       %s (%lld frames at %d Hz), then it repeats from order %d, row %d\n",
                     cli_duration(seconds).c_str(), static_cast<long long>(facts.end.frame), rate, facts.end.order,
                     facts.end.row);
    else
        std::fprintf(out, "Duration:       more than %s: no repeat found within the limit\n",
                     cli_duration(seconds).c_str());
    print_effects(out, m, facts);
    std::fprintf(out, "Instruments and samples:\n");
    print_instruments(out, file);
}

void print_timeline_header(std::FILE* out) { std::fprintf(out, "%10s %5s %7s %3s %5s %3s\n", "ms", "order", "pattern", "row", "speed", "bpm"); }

void print_timeline_row(std::FILE* out, const RenderRow& row, int32_t rate) {
    const long long ms = static_cast<long long>(row.frame * 1000 / rate);
    std::fprintf(out, "%10lld %5d %7d %3d %5d %3d\n", ms, row.order, row.pattern, row.row, row.speed, row.bpm);
}
