// The font strip: glyphs drawn as text grids ("#" ink, "." paper), several
// cells side by side under a label line naming each cell's character.
#include "tools/make_assets/asset_gen.h"

namespace {

// One character per glyph cell, in the order the demo's font map uses.
const char cell_characters[] = "abcdefghijklmnopqrstuvwxyz,.\"!0123456789()?S:;+-XXCX&' @";
constexpr int CELLS = 56;
constexpr int CELL_WIDTH = 13;
constexpr int GLYPH_WIDTH = 12;  // column 12 stays paper: the gap the shadow falls into
constexpr int ROWS = 11;
constexpr int SPACE_CELL = 54;

std::string label_of(int cell) {
    return cell == SPACE_CELL ? "space" : std::string(1, cell_characters[cell]);
}

// Reads one band: a label line and the 11 grid rows under it.
bool read_band(const Source& source, size_t at, int* cell, Picture* font) {
    std::vector<std::string> labels;
    for (size_t i = 1; i < source.raw[at].size();) {
        size_t start = source.raw[at].find_first_not_of(' ', i);
        if (start == std::string::npos) break;
        size_t stop = source.raw[at].find(' ', start);
        labels.push_back(source.raw[at].substr(start, stop - start));
        i = stop == std::string::npos ? source.raw[at].size() : stop;
    }
    int line = static_cast<int>(at) + 1;
    if (at + ROWS >= source.raw.size()) return source_error(source, line, "a band needs 11 grid rows");
    for (size_t k = 0; k < labels.size(); k++, ++*cell) {
        if (*cell >= CELLS || labels[k] != label_of(*cell))
            return source_error(source, line, "cell " + std::to_string(*cell) + " should be labelled " +
                                                  (*cell < CELLS ? label_of(*cell) : "nothing") + ", not " + labels[k]);
        for (int r = 0; r < ROWS; r++) {
            const std::string& row = source.raw[at + 1 + r];
            for (int c = 0; c < GLYPH_WIDTH; c++) {
                size_t column = k * CELL_WIDTH + c;
                char pixel = column < row.size() ? row[column] : ' ';
                if (pixel != '#' && pixel != '.')
                    return source_error(source, line + 1 + r, "grid pixels are # or ., cell " + labels[k]);
                font->index[r * font->width + *cell * CELL_WIDTH + c] = pixel == '#';
            }
        }
    }
    return true;
}

}  // namespace

Bytes make_font(const std::string& source_dir) {
    Source source;
    if (!read_source(source_dir + "/font.txt", &source)) return {};
    Picture font{};
    font.width = CELLS * CELL_WIDTH;
    font.height = ROWS;
    font.palette = {0x008080, 0x000000};  // paper (the font's transparent colour), ink
    font.index.assign(static_cast<size_t>(font.width) * ROWS, 0);
    int cell = 0;
    for (size_t at = 0; at < source.raw.size(); at++)
        if (!source.raw[at].empty() && source.raw[at][0] == ':') {
            if (!read_band(source, at, &cell, &font)) return {};
            at += ROWS;
        }
    if (cell != CELLS) {
        source_error(source, 0, "has " + std::to_string(cell) + " glyph cells, the font needs 56");
        return {};
    }
    for (int c = 0; c < CELLS; c++) {
        bool ink = false;
        for (int r = 0; r < ROWS; r++)
            for (int x = 0; x < GLYPH_WIDTH; x++) ink |= font.index[r * font.width + c * CELL_WIDTH + x] != 0;
        if (ink != (c != SPACE_CELL)) {
            source_error(source, 0, "glyph " + label_of(c) + (ink ? " must be empty" : " is empty"));
            return {};
        }
    }
    return tga_encode(font);
}
