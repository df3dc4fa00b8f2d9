// Voices by formant synthesis: a choir singing "ooh" (harmonics weighted by
// the vowel's resonances, several singers a few cycles apart) and the two
// stars' calls, a glottal tone with a pitch contour and a bleating vibrato
// through resonators that glide from the closed lips into the vowel.
#include <cmath>
#include "tools/make_assets/gen_dsp.h"
#include "tools/make_assets/gen_synth.h"

namespace {

// The vowel's spectral envelope at frequency f: three resonances over a
// source that falls by `tilt` dB per octave.
double vowel_gain(const SynthParams& p, double f, double k) {
    double formants = 0;
    for (const char* n : {"1", "2", "3"})
        formants += p.at(std::string("a") + n) *
                    resonance_gain(f, p.at(std::string("f") + n), p.at(std::string("b") + n));
    return std::pow(k, -p.at("tilt") / 6.02) * formants;
}

double smoothstep(double x) {
    x = x < 0 ? 0 : x > 1 ? 1 : x;
    return x * x * (3 - 2 * x);
}

}  // namespace

void make_choir(const SynthParams& p, size_t, Sound* sound) {
    detuned_voices(p, 0xC401, [](const SynthParams& q, int k, double f) { return vowel_gain(q, k * f, k); }, sound);
}

// The call is voiced from the start at a fraction of its loudness (lips
// closed, the resonances low), opens into the vowel, quavers in pitch and
// loudness together, and falls a little at the end. The resonances are a
// parallel bank, each weighted, which keeps the upper ones bright and nasal.
void make_bleat(const SynthParams& p, size_t frames, Sound* sound) {
    const double rate = p.at("rate"), pitch = p.at("pitch"), length = frames / rate;
    const double onset = p.at("onset"), glide = p.at("glide");
    Noise breath{0xB1EA};
    Biquad r1, r2, r3, dc;
    dc.highpass(rate, 90, 0.7);
    double phase = 0;
    sound->frames.resize(frames);
    for (size_t i = 0; i < frames; i++) {
        const double t = i / rate;
        const double in = smoothstep(t / glide), out = smoothstep((t - 0.6 * length) / (0.4 * length));
        const double quaver = std::sin(2 * PI * p.at("vibrato") * t);
        double f0 = pitch * (p.at("start_pitch") + (1 - p.at("start_pitch")) * in);
        f0 *= 1 + (p.at("end_pitch") - 1) * out;
        f0 *= 1 + p.at("vibrato_depth") * in * quaver;
        phase += 2 * PI * f0 / rate;
        double voice = 0;
        for (int k = 1; k * f0 < 0.45 * rate; k++) voice += std::sin(k * phase) / k;
        const double open = smoothstep((t - onset) / 0.04);
        const double f1 = p.at("f1_start") + (p.at("f1") - p.at("f1_start")) * open;
        const double f2 = p.at("f2_start") + (p.at("f2") - p.at("f2_start")) * open;
        r1.bandpass(rate, f1, f1 / p.at("b1"));
        r2.bandpass(rate, f2, f2 / p.at("b2"));
        r3.bandpass(rate, p.at("f3"), p.at("f3") / p.at("b3"));
        const double source = voice + p.at("breath") * breath.next();
        const double vowel = p.at("a1") * r1.run(source) + p.at("a2") * r2.run(source) + p.at("a3") * r3.run(source);
        const double loud = (0.25 + 0.75 * open) * (1 - p.at("tremolo") * in * (0.5 + 0.5 * quaver));
        sound->frames[i] = loud * dc.run(vowel);
    }
    fade_ends(&sound->frames, static_cast<size_t>(0.004 * rate), static_cast<size_t>(p.at("release") * rate));
    sound->rate = rate;
    sound->pitch = pitch;
}
