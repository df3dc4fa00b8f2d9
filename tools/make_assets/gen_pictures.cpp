// The three drawn pictures: the background scene, the sprite sheet with the
// goat and the sheep (body and two mouth pictures each), and the window icon.
#include <cstdio>
#include "tools/make_assets/asset_gen.h"

namespace {

constexpr uint32_t KEY_COLOUR = 0x209020;  // the sheet's transparent colour
constexpr int FIGURE_SIZE = 90;
constexpr int MOUTH_WIDTH = 41;
constexpr int MOUTH_HEIGHT = 57;

struct Figure {
    const char* name;
    int body_x, body_y;    // where the body goes on the sheet
    int head_x;            // the head block's column inside the body
    int mouth_x, mouth_y;  // mouth picture 1 on the sheet; picture 2 is 43 columns on
};

const Figure figures[] = {
    {"goat", 25, 80, 46, 1, 10},
    {"sheep", 140, 80, 1, 130, 10},
};

// Reads a picture source: its palette and one "canvas W H COLOUR" line.
// Returns the index of the first line after the canvas line, or 0 on failure.
size_t start_picture(const Source& source, int width, int height, Picture* picture) {
    if (!read_palette(source, picture)) return 0;
    for (size_t i = 0; i < source.lines.size(); i++) {
        const SourceLine& line = source.lines[i];
        if (line.words[0] != "canvas") continue;
        int w, h, fill = line.words.size() == 4 ? colour_by_name(*picture, line.words[3]) : -1;
        if (fill < 0 || !parse_int(line.words[1], &w) || !parse_int(line.words[2], &h) || w != width ||
            h != height) {
            char message[80];
            std::snprintf(message, sizeof message, "expected \"canvas %d %d COLOUR\"", width, height);
            source_error(source, line.number, message);
            return 0;
        }
        picture->width = width;
        picture->height = height;
        picture->index.assign(static_cast<size_t>(width) * height, static_cast<uint8_t>(fill));
        return i + 1;
    }
    source_error(source, 0, "no canvas line");
    return 0;
}

Bytes checked(const Source& source, const Picture& picture, int colours) {
    int used = colours_used(picture);
    if (colours > 0 && used != colours) {
        source_error(source, 0, "uses " + std::to_string(used) + " colours, must use exactly " +
                                    std::to_string(colours));
        return {};
    }
    return tga_encode(picture);
}

void copy_block(const Picture& from, int fx, int fy, int w, int h, Picture* to, int tx, int ty) {
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            to->index[(ty + y) * to->width + tx + x] = from.index[(fy + y) * from.width + fx + x];
}

// Lines of one "figure NAME" section: [*first, *end).
bool find_figure(const Source& source, const char* name, size_t* first, size_t* end) {
    for (size_t i = 0; i < source.lines.size(); i++) {
        const SourceLine& line = source.lines[i];
        if (line.words[0] != "figure" || line.words.size() != 2 || line.words[1] != name) continue;
        *first = i + 1;
        for (*end = *first; *end < source.lines.size() && source.lines[*end].words[0] != "figure";) ++*end;
        return true;
    }
    return source_error(source, 0, std::string("no \"figure ") + name + "\" section");
}

// Draws one animal in its three mouth states and places them on the sheet.
// The mouth pictures replace the whole head block when drawn, so anything a
// mouth state changes outside that block would show as a seam: refuse it.
bool place_figure(const Source& source, const Figure& figure, Picture* sheet) {
    size_t first = 0, end = 0;
    if (!find_figure(source, figure.name, &first, &end)) return false;
    Picture states[3];
    for (int mouth = 0; mouth < 3; mouth++) {
        Picture& p = states[mouth];
        p.width = p.height = FIGURE_SIZE;
        p.palette = sheet->palette;
        p.colour_names = sheet->colour_names;
        p.index.assign(FIGURE_SIZE * FIGURE_SIZE, 0);
        if (!draw_commands(source, first, end, mouth, &p)) return false;
    }
    for (int y = 0; y < FIGURE_SIZE; y++)
        for (int x = 0; x < FIGURE_SIZE; x++) {
            bool in_block = x >= figure.head_x && x < figure.head_x + MOUTH_WIDTH && y < MOUTH_HEIGHT;
            int i = y * FIGURE_SIZE + x;
            if (!in_block && (states[1].index[i] != states[0].index[i] || states[2].index[i] != states[0].index[i]))
                return source_error(source, source.lines[first - 1].number,
                                    std::string(figure.name) + ": a mouth state draws outside the head block at " +
                                        std::to_string(x) + "," + std::to_string(y));
        }
    copy_block(states[0], 0, 0, FIGURE_SIZE, FIGURE_SIZE, sheet, figure.body_x, figure.body_y);
    for (int f = 1; f <= 2; f++)
        copy_block(states[f], figure.head_x, 0, MOUTH_WIDTH, MOUTH_HEIGHT, sheet,
                   figure.mouth_x + 43 * (f - 1), figure.mouth_y);
    return true;
}

}  // namespace

Bytes make_background(const std::string& source_dir) {
    Source source;
    Picture picture{};
    if (!read_source(source_dir + "/background.txt", &source)) return {};
    size_t first = start_picture(source, 320, 240, &picture);
    if (first == 0 || !draw_commands(source, first, source.lines.size(), 0, &picture)) return {};
    return checked(source, picture, 13);
}

Bytes make_sprites(const std::string& source_dir) {
    Source source;
    Picture sheet{};
    if (!read_source(source_dir + "/sprites.txt", &source) || !read_palette(source, &sheet)) return {};
    if (sheet.palette.empty() || sheet.palette[0] != KEY_COLOUR) {
        source_error(source, 0, "the first colour must be the transparent one, 32 144 32");
        return {};
    }
    for (size_t i = 1; i < sheet.palette.size(); i++)
        if (sheet.palette[i] == KEY_COLOUR) {
            source_error(source, 0, "colour " + sheet.colour_names[i] + " would be transparent");
            return {};
        }
    int grey = colour_by_name(sheet, "grey");
    if (grey < 0) {
        source_error(source, 0, "a colour named grey fills the unused rows at the bottom");
        return {};
    }
    sheet.width = 320;
    sheet.height = 240;
    sheet.index.assign(320 * 240, 0);
    for (int i = 182 * 320; i < 240 * 320; i++) sheet.index[i] = static_cast<uint8_t>(grey);
    for (const Figure& figure : figures)
        if (!place_figure(source, figure, &sheet)) return {};
    return checked(source, sheet, 8);
}

Bytes make_icon(const std::string& source_dir) {
    Source source;
    Picture picture{};
    if (!read_source(source_dir + "/icon.txt", &source)) return {};
    size_t first = start_picture(source, 32, 32, &picture);
    if (first == 0 || !draw_commands(source, first, source.lines.size(), 0, &picture)) return {};
    return checked(source, picture, 0);
}
