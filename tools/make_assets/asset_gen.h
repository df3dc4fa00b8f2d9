// The asset generator turns the editable sources in assets/src into the files
// the demo embeds. Every step reports its first problem on stderr, naming the
// source file and line, and then answers false or an empty result.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// One non-empty source line, split at white space, with "#" comments removed.
struct SourceLine {
    int number;
    std::vector<std::string> words;
    std::string text;  // the raw line, for grids where spaces matter
};

struct Source {
    std::string path;
    std::vector<SourceLine> lines;
    std::vector<std::string> raw;  // every line as written, comments included
};

// A colour-mapped picture: one palette index per pixel, rows top first.
struct Picture {
    int width;
    int height;
    std::vector<uint8_t> index;
    std::vector<uint32_t> palette;        // 0x00RRGGBB, at most 256
    std::vector<std::string> colour_names;
};

// ---- source files ----
bool read_source(const std::string& path, Source* source);
bool source_error(const Source& source, int line, const std::string& message);
bool parse_int(const std::string& word, int* value);
bool parse_number(const std::string& word, double* value);

// ---- pictures ----
Bytes tga_encode(const Picture& picture);
int colours_used(const Picture& picture);
// Reads "colour NAME R G B" lines into the picture's palette; other lines are left alone.
bool read_palette(const Source& source, Picture* picture);
int colour_by_name(const Picture& picture, const std::string& name);
// Runs the drawing commands of lines [first, end) onto the picture. `mouth` picks
// the lines marked m0 / m1 / m2 (unmarked lines are drawn for every mouth).
bool draw_commands(const Source& source, size_t first, size_t end, int mouth, Picture* picture);

Bytes make_background(const std::string& source_dir);
Bytes make_sprites(const std::string& source_dir);
Bytes make_icon(const std::string& source_dir);
// The window icon as a Windows .ico, from the TGA that make_icon writes.
Bytes ico_from_tga(const Bytes& tga);
Bytes make_icon_file(const std::string& source_dir);
Bytes make_font(const std::string& source_dir);

// ---- texts ----
Bytes make_scroll_text(const std::string& source_dir);
// Checks a finished scroll text: 546 characters, 28 leading and 19 trailing
// spaces, only characters the font has glyphs for. Explains a failure on stderr.
bool check_scroll_text(const std::string& text);

// ---- music ----
Bytes make_module(const std::string& source_dir);

// ---- everything ----
extern const char* const asset_file_names[7];
// Writes every asset file into output_dir; false (with a message) on the first failure.
bool make_all_assets(const std::string& source_dir, const std::string& output_dir);
