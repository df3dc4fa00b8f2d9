// The waveOut sound device of the Windows program: 16-bit stereo PCM on the
// wave mapper, the ring handed over once as one header looped for ever, and
// the play position read in bytes and carried on past the device's 32 bits.
#include <atomic>
#include "player/audio_devices.h"
#include "player/audio_waveout.h"
#include <windows.h>
#include <mmsystem.h>

static_assert(WAVEOUT_TIME_SAMPLES == TIME_SAMPLES && WAVEOUT_TIME_BYTES == TIME_BYTES &&
                  WAVEOUT_LOOP_FLAGS == (WHDR_BEGINLOOP | WHDR_ENDLOOP),
              "waveOut numbers differ from the system's");

struct WaveOutDevice {
    std::atomic<HWAVEOUT> device;  // the render thread reads the position through it
    WAVEHDR ring_header;
    bool handed_over;              // the header went to the device with waveOutWrite
    bool still_prepared;           // its release came while the device still played it
    std::atomic<uint64_t> bytes_played;  // carried on by the render thread, the one reader
};

static WaveOutDevice waveout;

// Gives the header back: the device lets go of it once reset. A release
// that came while the device still looped the ring could not unprepare it;
// that is done now.
static void mp_waveout_take_back(HWAVEOUT device) {
    waveOutReset(device);
    if (waveout.handed_over && waveout.still_prepared) {
        waveout.ring_header.dwFlags |= WHDR_PREPARED;
        waveOutUnprepareHeader(device, &waveout.ring_header, sizeof(WAVEHDR));
    }
    waveout.handed_over = false;
    waveout.still_prepared = false;
}

static void mp_waveout_reset_close() {
    HWAVEOUT device = waveout.device.exchange(nullptr);
    if (!device) return;
    mp_waveout_take_back(device);
    waveOutClose(device);
}

static bool mp_waveout_open(int32_t rate) {
    mp_waveout_reset_close();
    const WaveOutFormat f = waveout_format(rate);
    WAVEFORMATEX format = {};
    format.wFormatTag = f.format_tag;
    format.nChannels = f.channels;
    format.nSamplesPerSec = f.samples_per_sec;
    format.nAvgBytesPerSec = f.avg_bytes_per_sec;
    format.nBlockAlign = f.block_align;
    format.wBitsPerSample = f.bits_per_sample;
    format.cbSize = f.extra_bytes;
    HWAVEOUT device = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
    waveout.device = device;
    return true;
}

static void mp_waveout_play_looped(int16_t* buffer, int32_t bytes) {
    HWAVEOUT device = waveout.device;
    if (!device) return;
    // A ring handed over before is taken back first; the position starts
    // again at 0 with the reset.
    if (waveout.handed_over) mp_waveout_take_back(device);
    const WaveOutLoop loop = waveout_loop(bytes);
    WAVEHDR& header = waveout.ring_header;
    header = WAVEHDR{};
    header.lpData = reinterpret_cast<LPSTR>(buffer);
    header.dwBufferLength = loop.length;
    header.dwFlags = loop.flags;
    header.dwLoops = loop.loops;
    waveout.bytes_played = 0;
    waveOutPrepareHeader(device, &header, sizeof(WAVEHDR));
    waveOutWrite(device, &header, sizeof(WAVEHDR));
    waveout.handed_over = true;
}

static uint64_t mp_waveout_bytes_played() {
    HWAVEOUT device = waveout.device;
    MMTIME time = {};
    time.wType = TIME_BYTES;
    if (device && waveOutGetPosition(device, &time, sizeof time) == MMSYSERR_NOERROR) {
        waveout.bytes_played = waveout_count(waveout.bytes_played, waveout_position_bytes(time.wType, time.u.cb));
    }
    return waveout.bytes_played;
}

// The device keeps looping the ring until it is reset, so the header usually
// cannot be unprepared yet; it counts as released all the same.
static void mp_waveout_release() {
    HWAVEOUT device = waveout.device;
    if (!device || !waveout.handed_over) return;
    const MMRESULT r = waveOutUnprepareHeader(device, &waveout.ring_header, sizeof(WAVEHDR));
    waveout.still_prepared = r != MMSYSERR_NOERROR;
    waveout.ring_header.dwFlags &= ~static_cast<DWORD>(WHDR_PREPARED);
}

const AudioDevice mp_waveout_device = {
    .open = mp_waveout_open,
    .play_looped = mp_waveout_play_looped,
    .bytes_played = mp_waveout_bytes_played,
    .release = mp_waveout_release,
    .reset_close = mp_waveout_reset_close,
};
