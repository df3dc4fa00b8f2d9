// Instrument recipes: each instrument names a synthesis technique with its
// numbers, and says how the sample is stored and played (bits, level,
// volume, panning, envelopes, fade-out, auto-vibrato).
#include <cstring>
#include "tools/make_assets/gen_synth.h"
#include "tools/make_assets/music.h"

namespace {

// "synth TECHNIQUE name=value ...": every name the technique knows, in range.
bool read_synth(const Source& source, const SourceLine& line, Recipe* r) {
    const Technique* t = line.words.size() > 1 ? find_technique(line.words[1]) : nullptr;
    if (!t) return source_error(source, line.number, "synth TECHNIQUE name=value ...: unknown technique");
    r->technique = t->name;
    r->line = line.number;
    r->params.clear();
    for (const SynthParam& p : t->params) r->params[p.name] = p.fallback;
    for (size_t i = 2; i < line.words.size(); i++) {
        const std::string& w = line.words[i];
        const size_t eq = w.find('=');
        double value = 0;
        const SynthParam* known = nullptr;
        for (const SynthParam& p : t->params)
            if (eq != std::string::npos && w.compare(0, eq, p.name) == 0 && std::strlen(p.name) == eq) known = &p;
        if (!known || !parse_number(w.substr(eq + 1), &value) || value < known->low || value > known->high)
            return source_error(source, line.number, "\"" + w + "\": not a number of " + t->name + " or out of range");
        r->params[known->name] = value;
    }
    return true;
}

// "envelope volume|panning TICK:VALUE ... [sustain P] [loop A B]"
bool read_envelope(const Source& source, const SourceLine& line, Recipe* r) {
    const std::vector<std::string>& w = line.words;
    const char* usage = "envelope volume|panning TICK:VALUE ... [sustain P] [loop A B]; ticks rising, values 0..64";
    if (w.size() < 2 || (w[1] != "volume" && w[1] != "panning")) return source_error(source, line.number, usage);
    Envelope e;
    for (size_t i = 2; i < w.size(); i++) {
        int a = 0, b = 0;
        const size_t colon = w[i].find(':');
        if (w[i] == "sustain" && i + 1 < w.size() && parse_int(w[i + 1], &a)) {
            e.sustain = a;
            i += 1;
        } else if (w[i] == "loop" && i + 2 < w.size() && parse_int(w[i + 1], &a) && parse_int(w[i + 2], &b)) {
            e.loop_start = a;
            e.loop_end = b;
            i += 2;
        } else if (colon != std::string::npos && parse_int(w[i].substr(0, colon), &a) &&
                   parse_int(w[i].substr(colon + 1), &b) && a >= 0 && a <= 65535 && b >= 0 && b <= 64 &&
                   (e.points.empty() || a > e.points.back().tick)) {
            e.points.push_back({a, b});
        } else {
            return source_error(source, line.number, usage);
        }
    }
    const int n = static_cast<int>(e.points.size());
    if (n < 2 || n > 12) return source_error(source, line.number, "an envelope has 2 to 12 points");
    if (e.sustain >= n || e.loop_end >= n || e.loop_start > e.loop_end)
        return source_error(source, line.number, "sustain or loop points beyond the envelope");
    (w[1] == "volume" ? r->volume_envelope : r->panning_envelope) = e;
    return true;
}

// "vibrato sine|square|down|up SWEEP DEPTH RATE"
bool read_vibrato(const Source& source, const SourceLine& line, Recipe* r) {
    static const char* const types[] = {"sine", "square", "down", "up"};
    const std::vector<std::string>& w = line.words;
    int type = -1;
    for (int i = 0; i < 4 && w.size() == 5; i++)
        if (w[1] == types[i]) type = i;
    if (type < 0 || !parse_int(w[2], &r->vibrato_sweep) || !parse_int(w[3], &r->vibrato_depth) ||
        !parse_int(w[4], &r->vibrato_rate) || r->vibrato_sweep < 0 || r->vibrato_sweep > 255 ||
        r->vibrato_depth < 0 || r->vibrato_depth > 15 || r->vibrato_rate < 0 || r->vibrato_rate > 63)
        return source_error(source, line.number, "vibrato sine|square|down|up SWEEP(0..255) DEPTH(0..15) RATE(0..63)");
    r->vibrato_type = type;
    return true;
}

struct Setting {
    const char* word;
    double low, high;
    bool whole;
    void (*store)(Recipe*, double);
};

const Setting settings[] = {
    {"volume", 0, 64, true, [](Recipe* r, double v) { r->volume = static_cast<int>(v); }},
    {"panning", 0, 255, true, [](Recipe* r, double v) { r->panning = static_cast<int>(v); }},
    {"fadeout", 0, 4095, true, [](Recipe* r, double v) { r->fadeout = static_cast<int>(v); }},
    {"bits", 8, 16, true, [](Recipe* r, double v) { r->bits = static_cast<int>(v); }},
    {"level", 0.01, 1, false, [](Recipe* r, double v) { r->level = v; }},
    {"stretch", 0, 100, false, [](Recipe* r, double v) { r->stretch = v; }},
};

bool read_setting(const Source& source, const SourceLine& line, Recipe* r) {
    double value = 0;
    const bool number = line.words.size() == 2 && parse_number(line.words[1], &value);
    for (const Setting& s : settings)
        if (line.words[0] == s.word && number && value >= s.low && value <= s.high &&
            (!s.whole || value == static_cast<int>(value)) && (line.words[0] != "bits" || value == 8 || value == 16)) {
            s.store(r, value);
            return true;
        }
    return source_error(source, line.number, "unknown setting or value out of range: \"" + line.text + "\"");
}

bool check_recipe(const Source& source, const Recipe& r) {
    if (r.technique.empty()) return source_error(source, 0, "instrument " + r.name + " has no synth line");
    if (r.stretch > 0 && find_technique(r.technique)->looped)
        return source_error(source, r.line, r.name + ": a looped sound has its own length and cannot stretch");
    return true;
}

}  // namespace

bool read_instruments(const Source& source, Song* song) {
    for (const SourceLine& line : source.lines) {
        const std::string& head = line.words[0];
        if (head == "instrument") {
            if (line.words.size() != 2 || line.words[1].size() > 22 || song->instruments.size() == 128)
                return source_error(source, line.number, "instrument NAME (22 characters at most, 128 instruments)");
            for (const Recipe& r : song->instruments)
                if (r.name == line.words[1]) return source_error(source, line.number, "a second " + r.name);
            song->instruments.emplace_back();
            song->instruments.back().name = line.words[1];
            continue;
        }
        if (song->instruments.empty()) return source_error(source, line.number, "settings before any instrument");
        Recipe* r = &song->instruments.back();
        const bool ok = head == "synth"      ? read_synth(source, line, r)
                        : head == "envelope" ? read_envelope(source, line, r)
                        : head == "vibrato"  ? read_vibrato(source, line, r)
                                             : read_setting(source, line, r);
        if (!ok) return false;
    }
    if (song->instruments.empty()) return source_error(source, 0, "no instruments");
    for (const Recipe& r : song->instruments)
        if (!check_recipe(source, r)) return false;
    return true;
}
