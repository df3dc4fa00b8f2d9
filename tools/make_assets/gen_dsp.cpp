// Filters, noise and fades for the synthesisers (the usual two-pole designs
// from the bilinear transform).
#include "tools/make_assets/gen_dsp.h"
#include <cmath>

double Noise::next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<int32_t>(state) / 2147483648.0;
}

double Biquad::run(double x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

namespace {

struct Terms {
    double cosw, alpha;
};

Terms terms(double rate, double f, double q) {
    if (f > 0.49 * rate) f = 0.49 * rate;
    const double w = 2 * PI * f / rate;
    return {std::cos(w), std::sin(w) / (2 * q)};
}

// Low-pass for sign 1, high-pass for sign -1: the two differ only in the
// sign of the cosine term.
void pass_filter(Biquad* f, double rate, double cutoff, double q, double sign) {
    const Terms t = terms(rate, cutoff, q);
    const double a0 = 1 + t.alpha;
    f->b0 = (1 - sign * t.cosw) / 2 / a0;
    f->b1 = sign * (1 - sign * t.cosw) / a0;
    f->b2 = f->b0;
    f->a1 = -2 * t.cosw / a0;
    f->a2 = (1 - t.alpha) / a0;
}

}  // namespace

void Biquad::lowpass(double rate, double cutoff, double q) { pass_filter(this, rate, cutoff, q, 1); }

void Biquad::highpass(double rate, double cutoff, double q) { pass_filter(this, rate, cutoff, q, -1); }

void Biquad::bandpass(double rate, double centre, double q) {
    const Terms t = terms(rate, centre, q);
    const double a0 = 1 + t.alpha;
    b0 = t.alpha / a0;
    b1 = 0;
    b2 = -t.alpha / a0;
    a1 = -2 * t.cosw / a0;
    a2 = (1 - t.alpha) / a0;
}

// The classic formant resonator: poles at the centre with the bandwidth's
// radius, the numerator scaled so that 0 Hz passes unchanged.
void Biquad::formant(double rate, double centre, double bandwidth) {
    const double r = std::exp(-PI * bandwidth / rate);
    a1 = -2 * r * std::cos(2 * PI * centre / rate);
    a2 = r * r;
    b0 = 1 + a1 + a2;
    b1 = 0;
    b2 = 0;
}

double resonance_gain(double f, double centre, double bandwidth) {
    const double d = (f - centre) / (bandwidth / 2);
    return 1 / std::sqrt(1 + d * d);
}

void fade_ends(std::vector<double>* frames, size_t in, size_t out) {
    const size_t n = frames->size();
    for (size_t i = 0; i < in && i < n; i++) (*frames)[i] *= 0.5 - 0.5 * std::cos(PI * i / in);
    for (size_t i = 0; i < out && i < n; i++) (*frames)[n - 1 - i] *= 0.5 - 0.5 * std::cos(PI * i / out);
}

void normalise(std::vector<double>* frames, double peak) {
    double most = 0;
    for (double v : *frames) most = std::fmax(most, std::fabs(v));
    if (most > 0)
        for (double& v : *frames) v *= peak / most;
}
