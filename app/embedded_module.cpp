// The demo's stream callback: the memory stream opened over the module that
// the build put into the program, whatever name the loader passes.
#include "app/demo.h"
#include "assets/assets.h"

void* mem_open(const void* /*name: the module is always the embedded one*/) {
    return mem_open_bytes(asset_module, static_cast<int32_t>(asset_module_size));
}
