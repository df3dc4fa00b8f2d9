// make_assets OUTPUT-DIR [SOURCE-DIR]: regenerates every embedded asset from
// its editable source (assets/src of this checkout unless another is given).
#include <cstdio>
#include "tools/make_assets/asset_gen.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT-DIR [SOURCE-DIR]\n", argv[0]);
        return 2;
    }
    return make_all_assets(argc == 3 ? argv[2] : BSA_ASSET_SOURCE_DIR, argv[1]) ? 0 : 1;
}
