// Drums: a kick from a sine swept down in pitch with a click, a snare from
// two damped tones and band-passed noise, hi-hats from a bank of square
// waves at clashing frequencies plus noise, high-passed. Each ends in a short
// fade, so a stretched tail stops without a click.
#include <cmath>
#include "tools/make_assets/gen_dsp.h"
#include "tools/make_assets/gen_synth.h"

void make_kick(const SynthParams& p, size_t frames, Sound* sound) {
    const double rate = p.at("rate"), drive = p.at("drive");
    Noise noise{0x4B1C};
    Biquad click_filter;
    click_filter.highpass(rate, 1200, 0.7);
    double phase = 0;
    sound->frames.resize(frames);
    for (size_t i = 0; i < frames; i++) {
        const double t = i / rate;
        const double f = p.at("end") + (p.at("start") - p.at("end")) * std::exp(-t / p.at("sweep"));
        phase += 2 * PI * f / rate;
        const double body = std::sin(phase) * std::exp(-t / p.at("decay"));
        const double click = p.at("click") * click_filter.run(noise.next()) * std::exp(-t / 0.004);
        sound->frames[i] = std::tanh(drive * (body + click)) / std::tanh(drive);
    }
    fade_ends(&sound->frames, 0, frames / 10);
    sound->rate = rate;
}

void make_snare(const SynthParams& p, size_t frames, Sound* sound) {
    const double rate = p.at("rate"), tone = p.at("tone");
    Noise noise{0x5A4E};
    Biquad low_cut, colour;
    low_cut.highpass(rate, 900, 0.7);
    colour.bandpass(rate, p.at("colour"), 0.8);
    double phase1 = 0, phase2 = 0;
    sound->frames.resize(frames);
    for (size_t i = 0; i < frames; i++) {
        const double t = i / rate;
        const double bend = 1 + 0.5 * std::exp(-t / 0.008);  // the head's pitch drops as it is struck
        phase1 += 2 * PI * tone * bend / rate;
        phase2 += 2 * PI * tone * 1.62 * bend / rate;
        const double drum = (std::sin(phase1) + 0.5 * std::sin(phase2)) * std::exp(-t / p.at("tone_decay"));
        const double n = low_cut.run(noise.next());
        const double wires = (n + p.at("snap") * colour.run(n)) * std::exp(-t / p.at("noise_decay"));
        sound->frames[i] = p.at("tone_mix") * drum + (1 - p.at("tone_mix")) * wires;
    }
    fade_ends(&sound->frames, 0, frames / 10);
    sound->rate = rate;
}

void make_hat(const SynthParams& p, size_t frames, Sound* sound) {
    // Frequencies of the six oscillators, chosen to share no harmonics.
    static const double metal[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    const double rate = p.at("rate"), scale = p.at("metal_pitch");
    Noise noise{0x4A77};
    Biquad band, cut1, cut2;
    band.bandpass(rate, p.at("cutoff") * 1.4, 0.9);
    cut1.highpass(rate, p.at("cutoff"), 0.7);
    cut2.highpass(rate, p.at("cutoff"), 0.7);
    sound->frames.resize(frames);
    for (size_t i = 0; i < frames; i++) {
        const double t = i / rate;
        double squares = 0;
        for (double f : metal) squares += std::fmod(t * f * scale, 1.0) < 0.5 ? 1 : -1;
        const double mix = p.at("metal") * band.run(squares / 6) + (1 - p.at("metal")) * noise.next();
        const double attack = t < 0.0004 ? t / 0.0004 : 1;
        sound->frames[i] = cut2.run(cut1.run(mix)) * attack * std::exp(-t / p.at("decay"));
    }
    fade_ends(&sound->frames, 0, frames / 10);
    sound->rate = rate;
}
