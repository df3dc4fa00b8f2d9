// The scroll text: prose written with line breaks in assets/src, joined into
// one line between the blank lead-in and lead-out the scroller needs.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include "tools/make_assets/asset_gen.h"

namespace {
constexpr size_t LENGTH = 546;
constexpr size_t LEADING = 28;   // more than the 25 cells across: the line starts empty
constexpr size_t TRAILING = 19;  // the line is empty again before the scroller ends
// Characters with a glyph of their own; "C" is drawn as the copyright sign.
const char allowed[] = " abcdefghijklmnoprstuvwyz02!',.:@C";
}  // namespace

bool check_scroll_text(const std::string& text) {
    if (text.size() != LENGTH) {
        std::fprintf(stderr, "scroll text: %zu characters, must be %zu (the message %zu, needs %zu)\n", text.size(),
                     LENGTH, text.size() - std::min(text.size(), LEADING + TRAILING), LENGTH - LEADING - TRAILING);
        return false;
    }
    if (text.find_first_not_of(' ') != LEADING || text.find_last_not_of(' ') != LENGTH - TRAILING - 1) {
        std::fprintf(stderr, "scroll text: must start with exactly %zu spaces and end with exactly %zu\n", LEADING,
                     TRAILING);
        return false;
    }
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\0' || std::string(allowed).find(text[i]) == std::string::npos) {
            std::fprintf(stderr, "scroll text: character %zu ('%c') has no glyph; use lower case, 0, 2, ! ' , . : @ "
                                 "and C for the copyright sign\n", i, text[i]);
            return false;
        }
    }
    return true;
}

Bytes make_scroll_text(const std::string& source_dir) {
    std::string path = source_dir + "/scroll_text.txt";
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", path.c_str());
        return {};
    }
    // Each line break counts as one space between words.
    std::string text(LEADING, ' '), line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!first) text += ' ';
        text += line;
        first = false;
    }
    text.append(TRAILING, ' ');
    if (!check_scroll_text(text)) {
        std::fprintf(stderr, "%s: fix the text above\n", path.c_str());
        return {};
    }
    return Bytes(text.begin(), text.end());
}
