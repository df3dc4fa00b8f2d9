// Turns the song into the module file through the XM writer. The score and
// the headers take what they take; the sample data fills the rest to exactly
// MODULE_BYTES, the one-shots that may stretch sharing the spare bytes, so
// the last sample's data ends at the file's last byte.
#include <cmath>
#include "tools/make_assets/gen_synth.h"
#include "tools/make_assets/music.h"
#include "tools/xm_writer/xm_writer.h"

namespace {

constexpr double C4_HZ = 261.6255653005986;
constexpr double XM_BASE_RATE = 8363;  // the rate at which note C-4 plays a sample with no relative note

void put_envelope(const Envelope& e, EnvelopePoint* points, uint8_t* count, uint8_t* sustain, uint8_t* loop_start,
                  uint8_t* loop_end, uint8_t* type) {
    for (size_t i = 0; i < e.points.size(); i++)
        points[i] = {static_cast<uint16_t>(e.points[i].tick), static_cast<uint16_t>(e.points[i].value)};
    *count = static_cast<uint8_t>(e.points.size());
    *sustain = static_cast<uint8_t>(e.sustain < 0 ? 0 : e.sustain);
    *loop_start = static_cast<uint8_t>(e.loop_start < 0 ? 0 : e.loop_start);
    *loop_end = static_cast<uint8_t>(e.loop_end < 0 ? 0 : e.loop_end);
    *type = static_cast<uint8_t>((e.points.empty() ? 0 : 1) | (e.sustain >= 0 ? 2 : 0) | (e.loop_start >= 0 ? 4 : 0));
}

XmInstrument instrument_header(const Recipe& r) {
    XmInstrument in;
    in.name = r.name;
    put_envelope(r.volume_envelope, in.volume_envelope, &in.volume_points, &in.volume_sustain, &in.volume_loop_start,
                 &in.volume_loop_end, &in.volume_type);
    put_envelope(r.panning_envelope, in.panning_envelope, &in.panning_points, &in.panning_sustain,
                 &in.panning_loop_start, &in.panning_loop_end, &in.panning_type);
    in.vibrato_type = static_cast<uint8_t>(r.vibrato_type);
    in.vibrato_sweep = static_cast<uint8_t>(r.vibrato_sweep);
    in.vibrato_depth = static_cast<uint8_t>(r.vibrato_depth);
    in.vibrato_rate = static_cast<uint8_t>(r.vibrato_rate);
    in.fadeout = static_cast<uint16_t>(r.fadeout);
    in.samples.emplace_back();
    return in;
}

XmSong song_without_samples(const Song& song) {
    XmSong xm;
    xm.tracker = "FastTracker v2.00";
    xm.song_length = static_cast<uint16_t>(song.orders.size());
    xm.channels = SONG_CHANNELS;
    xm.speed = static_cast<uint16_t>(song.speed);
    xm.bpm = static_cast<uint16_t>(song.bpm);
    for (size_t i = 0; i < song.orders.size(); i++) xm.orders[i] = song.orders[i];
    for (const ScorePattern& cells : song.patterns) {
        XmPattern p;
        for (const ScoreCell& c : cells) p.cells.push_back(Cell{c.note, c.instrument, c.volume, c.effect, c.parameter});
        xm.patterns.push_back(p);
    }
    for (const Recipe& r : song.instruments) xm.instruments.push_back(instrument_header(r));
    return xm;
}

// Shares `spare` bytes among the stretching one-shots by their weights; an
// 8-bit one takes the odd bytes the 16-bit ones cannot.
bool share_spare_bytes(const Source& source, const Song& song, int64_t spare, std::vector<size_t>* frames) {
    double weights = 0;
    for (const Recipe& r : song.instruments) weights += r.stretch;
    if (weights == 0)
        return spare == 0 || source_error(source, 0, "the module is " + std::to_string(spare) +
                                                         " bytes short of its size and no instrument may stretch");
    int64_t left = spare;
    for (size_t i = 0; i < song.instruments.size(); i++) {
        const Recipe& r = song.instruments[i];
        const int64_t bytes = static_cast<int64_t>(spare * (r.stretch / weights)) / (r.bits / 8) * (r.bits / 8);
        (*frames)[i] += static_cast<size_t>(bytes / (r.bits / 8));
        left -= bytes;
    }
    for (int bits : {8, 16})
        for (size_t i = 0; i < song.instruments.size() && left > 0; i++) {
            const Recipe& r = song.instruments[i];
            if (r.stretch == 0 || r.bits != bits || left % (bits / 8)) continue;
            (*frames)[i] += static_cast<size_t>(left / (bits / 8));
            left = 0;
        }
    return left == 0 || source_error(source, 0, "an odd spare byte is left over: let an 8-bit instrument stretch");
}

// Relative note and finetune that make the written note sound at its pitch
// (an unpitched sound plays at its own rate on c4).
bool tune(const Source& source, const Recipe& r, const Sound& sound, XmSample* s) {
    const double ratio = sound.pitch > 0 ? C4_HZ * sound.rate / (XM_BASE_RATE * sound.pitch) : sound.rate / XM_BASE_RATE;
    const long steps = std::lround(12 * 128 * std::log2(ratio));  // in 1/128 of a semitone
    const long relative = static_cast<long>(std::floor((steps + 64) / 128.0));
    if (relative < -96 || relative > 95) return source_error(source, r.line, r.name + ": the sample cannot be tuned");
    s->relative_note = static_cast<int8_t>(relative);
    s->finetune = static_cast<int8_t>(steps - relative * 128);
    return true;
}

XmSample quantise(const Recipe& r, const Sound& sound) {
    const uint8_t loop = sound.looped ? 1 : 0;
    const uint32_t loop_start = static_cast<uint32_t>(sound.loop_start);
    const uint32_t loop_length = sound.looped ? static_cast<uint32_t>(sound.frames.size() - sound.loop_start) : 0;
    if (r.bits == 16) {
        std::vector<int16_t> frames;
        for (double v : sound.frames) frames.push_back(static_cast<int16_t>(std::lround(v * 32767)));
        return xm_sample16(frames, loop, loop_start, loop_length);
    }
    // Triangular dither keeps the quiet tail a soft hiss instead of a grainy buzz.
    std::vector<int8_t> frames;
    uint32_t seed = 0x8B17;
    for (double v : sound.frames) {
        seed = seed * 1664525u + 1013904223u;
        const double d1 = (seed >> 16) / 65536.0;
        seed = seed * 1664525u + 1013904223u;
        const double d2 = (seed >> 16) / 65536.0;
        const long q = std::lround(v * 127 + d1 - d2);
        frames.push_back(static_cast<int8_t>(q > 127 ? 127 : q < -127 ? -127 : q));
    }
    return xm_sample8(frames, loop, loop_start, loop_length);
}

bool make_sample(const Source& source, const Recipe& r, size_t frames, XmSample* s) {
    Sound sound;
    if (!synthesise(source, r, frames, &sound)) return false;
    *s = quantise(r, sound);
    s->volume = static_cast<uint8_t>(r.volume);
    s->panning = static_cast<uint8_t>(r.panning);
    s->name = r.name;
    return tune(source, r, sound, s);
}

}  // namespace

Bytes xm_encode(const Song& song, const Source& recipes) {
    XmSong xm = song_without_samples(song);
    int64_t spare = static_cast<int64_t>(MODULE_BYTES) - static_cast<int64_t>(xm_build(xm).size());
    std::vector<size_t> frames(song.instruments.size());
    std::vector<XmSample> looped(song.instruments.size());
    for (size_t i = 0; i < song.instruments.size(); i++) {
        const Recipe& r = song.instruments[i];
        frames[i] = nominal_frames(r);
        if (frames[i] == 0 && !make_sample(recipes, r, 0, &looped[i])) return {};
        spare -= frames[i] ? static_cast<int64_t>(frames[i] * (r.bits / 8)) : looped[i].length;
    }
    if (spare < 0) {
        source_error(recipes, 0, "the module comes out " + std::to_string(-spare) +
                                     " bytes over its size: shorten samples or the score");
        return {};
    }
    if (!share_spare_bytes(recipes, song, spare, &frames)) return {};
    for (size_t i = 0; i < song.instruments.size(); i++) {
        XmSample& s = xm.instruments[i].samples[0];
        if (frames[i] == 0) {
            s = looped[i];
        } else if (!make_sample(recipes, song.instruments[i], frames[i], &s)) {
            return {};
        }
    }
    Bytes out = xm_build(xm);
    if (out.size() != MODULE_BYTES) {
        source_error(recipes, 0, "the module came out " + std::to_string(out.size()) + " bytes, not " +
                                     std::to_string(MODULE_BYTES));
        return {};
    }
    return out;
}

Bytes make_module(const std::string& source_dir) {
    Song song;
    Source recipes, score;
    if (!read_source(source_dir + "/instruments.txt", &recipes) || !read_instruments(recipes, &song) ||
        !read_source(source_dir + "/score.txt", &score) || !read_score(score, &song))
        return {};
    return xm_encode(song, recipes);
}
