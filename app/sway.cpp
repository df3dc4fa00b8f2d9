// Where the goat and the sheep stand and which mouth they show, from the
// music time t (ms) and the pattern row r.
#include <cmath>
#include "app/demo.h"

// Both factors are single-precision constants on purpose: the sway follows
// the float nearest to 0.0025 and to 1/440, not the exact values.
static const float goat_rate = 0.0025f;
static const float sheep_rate = 0.0022727272f;

int goat_x(int t) {
    // t goes to double first, then meets the float factor widened to double.
    return static_cast<int>((std::sin(static_cast<double>(t) * goat_rate) + 1.0) * 20.0);
}

int sheep_x(int t) {
    // Here t is narrowed to float and multiplied in float before the cosine.
    float phase = static_cast<float>(t) * sheep_rate;
    return 220 - static_cast<int>((std::cos(static_cast<double>(phase)) + 1.0) * 20.0);
}

int goat_mouth_frame(int row) { return (row / 4) % 3; }

int sheep_mouth_frame(int row) { return ((row + 8) / 4) % 3; }
