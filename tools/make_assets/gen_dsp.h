// Small signal-processing parts the synthesisers are built from: a fixed
// noise source, two-pole filters, additive oscillators and fades. Everything
// is deterministic, so the samples come out the same on every machine that
// rounds doubles the same way.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr double PI = 3.14159265358979323846;

// White noise in -1..1 from a 32-bit generator with a fixed seed.
struct Noise {
    uint32_t state;
    double next();
};

// A two-pole filter (direct form I) whose coefficients may change per frame.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x);
    void lowpass(double rate, double cutoff, double q);
    void highpass(double rate, double cutoff, double q);
    void bandpass(double rate, double centre, double q);  // 0 dB at the centre
    // A resonator at `centre` with `bandwidth` Hz, gain 1 at 0 Hz (a formant).
    void formant(double rate, double centre, double bandwidth);
};

// Gain of a resonance at `centre` (bandwidth in Hz) at frequency f: the
// formant curve the additive voices are shaped by.
double resonance_gain(double f, double centre, double bandwidth);

// Harmonic k of a band-limited sawtooth with peak near 1.
inline double saw_harmonic(int k) { return 2.0 / (PI * k) * (k % 2 ? 1 : -1); }

// Raises the first `in` frames from silence and lowers the last `out` frames
// to it along half a cosine, so a one-shot starts and ends without a click.
void fade_ends(std::vector<double>* frames, size_t in, size_t out);
// Scales the frames so that the largest magnitude is `peak`.
void normalise(std::vector<double>* frames, double peak);
