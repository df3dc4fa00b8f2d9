// Pitched instruments: a resonant filtered saw (bass), detuned saws (pad),
// a pulse with moving width (lead), a plucked string (Karplus-Strong), a
// two-operator FM bell and a breathy flute. Looped tones are built from whole
// cycles, so their loops join without a click.
#include <cmath>
#include "tools/make_assets/gen_dsp.h"
#include "tools/make_assets/gen_synth.h"

LoopPlan plan_loop(double rate, double seconds, double pitch) {
    const size_t frames = static_cast<size_t>(std::lround(rate * seconds));
    int cycles = static_cast<int>(std::lround(pitch * frames / rate));
    if (cycles < 1) cycles = 1;
    return {frames, cycles, cycles * rate / frames};
}

// A saw of one cycle of `period` frames through a two-stage low-pass whose
// cutoff falls from bright to dark over the attack and then stays; the loop
// takes the last cycles, where the filter has settled on the steady wave.
void make_bass(const SynthParams& p, size_t, Sound* sound) {
    const double rate = p.at("rate");
    const int period = static_cast<int>(p.at("cycle"));
    std::vector<double> cycle(static_cast<size_t>(period), 0.0);
    for (int k = 1; k * rate / period < 0.45 * rate; k++)
        for (int i = 0; i < period; i++) cycle[i] += saw_harmonic(k) * std::sin(2 * PI * k * i / period);
    const size_t attack = static_cast<size_t>(p.at("attack") * rate) / period * period;
    const size_t settle = 8 * static_cast<size_t>(period);
    const size_t total = attack + settle + 2 * static_cast<size_t>(period);
    Biquad stage1, stage2;
    sound->frames.resize(total);
    for (size_t i = 0; i < total; i++) {
        const double left = i < attack ? 1.0 - static_cast<double>(i) / attack : 0.0;
        const double cutoff = p.at("cutoff_end") + (p.at("cutoff_start") - p.at("cutoff_end")) * left * left * left;
        stage1.lowpass(rate, cutoff, p.at("resonance"));
        stage2.lowpass(rate, cutoff * 1.5, 0.7071);
        const double body = p.at("body") * std::sin(2 * PI * static_cast<double>(i % period) / period);
        sound->frames[i] = stage2.run(stage1.run(cycle[i % period])) + body;
    }
    fade_ends(&sound->frames, 8, 0);
    sound->rate = rate;
    sound->pitch = rate / period;
    sound->looped = true;
    sound->loop_start = total - 2 * static_cast<size_t>(period);
}

void detuned_voices(const SynthParams& p, uint32_t seed, HarmonicGain gain, Sound* sound) {
    const double rate = p.at("rate");
    const LoopPlan plan = plan_loop(rate, p.at("loop"), p.at("pitch"));
    const int voices = static_cast<int>(p.at("voices"));
    Noise phases{seed};
    sound->frames.assign(plan.frames, 0.0);
    for (int v = 0; v < voices; v++) {
        const double cycles = plan.cycles + std::lround((v - (voices - 1) / 2.0) * p.at("spread"));
        const double f = cycles * rate / plan.frames;
        for (int k = 1; k * f < 0.45 * rate; k++) {
            const double g = gain(p, k, f);
            const double phase = PI * (1 + phases.next());
            for (size_t i = 0; i < plan.frames; i++)
                sound->frames[i] += g * std::sin(2 * PI * k * cycles * i / plan.frames + phase);
        }
    }
    sound->rate = rate;
    sound->pitch = plan.pitch;
    sound->looped = true;
}

// Saws, with a soft low-pass on the harmonics that keeps them warm.
void make_pad(const SynthParams& p, size_t, Sound* sound) {
    detuned_voices(p, 0x9AD, [](const SynthParams& q, int k, double f) {
        return saw_harmonic(k) / std::sqrt(1 + std::pow(k * f / q.at("cutoff"), 4));
    }, sound);
}

// A pulse whose width swings `depth` around one half `sweeps` times per
// loop, summed from its harmonics so nothing folds back above the top.
void make_lead(const SynthParams& p, size_t, Sound* sound) {
    const double rate = p.at("rate"), cutoff = p.at("cutoff");
    const LoopPlan plan = plan_loop(rate, p.at("loop"), p.at("pitch"));
    sound->frames.assign(plan.frames, 0.0);
    for (size_t i = 0; i < plan.frames; i++) {
        const double width = 0.5 + p.at("depth") * std::sin(2 * PI * p.at("sweeps") * i / plan.frames);
        double v = 0;
        for (int k = 1; k * plan.pitch < 0.45 * rate; k++) {
            const double gain = 2 / (PI * k) * std::sin(PI * k * width) / std::sqrt(1 + std::pow(k * plan.pitch / cutoff, 2));
            v += gain * std::sin(2 * PI * k * plan.cycles * i / plan.frames);
        }
        sound->frames[i] = v;
    }
    sound->rate = rate;
    sound->pitch = plan.pitch;
    sound->looped = true;
}

// Karplus-Strong: a burst of coloured noise circulating in a delay line one
// period long, averaged and damped on every pass like a string losing energy.
void make_pluck(const SynthParams& p, size_t frames, Sound* sound) {
    const double rate = p.at("rate");
    const size_t delay = static_cast<size_t>(std::lround(rate / p.at("pitch") - 0.5));
    const size_t pick = static_cast<size_t>(p.at("pick") * delay);
    Noise noise{0x91C4};
    std::vector<double> burst(delay);
    double smooth = 0;
    for (double& b : burst) b = smooth += p.at("brightness") * (noise.next() - smooth);
    sound->frames.assign(frames, 0.0);
    std::vector<double>& y = sound->frames;
    for (size_t i = 0; i < frames; i++) {
        double excite = 0;
        if (i < delay) excite = burst[i] - (i >= pick ? burst[i - pick] : 0);  // plucked away from the end
        const double a = i >= delay ? y[i - delay] : 0, b = i >= delay + 1 ? y[i - delay - 1] : 0;
        y[i] = excite + p.at("damping") * 0.5 * (a + b);
    }
    fade_ends(&sound->frames, 4, frames / 6);
    sound->rate = rate;
    sound->pitch = rate / (delay + 0.5);  // the averaging adds half a frame to the loop
}

// A carrier phase-modulated at an inharmonic ratio; the modulation index falls
// from a bright strike to a soft hum, which then loops. Both oscillators make
// whole cycles in the loop.
void make_bell(const SynthParams& p, size_t, Sound* sound) {
    const double rate = p.at("rate");
    const LoopPlan plan = plan_loop(rate, p.at("loop"), p.at("pitch"));
    const int mod_cycles = static_cast<int>(std::lround(plan.cycles * p.at("ratio")));
    const size_t strike = static_cast<size_t>(p.at("strike") * rate);
    const size_t total = strike + plan.frames;
    sound->frames.resize(total);
    for (size_t i = 0; i < total; i++) {
        const double left = i < strike ? 1.0 - static_cast<double>(i) / strike : 0.0;
        const double index = p.at("index_end") + (p.at("index") - p.at("index_end")) * left * left;
        const double level = 1 - p.at("fall") * (1 - left * left);
        const double carrier = 2 * PI * plan.cycles * static_cast<double>(i) / plan.frames;
        const double modulator = 2 * PI * mod_cycles * static_cast<double>(i) / plan.frames;
        sound->frames[i] = level * std::sin(carrier + index * std::sin(modulator));
    }
    sound->rate = rate;
    sound->pitch = plan.pitch;
    sound->looped = true;
    sound->loop_start = strike;
}

// A flute: a sine with a little of its second and third harmonics, and breath
// noise band-passed around the tone. The noise is filtered round the loop
// twice and the second pass kept, so it repeats without a seam.
void make_flute(const SynthParams& p, size_t, Sound* sound) {
    const double rate = p.at("rate");
    const LoopPlan plan = plan_loop(rate, p.at("loop"), p.at("pitch"));
    Noise noise{0xF1};
    std::vector<double> air(plan.frames);
    for (double& a : air) a = noise.next();
    Biquad band1, band2;
    band1.bandpass(rate, plan.pitch, p.at("breath_q"));
    band2.bandpass(rate, 2 * plan.pitch, p.at("breath_q"));
    sound->frames.resize(plan.frames);
    for (int pass = 0; pass < 2; pass++)
        for (size_t i = 0; i < plan.frames; i++) {
            const double phase = 2 * PI * plan.cycles * static_cast<double>(i) / plan.frames;
            const double tone = std::sin(phase) + p.at("h2") * std::sin(2 * phase) + p.at("h3") * std::sin(3 * phase);
            sound->frames[i] = tone + p.at("breath") * (band1.run(air[i]) + 0.5 * band2.run(air[i]));
        }
    sound->rate = rate;
    sound->pitch = plan.pitch;
    sound->looped = true;
}
