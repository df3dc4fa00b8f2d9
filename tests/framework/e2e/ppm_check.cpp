// Holds a screenshot against the frame the program presented: the frame,
// scaled by a whole factor, at (x, y) of the screenshot, every colour channel
// within a tolerance. With --black-around the rest of the screenshot is black;
// without it the screenshot is exactly the scaled frame (a window's client area).
// Usage: ppm_check <shot.ppm> <frame.ppm> <factor> <x> <y> <tolerance> [--black-around]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

static bool read_ppm(const char* path, Picture& p) {
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    int maximum = 0;
    const bool header = std::fscanf(file, "P6 %d %d %d", &p.width, &p.height, &maximum) == 3 && std::fgetc(file) != EOF;
    bool ok = header && maximum == 255 && p.width > 0 && p.height > 0 && p.width < 65536 && p.height < 65536;
    if (ok) {
        p.rgb.resize(static_cast<size_t>(p.width) * p.height * 3);
        ok = std::fread(p.rgb.data(), 1, p.rgb.size(), file) == p.rgb.size();
    }
    std::fclose(file);
    return ok;
}

static int channel_difference(const unsigned char* a, const unsigned char* b) {
    int worst = 0;
    for (int c = 0; c < 3; c++) worst = std::max(worst, std::abs(a[c] - b[c]));
    return worst;
}

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: ppm_check <shot.ppm> <frame.ppm> <factor> <x> <y> <tolerance> [--black-around]\n");
        return 2;
    }
    Picture shot, frame;
    if (!read_ppm(argv[1], shot) || !read_ppm(argv[2], frame)) {
        std::fprintf(stderr, "ppm_check: cannot read %s or %s\n", argv[1], argv[2]);
        return 2;
    }
    const int factor = std::atoi(argv[3]), left = std::atoi(argv[4]), top = std::atoi(argv[5]);
    const int tolerance = std::atoi(argv[6]);
    const bool black_around = argc > 7 && std::strcmp(argv[7], "--black-around") == 0;
    if (!black_around && (shot.width != frame.width * factor || shot.height != frame.height * factor)) {
        std::printf("the shot is %dx%d, not %dx%d\n", shot.width, shot.height, frame.width * factor,
                    frame.height * factor);
        return 1;
    }
    static const unsigned char black[3] = {0, 0, 0};
    int wrong = 0, worst = 0;
    for (int y = 0; y < shot.height; y++) {
        for (int x = 0; x < shot.width; x++) {
            const unsigned char* seen = &shot.rgb[(static_cast<size_t>(y) * shot.width + x) * 3];
            const int fx = (x - left) / factor, fy = (y - top) / factor;
            const bool inside = x >= left && y >= top && fx < frame.width && fy < frame.height;
            if (!inside && !black_around) continue;
            const unsigned char* wanted = inside ? &frame.rgb[(static_cast<size_t>(fy) * frame.width + fx) * 3] : black;
            const int d = channel_difference(seen, wanted);
            worst = std::max(worst, d);
            if (d > tolerance) wrong++;
        }
    }
    if (wrong == 0) return 0;
    std::printf("%d pixels differ (by up to %d)\n", wrong, worst);
    return 1;
}
