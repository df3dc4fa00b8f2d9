// The video encoder of the recording: FFmpeg run as a separate program,
// fed raw pictures and PCM through two pipes, writing H.264 and AAC into MP4.
#pragma once
#include <cstdint>
#include <string>

struct EncoderSettings {
    int32_t width;   // the pictures handed over, 32-bit 0x00RRGGBB
    int32_t height;
    int32_t scale;   // each pixel becomes scale x scale, nearest neighbour
    int32_t fps;
    int32_t rate;    // audio, 16-bit stereo
    std::string path;  // the MP4 file FFmpeg writes
};

struct Encoder {
    int pid;
    int video_fd;
    int audio_fd;
    std::string video_pending;  // bytes handed over but not yet taken by FFmpeg
    std::string audio_pending;
};

// The ffmpeg program on the PATH; empty when there is none.
std::string encoder_find_ffmpeg();
// Starts FFmpeg; false with the reason.
bool encoder_start(Encoder* encoder, const EncoderSettings& settings, const std::string& ffmpeg,
                   std::string* error);
// Hands over one picture and the audio that plays while it shows; false
// with the reason when FFmpeg has stopped taking them.
bool encoder_put(Encoder* encoder, const uint32_t* pixels, size_t pixel_count, const int16_t* audio,
                 int32_t audio_frames, std::string* error);
// Hands over the rest, ends both streams and waits for FFmpeg to finish the
// file; false with the reason when it failed.
bool encoder_finish(Encoder* encoder, std::string* error);
// Stops FFmpeg at once, for an interrupted or failed recording.
void encoder_abort(Encoder* encoder);
