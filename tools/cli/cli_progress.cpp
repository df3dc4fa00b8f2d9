// A progress bar on standard error, drawn only when that is a terminal:
// the share done and the speed against real time.
#include <unistd.h>
#include <chrono>
#include "tools/cli/cli.h"

double cli_clock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void progress_begin(CliProgress* progress, bool wanted) {
    progress->shown = wanted && isatty(STDERR_FILENO);
    progress->started = cli_clock();
    progress->last_drawn = -1.0;
}

void progress_show(CliProgress* progress, double fraction, double media_seconds) {
    if (!progress->shown) return;
    const double now = cli_clock();
    if (progress->last_drawn >= 0.0 && now - progress->last_drawn < 0.1) return;
    progress->last_drawn = now;
    if (fraction < 0.0) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    constexpr int WIDTH = 30;
    char bar[WIDTH + 1];
    const int filled = static_cast<int>(fraction * WIDTH);
    for (int i = 0; i < WIDTH; i++) bar[i] = i < filled ? '#' : '.';
    bar[WIDTH] = '\0';
    const double spent = now - progress->started;
    std::fprintf(stderr, "\r[%s] %3d%%", bar, static_cast<int>(fraction * 100.0));
    if (spent > 0.05) std::fprintf(stderr, "  %.1fx real time ", media_seconds / spent);
    std::fflush(stderr);
}

void progress_end(CliProgress* progress) {
    if (!progress->shown) return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
}
