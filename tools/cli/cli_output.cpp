// Output files of the tools: written under a temporary name beside the
// final one and renamed when complete, standard output for "-", and the
// signals that end a long run cleanly.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include "tools/cli/cli.h"

volatile int cli_interrupted = 0;

static void on_signal(int) { cli_interrupted = 1; }

void cli_catch_signals() {
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGHUP, on_signal);
    // A reader that goes away shows as a failed write, which is reported.
    std::signal(SIGPIPE, SIG_IGN);
}

bool cli_same_file(const char* a, const char* b) {
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool output_open(CliOutput* output, const char* path, std::string* error) {
    output->path = path;
    output->temporary.clear();
    output->file = nullptr;
    output->is_stdout = std::strcmp(path, "-") == 0;
    output->in_place = output->is_stdout;
    if (output->is_stdout) {
        if (isatty(STDOUT_FILENO)) {
            *error = "standard output is a terminal: redirect it or name a file";
            return false;
        }
        output->file = stdout;
        return true;
    }
    std::string target = path;
    struct stat st;
    if (stat(path, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            *error = "is a directory";
            return false;
        }
        // Renaming over a file the user may not write would replace it all the same.
        if (access(path, W_OK) != 0) {
            *error = std::string("cannot write: ") + std::strerror(errno);
            return false;
        }
        // A device or a pipe is written as it is: nothing to rename over.
        if (!S_ISREG(st.st_mode)) {
            output->file = std::fopen(path, "wb");
            if (!output->file) *error = std::string("cannot open: ") + std::strerror(errno);
            output->in_place = true;
            return output->file != nullptr;
        }
        // Through a link the file it names is replaced, not the link.
        char* real = realpath(path, nullptr);
        if (real) target = real;
        std::free(real);
    }
    output->path = target;
    std::string name = target + ".XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0) {
        *error = std::string("cannot create: ") + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; the finished file gets the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    output->temporary = name;
    output->file = fdopen(fd, "wb");
    if (!output->file) {
        *error = std::string("cannot create: ") + std::strerror(errno);
        close(fd);
        output_discard(output);
        return false;
    }
    return true;
}

bool output_commit(CliOutput* output, std::string* error) {
    if (!output->file && output->temporary.empty()) return false;
    // Without a file of ours another program wrote the temporary file.
    bool ok = !output->file || (std::fflush(output->file) == 0 && !std::ferror(output->file));
    int saved = errno;
    if (!output->is_stdout) {
        if (output->file && std::fclose(output->file) != 0 && ok) {
            ok = false;
            saved = errno;
        }
        output->file = nullptr;
        if (ok && !output->in_place && std::rename(output->temporary.c_str(), output->path.c_str()) != 0) {
            *error = std::string("cannot rename into place: ") + std::strerror(errno);
            output_discard(output);
            return false;
        }
    }
    if (!ok) {
        *error = std::string("cannot write: ") + std::strerror(saved ? saved : EIO);
        output_discard(output);
        return false;
    }
    output->temporary.clear();
    return true;
}

void output_discard(CliOutput* output) {
    if (output->file && !output->is_stdout) std::fclose(output->file);
    output->file = nullptr;
    if (!output->temporary.empty()) std::remove(output->temporary.c_str());
    output->temporary.clear();
}
