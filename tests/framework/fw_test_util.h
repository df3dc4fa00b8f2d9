// Shared start for the framework tests: the fake installed, the framework
// started as the demo starts it, with a chosen list of display modes.
#pragma once
#include <vector>
#include "fake_platform.h"

inline FakeMode mode32(int32_t refresh = 60) { return FakeMode{{320, 240, 32, refresh}, 0xFF00}; }
inline FakeMode mode565() { return FakeMode{{320, 240, 16, 60}, 0x07E0}; }
inline FakeMode mode555() { return FakeMode{{320, 240, 16, 60}, 0x03E0}; }

inline void open_demo_screen(const std::vector<FakeMode>& modes, const char* options = "*") {
    fake_reset();
    fake.modes = modes;
    fw_init(options, nullptr, 0);
    fw_caption = "Bramzeil Strikes Air";
    fw_open_screen(320, 240);
    fw_set_height(240);
}
