// The loader's side of the module stream: the registered callbacks and the
// record of one open stream.
#pragma once
#include <cstdint>

// True when all five stream callbacks are registered.
bool stream_ready();
