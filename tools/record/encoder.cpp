// FFmpeg as the recording's encoder. It reads the pictures from one pipe and
// the sound from another; both are written without blocking, whichever
// FFmpeg is ready to take, so that neither side waits for the other for ever.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "tools/record/encoder.h"

// What may wait in our buffers before we stop making more of it: a few
// pictures, a fraction of a second of sound.
constexpr size_t VIDEO_AHEAD = 4u << 20;
constexpr size_t AUDIO_AHEAD = 256u << 10;

std::string encoder_find_ffmpeg() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        const std::string candidate = dir + "/ffmpeg";
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

bool encoder_start(Encoder* e, const EncoderSettings& s, const std::string& ffmpeg, std::string* error) {
    e->pid = -1;
    e->video_fd = e->audio_fd = -1;
    e->video_pending.clear();
    e->audio_pending.clear();
    int video[2], audio[2];
    if (pipe(video) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe(audio) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        close(video[0]);
        close(video[1]);
        return false;
    }
    const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
    const std::string scaled = "scale=" + std::to_string(s.width * s.scale) + ":" +
                               std::to_string(s.height * s.scale) + ":flags=neighbor";
    const std::string fps = std::to_string(s.fps), rate = std::to_string(s.rate);
    // The pictures come in as they lie in memory: 0x00RRGGBB is B, G, R, 0.
    const std::vector<std::string> args = {
        ffmpeg, "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "bgr0", "-video_size", size, "-framerate", fps, "-i", "pipe:3",
        "-f", "s16le", "-ar", rate, "-ac", "2", "-i", "pipe:4",
        "-map", "0:v", "-map", "1:a", "-vf", scaled,
        "-c:v", "libx264", "-preset", "veryfast", "-tune", "animation", "-crf", "18", "-pix_fmt", "yuv420p",
        "-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4", s.path};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        for (int fd : {video[0], video[1], audio[0], audio[1]}) close(fd);
        return false;
    }
    if (pid == 0) {
        // FFmpeg reads the pictures on descriptor 3 and the sound on 4; its
        // standard input is nothing, its messages go where ours do.
        const int null_in = open("/dev/null", O_RDONLY);
        if (null_in >= 0) dup2(null_in, 0);
        const int picture_in = dup(video[0]), sound_in = dup(audio[0]);
        dup2(picture_in, 3);
        dup2(sound_in, 4);
        for (int fd = 5; fd < 1024; fd++) close(fd);
        signal(SIGINT, SIG_IGN);  // an interrupt is ours to handle: we stop it ourselves
        signal(SIGPIPE, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(video[0]);
    close(audio[0]);
    e->pid = pid;
    e->video_fd = video[1];
    e->audio_fd = audio[1];
    fcntl(e->video_fd, F_SETFL, O_NONBLOCK);
    fcntl(e->audio_fd, F_SETFL, O_NONBLOCK);
    fcntl(e->video_fd, F_SETFD, FD_CLOEXEC);
    fcntl(e->audio_fd, F_SETFD, FD_CLOEXEC);
    return true;
}

// Writes what FFmpeg will take until `done` says enough has gone.
template <typename Done>
static bool pump(Encoder* e, Done done, std::string* error) {
    while (!done()) {
        pollfd fds[2];
        int n = 0;
        if (!e->video_pending.empty()) fds[n++] = {e->video_fd, POLLOUT, 0};
        if (!e->audio_pending.empty()) fds[n++] = {e->audio_fd, POLLOUT, 0};
        if (n == 0) return true;
        if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
            if (errno == EINTR) return true;  // the caller looks at the interrupt
            *error = std::string("cannot wait for ffmpeg: ") + std::strerror(errno);
            return false;
        }
        for (int i = 0; i < n; i++) {
            if (!fds[i].revents) continue;
            std::string& pending = fds[i].fd == e->video_fd ? e->video_pending : e->audio_pending;
            const ssize_t written = write(fds[i].fd, pending.data(), pending.size());
            if (written < 0 && errno != EAGAIN && errno != EINTR) {
                *error = "ffmpeg stopped taking the recording";
                return false;
            }
            if (written > 0) pending.erase(0, static_cast<size_t>(written));
        }
    }
    return true;
}

bool encoder_put(Encoder* e, const uint32_t* pixels, size_t pixel_count, const int16_t* audio,
                 int32_t audio_frames, std::string* error) {
    e->video_pending.append(reinterpret_cast<const char*>(pixels), pixel_count * 4);
    e->audio_pending.append(reinterpret_cast<const char*>(audio), static_cast<size_t>(audio_frames) * 4);
    // Enough is when either stream has run dry (more of both is needed) or
    // both are within their lead.
    return pump(e, [e] {
        return e->video_pending.empty() || e->audio_pending.empty() ||
               (e->video_pending.size() < VIDEO_AHEAD && e->audio_pending.size() < AUDIO_AHEAD);
    }, error);
}

static int wait_for(Encoder* e) {
    int status = 0;
    while (waitpid(e->pid, &status, 0) < 0 && errno == EINTR) {
    }
    e->pid = -1;
    return status;
}

// Ends a stream whose last bytes have gone: FFmpeg may be waiting on it
// before it takes the rest of the other.
static void close_when_drained(Encoder* e) {
    if (e->video_fd >= 0 && e->video_pending.empty()) {
        close(e->video_fd);
        e->video_fd = -1;
    }
    if (e->audio_fd >= 0 && e->audio_pending.empty()) {
        close(e->audio_fd);
        e->audio_fd = -1;
    }
}

bool encoder_finish(Encoder* e, std::string* error) {
    close_when_drained(e);
    const bool ok_pumped = pump(e, [e] {
        close_when_drained(e);
        return e->video_fd < 0 && e->audio_fd < 0;
    }, error);
    bool ok = ok_pumped;
    if (e->video_fd >= 0) close(e->video_fd);
    if (e->audio_fd >= 0) close(e->audio_fd);
    e->video_fd = e->audio_fd = -1;
    const int status = wait_for(e);
    if (ok && WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        *error = "ffmpeg could not be run";
        ok = false;
    } else if (ok && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        *error = "ffmpeg failed to make the video (its messages are above)";
        ok = false;
    }
    return ok;
}

void encoder_abort(Encoder* e) {
    if (e->video_fd >= 0) close(e->video_fd);
    if (e->audio_fd >= 0) close(e->audio_fd);
    e->video_fd = e->audio_fd = -1;
    if (e->pid > 0) {
        kill(e->pid, SIGTERM);
        wait_for(e);
    }
}
