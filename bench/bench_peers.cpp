// The peer libraries in render_bench, each used through its public interface
// only: 44.1 kHz, stereo, 16-bit, linear interpolation, the song looping so
// that every player renders the same number of frames.
#include "bench/bench_players.h"

#ifdef BENCH_HAVE_OPENMPT
#include <libopenmpt/libopenmpt.h>

static openmpt_module* openmpt = nullptr;

static bool openmpt_open(const std::vector<uint8_t>& bytes) {
    openmpt = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr,
                                                 nullptr, nullptr, nullptr, nullptr);
    if (!openmpt) return false;
    openmpt_module_set_repeat_count(openmpt, -1);
    openmpt_module_set_render_param(openmpt, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);
    return true;
}

static bool openmpt_render(int16_t* out, int32_t frames) {
    const size_t n = static_cast<size_t>(frames);
    return openmpt_module_read_interleaved_stereo(openmpt, BENCH_RATE, n, out) == n;
}

static void openmpt_close() {
    openmpt_module_destroy(openmpt);
    openmpt = nullptr;
}

static const BenchPlayer bench_openmpt = {"libopenmpt", openmpt_open, openmpt_render, openmpt_close};
#endif

#ifdef BENCH_HAVE_XMP
#include <xmp.h>

static xmp_context xmp = nullptr;

static bool xmp_open(const std::vector<uint8_t>& bytes) {
    xmp = xmp_create_context();
    if (!xmp) return false;
    if (xmp_load_module_from_memory(xmp, bytes.data(), static_cast<long>(bytes.size())) != 0) {
        xmp_free_context(xmp);
        xmp = nullptr;
        return false;
    }
    if (xmp_start_player(xmp, BENCH_RATE, 0) != 0) {
        xmp_release_module(xmp);
        xmp_free_context(xmp);
        xmp = nullptr;
        return false;
    }
    xmp_set_player(xmp, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
    return true;
}

static bool xmp_render(int16_t* out, int32_t frames) {
    // A loop count of 0 plays on for ever.
    return xmp_play_buffer(xmp, out, frames * 4, 0) == 0;
}

static void xmp_close() {
    xmp_end_player(xmp);
    xmp_release_module(xmp);
    xmp_free_context(xmp);
    xmp = nullptr;
}

static const BenchPlayer bench_xmp = {"libxmp", xmp_open, xmp_render, xmp_close};
#endif

#ifdef BENCH_HAVE_MIKMOD
#include <mikmod.h>

static MODULE* mikmod = nullptr;
static bool mikmod_ready = false;

static bool mikmod_open(const std::vector<uint8_t>& bytes) {
    if (!mikmod_ready) {
        MikMod_RegisterDriver(&drv_nos);
        MikMod_RegisterLoader(&load_xm);
        md_mixfreq = BENCH_RATE;
        // Its fastest software mixer that interpolates linearly.
        md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_SOFT_MUSIC | DMODE_INTERP | DMODE_SIMDMIXER;
        if (MikMod_Init("") != 0) return false;
        mikmod_ready = true;
    }
    mikmod = Player_LoadMem(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 64, 0);
    if (!mikmod) return false;
    mikmod->wrap = 1;  // play on past the end
    mikmod->loop = 1;
    Player_Start(mikmod);
    return true;
}

static bool mikmod_render(int16_t* out, int32_t frames) {
    const ULONG bytes = static_cast<ULONG>(frames) * 4;
    return VC_WriteBytes(reinterpret_cast<SBYTE*>(out), bytes) == bytes;
}

static void mikmod_close() {
    Player_Stop();
    Player_Free(mikmod);
    mikmod = nullptr;
}

static const BenchPlayer bench_mikmod = {"libmikmod", mikmod_open, mikmod_render, mikmod_close};
#endif

std::vector<const BenchPlayer*> bench_peers() {
    std::vector<const BenchPlayer*> peers;
#ifdef BENCH_HAVE_OPENMPT
    peers.push_back(&bench_openmpt);
#endif
#ifdef BENCH_HAVE_XMP
    peers.push_back(&bench_xmp);
#endif
#ifdef BENCH_HAVE_MIKMOD
    peers.push_back(&bench_mikmod);
#endif
    return peers;
}
