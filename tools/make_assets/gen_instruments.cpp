// Instrument recipes: each instrument's one sample is synthesised from a
// named wave and a few numbers, so the sounds are edited as text.
#include <cmath>
#include "tools/make_assets/music.h"

namespace {

constexpr double PI = 3.14159265358979323846;

int8_t clip(double v) {
    return static_cast<int8_t>(std::lround(v > 127 ? 127 : v < -127 ? -127 : v));
}

// A fixed noise sequence, so the drums come out the same on every run.
double noise(uint32_t* state) {
    *state = *state * 1664525u + 1013904223u;
    return static_cast<int32_t>(*state) / 2147483648.0;
}

// wave square CYCLE HIGH | triangle CYCLE | saw CYCLE | kick LENGTH | noise LENGTH DECAY
bool synthesise(const Source& source, const SourceLine& line, int level, SynthInstrument* ins) {
    const std::vector<std::string>& w = line.words;
    std::vector<int> n;
    for (size_t i = 2; i < w.size(); i++) {
        int v;
        if (!parse_int(w[i], &v) || v <= 0 || v > 65536) return source_error(source, line.number, "bad wave number");
        n.push_back(v);
    }
    const std::string kind = w.size() > 1 ? w[1] : "";
    ins->data.clear();
    ins->looped = kind == "square" || kind == "triangle" || kind == "saw";
    if (kind == "square" && n.size() == 2 && n[1] < n[0]) {
        for (int i = 0; i < n[0]; i++) ins->data.push_back(clip(i < n[1] ? level : -level));
    } else if (kind == "triangle" && n.size() == 1) {
        for (int i = 0; i < n[0]; i++) {
            double phase = static_cast<double>(i) / n[0];
            ins->data.push_back(clip(level * (phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase)));
        }
    } else if (kind == "saw" && n.size() == 1) {
        for (int i = 0; i < n[0]; i++) ins->data.push_back(clip(level * (2.0 * i / n[0] - 1)));
    } else if (kind == "kick" && n.size() == 1) {
        // A sine that falls from about 160 Hz to 45 Hz at the 8363 Hz base rate.
        double phase = 0;
        for (int i = 0; i < n[0]; i++) {
            double t = static_cast<double>(i) / n[0];
            phase += 2 * PI * (45 + 115 * std::exp(-12 * t)) / 8363;
            ins->data.push_back(clip(level * std::sin(phase) * (1 - t)));
        }
    } else if (kind == "noise" && n.size() == 2) {
        uint32_t state = 12345;
        for (int i = 0; i < n[0]; i++)
            ins->data.push_back(clip(level * noise(&state) * std::exp(-static_cast<double>(i) * n[1] / 1000 / n[0])));
    } else {
        return source_error(source, line.number, "unknown wave or wrong numbers: \"" + line.text + "\"");
    }
    return true;
}

bool read_envelope(const Source& source, const SourceLine& line, SynthInstrument* ins) {
    ins->envelope.clear();
    for (size_t i = 1; i < line.words.size(); i++) {
        size_t colon = line.words[i].find(':');
        EnvelopeNode p;
        if (colon == std::string::npos || !parse_int(line.words[i].substr(0, colon), &p.tick) ||
            !parse_int(line.words[i].substr(colon + 1), &p.value) || p.value < 0 || p.value > 64 || p.tick < 0 ||
            p.tick > 65535 || (!ins->envelope.empty() && p.tick <= ins->envelope.back().tick))
            return source_error(source, line.number, "envelope TICK:VALUE ..., ticks rising, values 0..64");
        ins->envelope.push_back(p);
    }
    if (ins->envelope.size() < 2 || ins->envelope.size() > 12)
        return source_error(source, line.number, "an envelope has 2 to 12 points");
    return true;
}

struct Setting {
    const char* word;
    int low, high;
    int SynthInstrument::*field;
};

const Setting settings[] = {
    {"volume", 0, 64, &SynthInstrument::volume},
    {"finetune", -128, 127, &SynthInstrument::finetune},
    {"relative", -96, 95, &SynthInstrument::relative_note},
    {"panning", 0, 255, &SynthInstrument::panning},
    {"sustain", 0, 11, &SynthInstrument::sustain_point},
    {"fadeout", 0, 4095, &SynthInstrument::fadeout},
};

bool read_setting(const Source& source, const SourceLine& line, SynthInstrument* ins, int* level) {
    int value;
    bool number = line.words.size() == 2 && parse_int(line.words[1], &value);
    if (line.words[0] == "level" && number && value > 0 && value <= 127) {
        *level = value;
        return true;
    }
    for (const Setting& s : settings)
        if (line.words[0] == s.word && number && value >= s.low && value <= s.high) {
            ins->*s.field = value;
            return true;
        }
    return source_error(source, line.number, "unknown setting or value out of range: \"" + line.text + "\"");
}

}  // namespace

bool read_instruments(const std::string& path, Song* song) {
    Source source;
    if (!read_source(path, &source)) return false;
    std::vector<const SourceLine*> waves;
    std::vector<int> levels;
    for (const SourceLine& line : source.lines) {
        if (line.words[0] == "instrument") {
            if (line.words.size() != 2 || song->instruments.size() == 128)
                return source_error(source, line.number, "instrument NAME (at most 128)");
            song->instruments.push_back(SynthInstrument{line.words[1], {}, false, 64, 0, 0, 128, {}, -1, 0});
            waves.push_back(nullptr);
            levels.push_back(100);
            continue;
        }
        if (song->instruments.empty()) return source_error(source, line.number, "settings before any instrument");
        SynthInstrument* ins = &song->instruments.back();
        if (line.words[0] == "wave") {
            waves.back() = &line;
        } else if (line.words[0] == "envelope") {
            if (!read_envelope(source, line, ins)) return false;
        } else if (!read_setting(source, line, ins, &levels.back())) {
            return false;
        }
    }
    // The wave is made last so that "level" may come after it.
    for (size_t i = 0; i < song->instruments.size(); i++) {
        SynthInstrument* ins = &song->instruments[i];
        if (!waves[i]) return source_error(source, 0, "instrument " + ins->name + " has no wave");
        if (!synthesise(source, *waves[i], levels[i], ins)) return false;
        if (ins->sustain_point >= static_cast<int>(ins->envelope.size()))
            return source_error(source, 0, "instrument " + ins->name + ": sustain point beyond its envelope");
    }
    if (song->instruments.empty()) return source_error(source, 0, "no instruments");
    return true;
}
