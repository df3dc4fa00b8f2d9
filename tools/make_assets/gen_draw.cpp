// The little drawing language of the picture sources: filled shapes with an
// optional one-pixel outline, painted in source order onto an indexed picture.
#include <cmath>
#include "tools/make_assets/asset_gen.h"

namespace {

using Mask = std::vector<uint8_t>;

struct Paint {
    int fill;
    int outline;  // -1: none
};

bool parse_numbers(const SourceLine& line, size_t first, std::vector<double>* values) {
    for (size_t i = first; i < line.words.size(); i++) {
        double v;
        if (!parse_number(line.words[i], &v)) return false;
        values->push_back(v);
    }
    return true;
}

bool parse_paint(const Picture& picture, const std::string& word, Paint* paint) {
    size_t slash = word.find('/');
    paint->fill = colour_by_name(picture, word.substr(0, slash));
    paint->outline = slash == std::string::npos ? -1 : colour_by_name(picture, word.substr(slash + 1));
    return paint->fill >= 0 && (slash == std::string::npos || paint->outline >= 0);
}

void mask_rect(const Picture& p, Mask* mask, const std::vector<double>& v) {
    int x0 = static_cast<int>(v[0]), y0 = static_cast<int>(v[1]);
    for (int y = y0; y < y0 + static_cast<int>(v[3]); y++)
        for (int x = x0; x < x0 + static_cast<int>(v[2]); x++)
            if (x >= 0 && y >= 0 && x < p.width && y < p.height) (*mask)[y * p.width + x] = 1;
}

// Centred on a pixel, so an ellipse with whole radii is symmetric.
void mask_ellipse(const Picture& p, Mask* mask, const std::vector<double>& v) {
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            double dx = (x - v[0]) / v[2], dy = (y - v[1]) / v[3];
            if (dx * dx + dy * dy <= 1.0) (*mask)[y * p.width + x] = 1;
        }
}

// Vertices are pixel corners: pixels whose centres lie inside are filled.
void mask_polygon(const Picture& p, Mask* mask, const std::vector<double>& v) {
    size_t n = v.size() / 2;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            double px = x + 0.5, py = y + 0.5;
            bool inside = false;
            for (size_t i = 0, j = n - 1; i < n; j = i++) {
                double xi = v[2 * i], yi = v[2 * i + 1], xj = v[2 * j], yj = v[2 * j + 1];
                if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi)
                    inside = !inside;
            }
            if (inside) (*mask)[y * p.width + x] = 1;
        }
}

// Pixels whose centres lie within width / 2 of the segment.
void mask_line(const Picture& p, Mask* mask, const std::vector<double>& v) {
    double dx = v[2] - v[0], dy = v[3] - v[1], half = v[4] / 2 + 0.01;
    double length2 = dx * dx + dy * dy;
    for (int y = 0; y < p.height; y++)
        for (int x = 0; x < p.width; x++) {
            double s = length2 > 0 ? ((x - v[0]) * dx + (y - v[1]) * dy) / length2 : 0;
            s = s < 0 ? 0 : s > 1 ? 1 : s;
            double ex = x - (v[0] + s * dx), ey = y - (v[1] + s * dy);
            if (ex * ex + ey * ey <= half * half) (*mask)[y * p.width + x] = 1;
        }
}

void paint_mask(Picture* p, const Mask& mask, Paint paint) {
    if (paint.outline >= 0) {
        for (int y = 0; y < p->height; y++)
            for (int x = 0; x < p->width; x++) {
                bool near = false;
                for (int oy = -1; oy <= 1; oy++)
                    for (int ox = -1; ox <= 1; ox++) {
                        int nx = x + ox, ny = y + oy;
                        if (nx >= 0 && ny >= 0 && nx < p->width && ny < p->height && mask[ny * p->width + nx])
                            near = true;
                    }
                if (near && !mask[y * p->width + x]) p->index[y * p->width + x] = static_cast<uint8_t>(paint.outline);
            }
    }
    for (size_t i = 0; i < mask.size(); i++)
        if (mask[i]) p->index[i] = static_cast<uint8_t>(paint.fill);
}

// Short grass blades in a V, scattered by a fixed sequence so the picture
// comes out the same on every run.
void draw_tufts(Picture* p, int colour, const std::vector<double>& v) {
    uint32_t state = static_cast<uint32_t>(v[0]) * 2654435761u + 1;
    auto next = [&state](int range) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % static_cast<uint32_t>(range));
    };
    static const int blade[][2] = {{0, 0}, {0, -1}, {0, -2}, {-1, -1}, {-2, -2}, {1, -1}, {2, -2}};
    for (int i = 0; i < static_cast<int>(v[1]); i++) {
        int bx = static_cast<int>(v[2]) + next(static_cast<int>(v[4]));
        int by = static_cast<int>(v[3]) + next(static_cast<int>(v[5]));
        for (const auto& b : blade) {
            int x = bx + b[0], y = by + b[1];
            if (x >= 0 && y >= 0 && x < p->width && y < p->height)
                p->index[y * p->width + x] = static_cast<uint8_t>(colour);
        }
    }
}

bool mouth_marker(const std::string& word) {
    if (word.size() < 2 || word[0] != 'm') return false;
    for (size_t i = 1; i < word.size(); i++)
        if (word[i] < '0' || word[i] > '2') return false;
    return true;
}

bool draw_line(const Source& source, const SourceLine& line, size_t at, Picture* picture) {
    const std::string& command = line.words[at];
    std::vector<double> v;
    size_t args = line.words.size() - at - 1;
    if (command == "dither") {
        int a = colour_by_name(*picture, args > 0 ? line.words[at + 1] : "");
        int b = colour_by_name(*picture, args > 1 ? line.words[at + 2] : "");
        if (a < 0 || b < 0 || args != 6 || !parse_numbers(line, at + 3, &v))
            return source_error(source, line.number, "dither COLOUR COLOUR x y w h");
        Mask mask(picture->index.size());
        mask_rect(*picture, &mask, v);
        for (size_t i = 0; i < mask.size(); i++)
            if (mask[i]) picture->index[i] = static_cast<uint8_t>(((i % picture->width) + (i / picture->width)) % 2 ? b : a);
        return true;
    }
    Paint paint;
    if (args < 1 || !parse_paint(*picture, line.words[at + 1], &paint) || !parse_numbers(line, at + 2, &v))
        return source_error(source, line.number, "unknown colour or bad number in \"" + line.text + "\"");
    Mask mask(picture->index.size());
    if (command == "rect" && v.size() == 4) {
        mask_rect(*picture, &mask, v);
    } else if (command == "ellipse" && v.size() == 4 && v[2] > 0 && v[3] > 0) {
        mask_ellipse(*picture, &mask, v);
    } else if (command == "poly" && v.size() >= 6 && v.size() % 2 == 0) {
        mask_polygon(*picture, &mask, v);
    } else if (command == "line" && v.size() == 5 && v[4] > 0) {
        mask_line(*picture, &mask, v);
    } else if (command == "dots" && v.size() % 2 == 0 && paint.outline < 0) {
        for (size_t i = 0; i < v.size(); i += 2) mask_rect(*picture, &mask, {v[i], v[i + 1], 1, 1});
    } else if (command == "tufts" && v.size() == 6 && v[4] > 0 && v[5] > 0 && paint.outline < 0) {
        draw_tufts(picture, paint.fill, v);
        return true;
    } else {
        return source_error(source, line.number, "cannot draw \"" + line.text + "\"");
    }
    paint_mask(picture, mask, paint);
    return true;
}

}  // namespace

bool read_palette(const Source& source, Picture* picture) {
    for (const SourceLine& line : source.lines) {
        if (line.words[0] != "colour") continue;
        int r, g, b;
        if (line.words.size() != 5 || !parse_int(line.words[2], &r) || !parse_int(line.words[3], &g) ||
            !parse_int(line.words[4], &b) || r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
            return source_error(source, line.number, "colour NAME R G B, each 0..255");
        if (colour_by_name(*picture, line.words[1]) >= 0 || picture->palette.size() == 256)
            return source_error(source, line.number, "colour declared twice, or more than 256");
        picture->colour_names.push_back(line.words[1]);
        picture->palette.push_back(static_cast<uint32_t>(r << 16 | g << 8 | b));
    }
    return true;
}

int colour_by_name(const Picture& picture, const std::string& name) {
    for (size_t i = 0; i < picture.colour_names.size(); i++)
        if (picture.colour_names[i] == name) return static_cast<int>(i);
    return -1;
}

bool draw_commands(const Source& source, size_t first, size_t end, int mouth, Picture* picture) {
    for (size_t i = first; i < end; i++) {
        const SourceLine& line = source.lines[i];
        if (line.words[0] == "colour") continue;
        size_t at = 0;
        if (mouth_marker(line.words[0])) {
            if (line.words[0].find(static_cast<char>('0' + mouth)) == std::string::npos) continue;
            at = 1;
        }
        if (at >= line.words.size()) return source_error(source, line.number, "mouth marker without a command");
        if (!draw_line(source, line, at, picture)) return false;
    }
    return true;
}
